#include "Table.h"

#include "Cipher.h"
#include "CodePage.h"
#include "Folder.h"
#include "FormatError.h"
#include "MemoFile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QtEndian>

#include <cstring>

namespace kasplan::paradox {

namespace {

// Where the field descriptions begin: after the fixed part, which 4.x and
// later tables extend by a data header.
constexpr int FieldInfo3x = 0x58;
constexpr int FieldInfo4x = 0x78;
constexpr int BlockHeaderSize = 6;
constexpr qint64 JulianDayOfDayZero = 1721425; // the day before 1 January of year 1
constexpr qint64 MsPerDay = 86400000;

enum HeaderOffset {
    RecordSize = 0x00,
    HeaderSize = 0x02,
    FileType = 0x04,
    BlockSizeKiB = 0x05,
    RecordCount = 0x06,
    FirstBlock = 0x0E,
    FieldCount = 0x21,
    KeyFieldCount = 0x23,
    Checksum3x = 0x25,
    Version = 0x39,
    Checksum4x = 0x5C,
    CodePage4x = 0x6A,
};

bool allZero(const uchar* bytes, int size)
{
    for (int i = 0; i < size; ++i) {
        if (bytes[i] != 0)
            return false;
    }
    return true;
}

// Integers are stored big-endian with the sign bit flipped, so that their
// bytes sort like their values.
qint32 storedInt(const uchar* bytes, int size)
{
    if (size == 2)
        return qint16(qFromBigEndian<quint16>(bytes) ^ 0x8000);
    return qint32(qFromBigEndian<quint32>(bytes) ^ 0x80000000u);
}

// Doubles: a positive value has its sign bit set, a negative one all its
// bits inverted.
double storedDouble(const uchar* bytes)
{
    quint64 bits = qFromBigEndian<quint64>(bytes);
    if (bits & 0x8000000000000000ull)
        bits &= ~0x8000000000000000ull;
    else
        bits = ~bits;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QDate dateOfDay(qint64 day)
{
    return QDate::fromJulianDay(JulianDayOfDayZero + day);
}

bool validBlockSize(int kib)
{
    return kib == 1 || kib == 2 || kib == 3 || kib == 4 || kib == 8 || kib == 16 || kib == 32;
}

} // namespace

QVariant Record::value(const QString& fieldName) const
{
    return m_table ? m_values.value(m_table->fieldIndex(fieldName)) : QVariant();
}

Table::Table(const QString& path, ReadOptions options)
    : m_path(path), m_fileName(QFileInfo(path).fileName()), m_file(path)
{
    if (!m_file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("het bestand kan niet gelezen worden (%1)").arg(m_file.errorString()));
    m_fileSize = m_file.size();
    readHeader(options);
    walkChain();
}

Table::~Table() = default;

void Table::fail(const QString& problem) const
{
    throw FormatError(m_fileName, problem);
}

int Table::fieldIndex(const QString& name) const
{
    return m_fieldByName.value(name.toLower(), -1);
}

QString Table::versionName() const
{
    if (m_version == 3)
        return QStringLiteral("3.0");
    if (m_version == 4)
        return QStringLiteral("3.5");
    if (m_version <= 9)
        return QStringLiteral("4.x");
    if (m_version <= 11)
        return QStringLiteral("5.x");
    return QStringLiteral("7.x");
}

void Table::readHeader(const ReadOptions& options)
{
    if (m_fileSize < FieldInfo3x)
        fail(QStringLiteral("het bestand is te kort voor de kop van een Paradox-tabel (%1 bytes)")
                 .arg(m_fileSize));
    uchar fixed[FieldInfo3x];
    if (m_file.read(reinterpret_cast<char*>(fixed), FieldInfo3x) != FieldInfo3x)
        fail(QStringLiteral("de kop kan niet gelezen worden (%1)").arg(m_file.errorString()));

    m_recordSize = qFromLittleEndian<quint16>(fixed + RecordSize);
    m_headerSize = qFromLittleEndian<quint16>(fixed + HeaderSize);
    const int fileType = fixed[FileType];
    const int blockKiB = fixed[BlockSizeKiB];
    m_recordCount = qFromLittleEndian<quint32>(fixed + RecordCount);
    m_firstBlock = qFromLittleEndian<quint16>(fixed + FirstBlock);
    const int fieldCount = qFromLittleEndian<quint16>(fixed + FieldCount);
    m_keyFieldCount = qFromLittleEndian<quint16>(fixed + KeyFieldCount);
    m_version = fixed[Version];

    if (fileType != 0 && fileType != 2)
        fail(QStringLiteral("dit is geen tabel maar een index of ander bestand (soort %1)")
                 .arg(fileType));
    if (m_version < 3 || m_version > 12)
        fail(QStringLiteral("onbekende versie van het tabelformaat (%1)").arg(m_version));
    const int fieldInfo = m_version >= 5 ? FieldInfo4x : FieldInfo3x;
    if (m_headerSize < fieldInfo)
        fail(QStringLiteral("de kop is te klein (%1 bytes)").arg(m_headerSize));
    if (m_headerSize > m_fileSize)
        fail(QStringLiteral("het bestand is afgekapt: de kop is %1 bytes lang, het bestand %2")
                 .arg(m_headerSize)
                 .arg(m_fileSize));
    if (!validBlockSize(blockKiB))
        fail(QStringLiteral("ongeldige blokgrootte (%1 KiB)").arg(blockKiB));
    m_blockSize = blockKiB * 1024;
    if (fieldCount < 1 || fieldCount > 255 || m_keyFieldCount > fieldCount)
        fail(QStringLiteral("ongeldig aantal velden (%1, waarvan %2 in de sleutel)")
                 .arg(fieldCount)
                 .arg(m_keyFieldCount));
    if (m_recordSize < 1 || m_recordSize + BlockHeaderSize > m_blockSize)
        fail(QStringLiteral("ongeldige recordgrootte (%1 bytes in blokken van %2)")
                 .arg(m_recordSize)
                 .arg(m_blockSize));

    QByteArray header(m_headerSize, Qt::Uninitialized);
    if (!m_file.seek(0) || m_file.read(header.data(), m_headerSize) != m_headerSize)
        fail(QStringLiteral("de kop kan niet gelezen worden (%1)").arg(m_file.errorString()));
    const auto* h = reinterpret_cast<const uchar*>(header.constData());

    m_checksum = qFromLittleEndian<quint32>(h + (m_version >= 5 ? Checksum4x : Checksum3x));
    m_codePage = options.codePage.value_or(
        m_version >= 5 ? qFromLittleEndian<quint16>(h + CodePage4x) : 850);
    m_text = CodePage::of(m_codePage);
    const std::optional<CodePage>& codePage = m_text;
    if (!codePage)
        fail(QStringLiteral("codetabel %1 wordt niet ondersteund (wel 437, 850 en 1252; kies er "
                            "een met --codepage)")
                 .arg(m_codePage));

    // Type and size of each field, a pointer, a pointer per field, the table
    // name, then the field names, each ending in a zero byte.
    const int tableNameSize = m_version >= 12 ? 261 : 79;
    int names = fieldInfo + 2 * fieldCount + 4 + 4 * fieldCount + tableNameSize;
    if (names > m_headerSize)
        fail(QStringLiteral("de veldbeschrijvingen lopen voorbij het einde van de kop"));
    int sizeSum = 0;
    for (int i = 0; i < fieldCount; ++i) {
        Field field;
        const quint8 code = h[fieldInfo + 2 * i];
        field.size = h[fieldInfo + 2 * i + 1];
        const char* start = header.constData() + names;
        const char* end =
            static_cast<const char*>(std::memchr(start, 0, size_t(m_headerSize - names)));
        if (!end)
            fail(QStringLiteral("de veldnamen lopen voorbij het einde van de kop"));
        field.name = codePage->decode(start, end - start);
        names += int(end - start) + 1;
        if (field.name.isEmpty())
            fail(QStringLiteral("veld %1 heeft geen naam").arg(i + 1));
        if (!isKnownType(code))
            fail(QStringLiteral("veld %1 heeft een onbekend type (0x%2)")
                     .arg(field.name)
                     .arg(code, 2, 16, QLatin1Char('0')));
        field.type = FieldType(code);
        const int fixedWidth = fixedSize(field.type);
        const bool sizeOk = fixedWidth           ? field.size == fixedWidth
                            : isBlob(field.type) ? field.size >= 10 && field.size <= 250
                                                 : field.size >= 1;
        if (!sizeOk)
            fail(QStringLiteral("veld %1 (%2) heeft een ongeldige grootte (%3)")
                     .arg(field.name, typeName(field.type))
                     .arg(field.size));
        sizeSum += field.size;
        m_fieldByName.insert(field.name.toLower(), int(m_fields.size()));
        m_fields.append(field);
    }
    if (sizeSum != m_recordSize)
        fail(QStringLiteral("de recordgrootte in de kop (%1) klopt niet met de velden (%2)")
                 .arg(m_recordSize)
                 .arg(sizeSum));
    if (m_fieldByName.size() != m_fields.size()) {
        // Two fields of one name: the second would hide the first.
        for (int i = 0; i < m_fields.size(); ++i) {
            if (fieldIndex(m_fields[i].name) != i)
                fail(QStringLiteral("veld %1 komt twee keer voor").arg(m_fields[i].name));
        }
    }
}

void Table::walkChain()
{
    const qint64 blocksInFile = (m_fileSize - m_headerSize) / m_blockSize;
    if (m_firstBlock == 0 && m_recordCount == 0)
        return;
    std::vector<bool> visited(size_t(std::min<qint64>(blocksInFile, 0xFFFF)) + 1, false);
    quint64 total = 0;
    int block = m_firstBlock;
    uchar unit[Cipher::UnitSize];
    uchar plain[Cipher::UnitSize];
    while (block != 0) {
        if (block > blocksInFile)
            fail(QStringLiteral("de blokketen verwijst naar blok %1, maar het bestand heeft er %2 "
                                "(afgekapt?)")
                     .arg(block)
                     .arg(blocksInFile));
        if (visited[size_t(block)])
            fail(QStringLiteral("de blokketen komt twee keer langs blok %1 (een lus)").arg(block));
        visited[size_t(block)] = true;
        const qint64 offset = m_headerSize + qint64(block - 1) * m_blockSize;
        if (!m_file.seek(offset) ||
            m_file.read(reinterpret_cast<char*>(unit), Cipher::UnitSize) != Cipher::UnitSize)
            fail(QStringLiteral("blok %1 kan niet gelezen worden (%2)")
                     .arg(block)
                     .arg(m_file.errorString()));
        const uchar* head = unit;
        if (m_checksum != 0) {
            Cipher::decipherUnit(unit, plain, Cipher::blockUnitKey(m_checksum, block, 0));
            head = plain;
        }
        const int next = qFromLittleEndian<quint16>(head);
        const int addDataSize = qFromLittleEndian<qint16>(head + 4);
        const int used = addDataSize + m_recordSize;
        if (used < 0 || used % m_recordSize != 0 || BlockHeaderSize + used > m_blockSize)
            fail(QStringLiteral("blok %1 noemt een ongeldig aantal records (%2 bytes gegevens)")
                     .arg(block)
                     .arg(addDataSize));
        m_chain.push_back(quint16(block));
        m_recordsInBlock.push_back(quint16(used / m_recordSize));
        total += quint64(used / m_recordSize);
        block = next;
    }
    if (total != m_recordCount)
        fail(
            QStringLiteral("het aantal records klopt niet: de kop noemt er %1, de blokken bevatten "
                           "er %2")
                .arg(m_recordCount)
                .arg(total));
}

void Table::readBlock(int block, QByteArray& into)
{
    into.resize(m_blockSize);
    const qint64 offset = m_headerSize + qint64(block - 1) * m_blockSize;
    if (!m_file.seek(offset) || m_file.read(into.data(), m_blockSize) != m_blockSize)
        fail(QStringLiteral("blok %1 kan niet gelezen worden (%2)")
                 .arg(block)
                 .arg(m_file.errorString()));
    if (m_checksum != 0)
        Cipher::decipherBlock(reinterpret_cast<uchar*>(into.data()), m_blockSize, m_checksum,
                              block);
}

void Table::rewind()
{
    m_chainIndex = 0;
    m_recordInBlock = 0;
    m_recordNumber = 0;
    m_block.clear();
}

bool Table::next(Record& record)
{
    while (m_chainIndex < m_chain.size()) {
        if (m_recordInBlock < m_recordsInBlock[m_chainIndex]) {
            if (m_recordInBlock == 0) {
                readBlock(m_chain[m_chainIndex], m_block);
                const int used = qFromLittleEndian<qint16>(m_block.constData() + 4) + m_recordSize;
                if (used != m_recordsInBlock[m_chainIndex] * m_recordSize)
                    fail(QStringLiteral("blok %1 is tijdens het lezen veranderd")
                             .arg(m_chain[m_chainIndex]));
            }
            const auto* bytes = reinterpret_cast<const uchar*>(m_block.constData()) +
                                BlockHeaderSize + m_recordInBlock * m_recordSize;
            ++m_recordInBlock;
            ++m_recordNumber;
            record.m_table = this;
            record.m_number = m_recordNumber;
            record.m_values.resize(m_fields.size());
            for (int i = 0; i < m_fields.size(); ++i) {
                record.m_values[i] = decode(m_fields[i], bytes, m_recordNumber);
                bytes += m_fields[i].size;
            }
            return true;
        }
        ++m_chainIndex;
        m_recordInBlock = 0;
    }
    return false;
}

QVariant Table::decode(const Field& field, const uchar* bytes, int record)
{
    if (allZero(bytes, field.size))
        return {};
    switch (field.type) {
    case FieldType::Alpha: {
        const auto* text = reinterpret_cast<const char*>(bytes);
        const auto* end = static_cast<const char*>(std::memchr(text, 0, size_t(field.size)));
        return m_text->decode(text, end ? end - text : field.size);
    }
    case FieldType::Date:
        return dateOfDay(storedInt(bytes, 4));
    case FieldType::Short:
        return storedInt(bytes, 2);
    case FieldType::Long:
    case FieldType::Autoinc:
        return storedInt(bytes, 4);
    case FieldType::Money:
    case FieldType::Number:
        return storedDouble(bytes);
    case FieldType::Logical:
        return bytes[0] != 0x80;
    case FieldType::Time:
        return QTime::fromMSecsSinceStartOfDay(storedInt(bytes, 4));
    case FieldType::Timestamp: {
        // Milliseconds, with the days counted as in a Date field.
        const qint64 ms = qint64(storedDouble(bytes));
        const qint64 day = ms / MsPerDay;
        return QDateTime(dateOfDay(day), QTime::fromMSecsSinceStartOfDay(int(ms - day * MsPerDay)));
    }
    case FieldType::Bcd:
    case FieldType::Bytes:
        return QByteArray(reinterpret_cast<const char*>(bytes), field.size);
    case FieldType::Memo:
    case FieldType::BinaryBlob:
    case FieldType::FormattedMemo:
    case FieldType::Ole:
    case FieldType::Graphic:
        return readBlob(field, bytes, record);
    }
    return {};
}

QVariant Table::readBlob(const Field& field, const uchar* bytes, int record)
{
    const int leader = field.size - 10;
    const quint32 reference = qFromLittleEndian<quint32>(bytes + leader);
    const quint32 length = qFromLittleEndian<quint32>(bytes + leader + 4);
    QByteArray data;
    if (length <= quint32(leader)) {
        data = QByteArray(reinterpret_cast<const char*>(bytes), length);
    } else {
        data = memoFile().read(reference, length,
                               QStringLiteral("veld %1 van record %2 in %3")
                                   .arg(field.name)
                                   .arg(record)
                                   .arg(m_fileName));
    }
    if (data.isEmpty())
        return {};
    if (field.type == FieldType::Memo)
        return m_text->decode(data);
    return data;
}

MemoFile& Table::memoFile()
{
    if (!m_memo) {
        // Beside the table, with the same name.
        const QFileInfo table(m_path);
        const QString memoName = table.completeBaseName() + QStringLiteral(".MB");
        const QString found = findInFolder(table.path(), memoName);
        if (found.isEmpty())
            fail(QStringLiteral("het memobestand %1 ontbreekt").arg(memoName));
        m_memo = std::make_unique<MemoFile>(found, m_checksum);
    }
    return *m_memo;
}

} // namespace kasplan::paradox
