#include "MemoFile.h"

#include "Cipher.h"
#include "FormatError.h"

#include <QFileInfo>
#include <QtEndian>

namespace kasplan::paradox {

namespace {

constexpr qint64 MemoBlockSize = 4096;
constexpr quint8 SingleBlobBlock = 2;
constexpr quint8 SmallBlobBlock = 3;
constexpr int SingleBlobHeader = 9;
constexpr int SmallBlobEntries = 12; // offset of the first pointer entry
constexpr int SmallBlobEntrySize = 5;

// The header block of a plain memo file: type 0, one 4 KiB unit.
bool looksLikeHeader(const uchar* unit)
{
    return unit[0] == 0 && qFromLittleEndian<quint16>(unit + 1) == 1;
}

} // namespace

MemoFile::MemoFile(const QString& path, quint32 checksum)
    : m_name(QFileInfo(path).fileName()), m_file(path), m_checksum(checksum)
{
    if (!m_file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("het memobestand kan niet gelezen worden (%1)")
                 .arg(m_file.errorString()));
    m_size = m_file.size();
    uchar first[Cipher::UnitSize];
    if (m_size < Cipher::UnitSize ||
        m_file.read(reinterpret_cast<char*>(first), Cipher::UnitSize) != Cipher::UnitSize)
        fail(QStringLiteral("het memobestand is te kort (%1 bytes)").arg(m_size));
    if (looksLikeHeader(first))
        return;
    uchar deciphered[Cipher::UnitSize];
    if (checksum != 0) {
        Cipher::decipherUnit(first, deciphered, Cipher::memoUnitKey(checksum));
        if (looksLikeHeader(deciphered)) {
            m_enciphered = true;
            return;
        }
    }
    fail(QStringLiteral("dit is geen memobestand van een Paradox-tabel"));
}

void MemoFile::fail(const QString& problem) const
{
    throw FormatError(m_name, problem);
}

QByteArray MemoFile::readRange(qint64 offset, qint64 size, const QString& where)
{
    // Whole cipher units, also for a plain file, so both read alike.
    const qint64 start = offset / Cipher::UnitSize * Cipher::UnitSize;
    const qint64 end = (offset + size + Cipher::UnitSize - 1) / Cipher::UnitSize * Cipher::UnitSize;
    if (offset < 0 || size < 0 || end > m_size)
        fail(QStringLiteral("%1: de verwijzing loopt voorbij het einde van het memobestand "
                            "(byte %2 tot %3, het bestand heeft er %4)")
                 .arg(where)
                 .arg(offset)
                 .arg(offset + size)
                 .arg(m_size));
    QByteArray units(end - start, Qt::Uninitialized);
    if (!m_file.seek(start) || m_file.read(units.data(), units.size()) != units.size())
        fail(QStringLiteral("%1: het memobestand kan niet gelezen worden (%2)")
                 .arg(where, m_file.errorString()));
    if (m_enciphered)
        Cipher::decipherMemoUnits(reinterpret_cast<uchar*>(units.data()), units.size(), m_checksum);
    return units.mid(offset - start, size);
}

QByteArray MemoFile::read(quint32 reference, quint32 length, const QString& where)
{
    const qint64 block = reference & ~quint32(0xFF);
    const int index = int(reference & 0xFF);
    if (block == 0 || block + MemoBlockSize > m_size)
        fail(QStringLiteral("%1: de verwijzing (blok op byte %2) ligt buiten het memobestand "
                            "(%3 bytes)")
                 .arg(where)
                 .arg(block)
                 .arg(m_size));

    if (index == 0xFF) {
        const QByteArray head = readRange(block, SingleBlobHeader, where);
        const auto* h = reinterpret_cast<const uchar*>(head.constData());
        if (h[0] != SingleBlobBlock)
            fail(QStringLiteral("%1: op byte %2 staat geen memoblok (soort %3)")
                     .arg(where)
                     .arg(block)
                     .arg(h[0]));
        const quint32 stored = qFromLittleEndian<quint32>(h + 3);
        if (stored != length)
            fail(QStringLiteral("%1: de lengte in het memobestand (%2) wijkt af van de lengte "
                                "in de tabel (%3)")
                     .arg(where)
                     .arg(stored)
                     .arg(length));
        return readRange(block + SingleBlobHeader, length, where);
    }

    const QByteArray content = readRange(block, MemoBlockSize, where);
    const auto* b = reinterpret_cast<const uchar*>(content.constData());
    if (b[0] != SmallBlobBlock)
        fail(QStringLiteral("%1: op byte %2 staat geen memoblok (soort %3)")
                 .arg(where)
                 .arg(block)
                 .arg(b[0]));
    const int entry = SmallBlobEntries + SmallBlobEntrySize * index;
    if (entry + SmallBlobEntrySize > MemoBlockSize)
        fail(QStringLiteral("%1: memonummer %2 bestaat niet in het blok op byte %3")
                 .arg(where)
                 .arg(index)
                 .arg(block));
    const int dataOffset = b[entry] * 16;
    const int chunks = b[entry + 1];
    const int lastChunk = b[entry + 4];
    const qint64 stored = qint64(chunks - 1) * 16 + lastChunk;
    if (chunks == 0 || lastChunk > 16 || stored != qint64(length))
        fail(QStringLiteral("%1: de lengte in het memobestand (%2) wijkt af van de lengte in "
                            "de tabel (%3)")
                 .arg(where)
                 .arg(chunks == 0 ? 0 : stored)
                 .arg(length));
    if (dataOffset < SmallBlobEntries || dataOffset + stored > MemoBlockSize)
        fail(QStringLiteral("%1: memonummer %2 ligt buiten zijn blok op byte %3")
                 .arg(where)
                 .arg(index)
                 .arg(block));
    return content.mid(dataOffset, stored);
}

} // namespace kasplan::paradox
