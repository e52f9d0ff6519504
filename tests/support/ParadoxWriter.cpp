#include "ParadoxWriter.h"

#include "db/paradox/Cipher.h"
#include "db/paradox/CodePage.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cstring>
#include <stdexcept>

namespace kasplan::test {

namespace {

using paradox::Field;
using paradox::FieldType;

constexpr int MemoBlock = 4096;
constexpr int SmallBlobData = 0x150; // after the 12-byte head and 64 pointer entries
constexpr qint64 JulianDayOfDayZero = 1721425;

[[noreturn]] void refuse(const QString& what)
{
    throw std::invalid_argument(what.toStdString());
}

void putInt(char* out, qint32 value, int size)
{
    if (size == 2)
        qToBigEndian<quint16>(quint16(value) ^ 0x8000, out);
    else
        qToBigEndian<quint32>(quint32(value) ^ 0x80000000u, out);
}

void putDouble(char* out, double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    if (bits & 0x8000000000000000ull)
        bits = ~bits;
    else
        bits |= 0x8000000000000000ull;
    qToBigEndian<quint64>(bits, out);
}

int fieldInfoOffset(int version)
{
    return version >= 5 ? 0x78 : 0x58;
}

struct WrittenHeader
{
    int headerSize;
    int blockSize;
    quint32 checksum;
};

WrittenHeader readWrittenHeader(const QByteArray& file)
{
    const auto* h = reinterpret_cast<const uchar*>(file.constData());
    const int version = h[0x39];
    return {qFromLittleEndian<quint16>(h + 2), h[5] * 1024,
            qFromLittleEndian<quint32>(h + (version >= 5 ? 0x5C : 0x25))};
}

QByteArray readWhole(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        refuse(QStringLiteral("cannot read %1").arg(path));
    return f.readAll();
}

void writeWhole(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        refuse(QStringLiteral("cannot write %1").arg(path));
}

} // namespace

ParadoxWriter::ParadoxWriter(ParadoxTableSpec spec) : m_spec(std::move(spec))
{
    for (Field& f : m_spec.fields) {
        if (f.size == 0)
            f.size = paradox::fixedSize(f.type);
        m_recordSize += f.size;
    }
    // The header block of the memo file.
    m_memo = QByteArray(MemoBlock, '\0');
    qToLittleEndian<quint16>(1, m_memo.data() + 1);
    qToLittleEndian<quint16>(0x1000, m_memo.data() + 0x0B);
}

int ParadoxWriter::headerSize() const
{
    int names = 0;
    for (const Field& f : m_spec.fields)
        names += int(f.name.size()) + 1;
    const int n = int(m_spec.fields.size());
    const int needed =
        fieldInfoOffset(m_spec.version) + 6 * n + 4 + (m_spec.version >= 12 ? 261 : 79) + names;
    const int unit = m_spec.version >= 12 ? 0x1000 : 0x800;
    return (needed + unit - 1) / unit * unit;
}

void ParadoxWriter::append(const QVariantList& values)
{
    if (values.size() != m_spec.fields.size())
        refuse(
            QStringLiteral("%1 values for %2 fields").arg(values.size()).arg(m_spec.fields.size()));
    QByteArray record(m_recordSize, '\0');
    char* out = record.data();
    for (int i = 0; i < m_spec.fields.size(); ++i) {
        encodeField(m_spec.fields[i], values[i], out);
        out += m_spec.fields[i].size;
    }
    m_records += record;
}

void ParadoxWriter::encodeField(const Field& field, const QVariant& value, char* out)
{
    if (value.isNull())
        return;
    const paradox::CodePage codePage = *paradox::CodePage::of(m_spec.codePage);
    switch (field.type) {
    case FieldType::Alpha: {
        const std::optional<QByteArray> text = codePage.encode(value.toString());
        if (!text || text->size() > field.size)
            refuse(QStringLiteral("'%1' does not fit %2").arg(value.toString(), field.name));
        std::memcpy(out, text->constData(), size_t(text->size()));
        return;
    }
    case FieldType::Date:
        putInt(out, qint32(value.toDate().toJulianDay() - JulianDayOfDayZero), 4);
        return;
    case FieldType::Short:
        if (value.toInt() < -32768 || value.toInt() > 32767)
            refuse(QStringLiteral("%1 does not fit a Short").arg(value.toInt()));
        putInt(out, value.toInt(), 2);
        return;
    case FieldType::Long:
    case FieldType::Autoinc:
        putInt(out, value.toInt(), 4);
        return;
    case FieldType::Money:
    case FieldType::Number:
        putDouble(out, value.toDouble());
        return;
    case FieldType::Logical:
        out[0] = char(value.toBool() ? 0x81 : 0x80);
        return;
    case FieldType::Time:
        putInt(out, value.toTime().msecsSinceStartOfDay(), 4);
        return;
    case FieldType::Timestamp: {
        const QDateTime t = value.toDateTime();
        putDouble(out, double((t.date().toJulianDay() - JulianDayOfDayZero) * 86400000 +
                              t.time().msecsSinceStartOfDay()));
        return;
    }
    case FieldType::Bcd:
    case FieldType::Bytes: {
        const QByteArray bytes = value.toByteArray();
        if (bytes.size() > field.size)
            refuse(QStringLiteral("%1 bytes do not fit %2").arg(bytes.size()).arg(field.name));
        std::memcpy(out, bytes.constData(), size_t(bytes.size()));
        return;
    }
    case FieldType::Memo:
    case FieldType::BinaryBlob:
    case FieldType::FormattedMemo:
    case FieldType::Ole:
    case FieldType::Graphic: {
        QByteArray data;
        if (field.type == FieldType::Memo) {
            const std::optional<QByteArray> text = codePage.encode(value.toString());
            if (!text)
                refuse(QStringLiteral("memo of %1 not in code page").arg(field.name));
            data = *text;
        } else {
            data = value.toByteArray();
        }
        const QByteArray pointer = memoPointer(data, field.size - 10);
        std::memcpy(out, pointer.constData(), size_t(pointer.size()));
        return;
    }
    }
}

QByteArray ParadoxWriter::memoPointer(const QByteArray& data, int leader)
{
    QByteArray field(leader + 10, '\0');
    std::memcpy(field.data(), data.constData(), size_t(std::min<qsizetype>(leader, data.size())));
    char* tail = field.data() + leader;
    quint32 reference = 0;
    if (data.size() > leader) {
        const int length = int(data.size());
        const int chunks = (length + 15) / 16;
        if (length <= m_spec.smallBlobLimit && chunks * 16 <= MemoBlock - SmallBlobData) {
            if (m_smallBlock < 0 || m_smallEntries == 64 ||
                SmallBlobData + m_smallUsed + chunks * 16 > MemoBlock) {
                m_smallBlock = int(m_memo.size());
                m_memo += QByteArray(MemoBlock, '\0');
                m_memo[m_smallBlock] = 3;
                qToLittleEndian<quint16>(1, m_memo.data() + m_smallBlock + 1);
                m_smallEntries = 0;
                m_smallUsed = 0;
            }
            char* block = m_memo.data() + m_smallBlock;
            const int dataOffset = SmallBlobData + m_smallUsed;
            std::memcpy(block + dataOffset, data.constData(), size_t(length));
            char* entry = block + 12 + 5 * m_smallEntries;
            entry[0] = char(dataOffset / 16);
            entry[1] = char(chunks);
            qToLittleEndian<quint16>(1, entry + 2);
            entry[4] = char(length - (chunks - 1) * 16);
            reference = quint32(m_smallBlock) | quint32(m_smallEntries);
            ++m_smallEntries;
            m_smallUsed += chunks * 16;
        } else {
            const int offset = int(m_memo.size());
            const int units = (9 + length + MemoBlock - 1) / MemoBlock;
            QByteArray block(units * MemoBlock, '\0');
            block[0] = 2;
            qToLittleEndian<quint16>(quint16(units), block.data() + 1);
            qToLittleEndian<quint32>(quint32(length), block.data() + 3);
            qToLittleEndian<quint16>(1, block.data() + 7);
            std::memcpy(block.data() + 9, data.constData(), size_t(length));
            m_memo += block;
            reference = quint32(offset) | 0xFF;
        }
    }
    qToLittleEndian<quint32>(reference, tail);
    qToLittleEndian<quint32>(quint32(data.size()), tail + 4);
    qToLittleEndian<quint16>(1, tail + 8);
    return field;
}

QByteArray ParadoxWriter::headerBytes(int blockCount) const
{
    const int size = headerSize();
    QByteArray header(size, '\0');
    char* h = header.data();
    const int version = m_spec.version;
    const quint32 checksum = paradox::Cipher::passwordChecksum(m_spec.password);
    const int count = recordCount();
    qToLittleEndian<quint16>(quint16(m_recordSize), h + 0x00);
    qToLittleEndian<quint16>(quint16(size), h + 0x02);
    h[0x04] = char(m_spec.keyFieldCount > 0 ? 0 : 2);
    h[0x05] = char(m_spec.blockSizeKiB);
    qToLittleEndian<quint32>(quint32(count), h + 0x06);
    qToLittleEndian<quint16>(quint16(blockCount), h + 0x0A);
    qToLittleEndian<quint16>(quint16(blockCount), h + 0x0C);
    const QList<int> order = m_spec.fileOrder;
    const int first = blockCount == 0 ? 0 : (order.isEmpty() ? 1 : order.first());
    const int last = blockCount == 0 ? 0 : (order.isEmpty() ? blockCount : order.last());
    qToLittleEndian<quint16>(quint16(first), h + 0x0E);
    qToLittleEndian<quint16>(quint16(last), h + 0x10);
    qToLittleEndian<quint16>(quint16(m_spec.fields.size()), h + 0x21);
    qToLittleEndian<quint16>(quint16(m_spec.keyFieldCount), h + 0x23);
    qToLittleEndian<quint32>(version >= 5 ? 0xFF00FF00u : checksum, h + 0x25);
    h[0x39] = char(version);
    if (version >= 5) {
        qToLittleEndian<quint32>(checksum, h + 0x5C);
        qToLittleEndian<quint16>(quint16(m_spec.codePage), h + 0x6A);
    }
    int at = fieldInfoOffset(version);
    for (const Field& f : m_spec.fields) {
        h[at++] = char(f.type);
        h[at++] = char(f.size);
    }
    at += 4 + 4 * int(m_spec.fields.size());
    const QByteArray tableName = QByteArrayLiteral("TABLE");
    std::memcpy(h + at, tableName.constData(), size_t(tableName.size()));
    at += version >= 12 ? 261 : 79;
    const paradox::CodePage codePage = *paradox::CodePage::of(m_spec.codePage);
    for (const Field& f : m_spec.fields) {
        const QByteArray name = codePage.encode(f.name).value_or(f.name.toLatin1());
        std::memcpy(h + at, name.constData(), size_t(name.size()));
        at += int(name.size()) + 1;
    }
    return header;
}

void ParadoxWriter::save(const QString& path) const
{
    const int blockSize = m_spec.blockSizeKiB * 1024;
    const int fit = (blockSize - 6) / m_recordSize;
    const int perBlock = m_spec.recordsPerBlock > 0 ? std::min(m_spec.recordsPerBlock, fit) : fit;
    const int count = recordCount();
    const int blockCount = (count + perBlock - 1) / perBlock;
    if (!m_spec.fileOrder.isEmpty() && m_spec.fileOrder.size() != blockCount)
        refuse(QStringLiteral("file order names %1 blocks, the table has %2")
                   .arg(m_spec.fileOrder.size())
                   .arg(blockCount));
    const auto position = [&](int chainIndex) {
        return m_spec.fileOrder.isEmpty() ? chainIndex + 1 : m_spec.fileOrder[chainIndex];
    };
    const quint32 checksum = paradox::Cipher::passwordChecksum(m_spec.password);

    QByteArray file = headerBytes(blockCount);
    const int headerSize = int(file.size());
    file += QByteArray(qsizetype(blockCount) * blockSize, '\0');
    for (int c = 0; c < blockCount; ++c) {
        const int block = position(c);
        char* b = file.data() + headerSize + qsizetype(block - 1) * blockSize;
        const int inBlock = std::min(perBlock, count - c * perBlock);
        qToLittleEndian<quint16>(quint16(c + 1 < blockCount ? position(c + 1) : 0), b);
        qToLittleEndian<quint16>(quint16(c > 0 ? position(c - 1) : 0), b + 2);
        qToLittleEndian<qint16>(qint16((inBlock - 1) * m_recordSize), b + 4);
        std::memcpy(b + 6, m_records.constData() + qsizetype(c) * perBlock * m_recordSize,
                    size_t(inBlock) * size_t(m_recordSize));
        if (checksum != 0)
            paradox::Cipher::encipherBlock(reinterpret_cast<uchar*>(b), blockSize, checksum, block);
    }
    writeWhole(path, file);

    if (m_memo.size() > MemoBlock) {
        QByteArray memo = m_memo;
        if (checksum != 0 && m_spec.encipherMemo)
            paradox::Cipher::encipherMemoUnits(reinterpret_cast<uchar*>(memo.data()), memo.size(),
                                               checksum);
        const QFileInfo info(path);
        writeWhole(info.dir().filePath(info.completeBaseName() + QStringLiteral(".MB")), memo);
    }
}

void ParadoxWriter::changeBlock(const QString& path, int block,
                                const std::function<void(QByteArray&)>& change)
{
    QByteArray file = readWhole(path);
    const WrittenHeader h = readWrittenHeader(file);
    const qsizetype offset = h.headerSize + qsizetype(block - 1) * h.blockSize;
    QByteArray bytes = file.mid(offset, h.blockSize);
    if (h.checksum != 0)
        paradox::Cipher::decipherBlock(reinterpret_cast<uchar*>(bytes.data()), bytes.size(),
                                       h.checksum, block);
    change(bytes);
    if (h.checksum != 0)
        paradox::Cipher::encipherBlock(reinterpret_cast<uchar*>(bytes.data()), bytes.size(),
                                       h.checksum, block);
    file.replace(offset, h.blockSize, bytes);
    writeWhole(path, file);
}

void ParadoxWriter::changeMemoFile(const QString& path, quint32 checksum, bool enciphered,
                                   const std::function<void(QByteArray&)>& change)
{
    QByteArray file = readWhole(path);
    auto* data = reinterpret_cast<uchar*>(file.data());
    if (enciphered)
        paradox::Cipher::decipherMemoUnits(data, file.size(), checksum);
    change(file);
    if (enciphered)
        paradox::Cipher::encipherMemoUnits(reinterpret_cast<uchar*>(file.data()), file.size(),
                                           checksum);
    writeWhole(path, file);
}

} // namespace kasplan::test
