#include "db/paradox/Cipher.h"
#include "db/paradox/FormatError.h"
#include "db/paradox/Table.h"
#include "support/ParadoxWriter.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <atomic>
#include <functional>

// Under AddressSanitizer every allocation can be watched: the damaged-file
// cases then show that no claimed size is allocated before it is checked.
#if defined(__SANITIZE_ADDRESS__)
#define KASPLAN_WATCH_ALLOCATIONS 1
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                         void (*)(const volatile void*));
#endif

using namespace kasplan;
using paradox::Field;
using paradox::FieldType;
using test::ParadoxTableSpec;
using test::ParadoxWriter;

namespace {

// Every field type the reader knows.
QList<Field> allTypes()
{
    return {
        {QStringLiteral("Naam"), FieldType::Alpha, 40},
        {QStringLiteral("Datum"), FieldType::Date, 0},
        {QStringLiteral("Klein"), FieldType::Short, 0},
        {QStringLiteral("Groot"), FieldType::Long, 0},
        {QStringLiteral("Prijs"), FieldType::Money, 0},
        {QStringLiteral("Getal"), FieldType::Number, 0},
        {QStringLiteral("Ja"), FieldType::Logical, 0},
        {QStringLiteral("Opmerking"), FieldType::Memo, 30},
        {QStringLiteral("Tijd"), FieldType::Time, 0},
        {QStringLiteral("Moment"), FieldType::Timestamp, 0},
        {QStringLiteral("Teller"), FieldType::Autoinc, 0},
        {QStringLiteral("Bedrag"), FieldType::Bcd, 0},
        {QStringLiteral("Ruw"), FieldType::Bytes, 6},
        {QStringLiteral("Plaatje"), FieldType::Graphic, 15},
    };
}

// Accented letters that all three code pages have, and some only one has.
QString accents(int codePage)
{
    const QString common = QStringLiteral("éèëêüöäßñÇ");
    switch (codePage) {
    case 1252:
        return common + QStringLiteral("€œ‚Š");
    case 850:
        return common + QStringLiteral("øØýÞ");
    default:
        return common + QStringLiteral("½▒¥");
    }
}

// A memo whose length puts it in the leader, in a block of small blobs or
// in a block of its own.
QString memoOf(int i, int codePage)
{
    switch (i % 4) {
    case 0:
        return QStringLiteral("kort %1").arg(i);
    case 1:
        return QStringLiteral("klein blob %1 %2 ").arg(i).arg(accents(codePage)).repeated(12);
    case 2:
        return QStringLiteral("groot blob %1 %2\r\n").arg(i).arg(accents(codePage)).repeated(300);
    default:
        return {};
    }
}

// Record i of the all-types table; every seventh is null throughout, and
// the odd ones are negative.
QVariantList recordOf(int i, int codePage)
{
    if (i % 7 == 3)
        return QVariantList(allTypes().size());
    const int sign = i % 2 ? -1 : 1;
    QByteArray bcd(17, '\0');
    bcd[0] = char(0xC2);
    bcd[5] = char(i + 1);
    const QString memo = memoOf(i, codePage);
    return {
        QStringLiteral("Tulp %1 %2").arg(i).arg(accents(codePage)),
        QDate(1996, 5, 4).addDays(sign * i * 400),
        sign * (32767 - i),
        sign * (2147483647 - i),
        sign * (100.5 + i),
        i == 0 ? 0.0 : sign * 1e-3 * i,
        i % 3 == 0,
        memo.isEmpty() ? QVariant() : QVariant(memo),
        QTime(13, 45, 10, 250).addSecs(i),
        QDateTime(QDate(2003, 2, 1), QTime(8, 30).addSecs(i * 61)),
        i + 1,
        bcd,
        QByteArray("\x01\x02\x00", 3) + char(i) + QByteArray(2, '\0'),
        i % 5 == 0 ? QVariant() : QVariant(QByteArray(i % 2 ? 3000 : 200, char(i))),
    };
}

struct ReadResult
{
    QList<QVariantList> records;
    QString error;
};

ReadResult readAll(const QString& path, paradox::ReadOptions options = {})
{
    ReadResult result;
    try {
        paradox::Table table(path, options);
        paradox::Record record;
        while (table.next(record))
            result.records.append(record.values());
    } catch (const paradox::FormatError& e) {
        result.error = e.text();
    }
    return result;
}

#if KASPLAN_WATCH_ALLOCATIONS
std::atomic<bool> watching{false};
std::atomic<size_t> largestAllocation{0};

void noteAllocation(const volatile void*, size_t size)
{
    if (!watching)
        return;
    size_t seen = largestAllocation.load();
    while (size > seen && !largestAllocation.compare_exchange_weak(seen, size)) {
    }
}
void noteFree(const volatile void*) {}
#endif

} // namespace

using Damage = std::function<void(const QString&)>;
Q_DECLARE_METATYPE(Damage)

class TestParadoxTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void readsBackEveryType_data();
    void readsBackEveryType();
    void storedBytesMeanWhatTheFormatSays();
    void workedExampleBlockAsWritten();
    void codePageOfTheTableOrTheCaller();
    void namesIgnoreCase();
    void damagedFilesAreRefused_data();
    void damagedFilesAreRefused();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestParadoxTable::initTestCase()
{
    QVERIFY(m_dir.isValid());
#if KASPLAN_WATCH_ALLOCATIONS
    __sanitizer_install_malloc_and_free_hooks(&noteAllocation, &noteFree);
#endif
}

void TestParadoxTable::readsBackEveryType_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("codePage");
    QTest::addColumn<int>("blockKiB");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<bool>("encipherMemo");
    QTest::addColumn<QList<int>>("fileOrder");

    // 40 records, 6 to a block: 7 blocks.
    const QList<int> inOrder;
    const QList<int> shuffled{5, 1, 7, 3, 2, 6, 4};
    QTest::newRow("7.x, 1252") << 12 << 1252 << 2 << QByteArray() << true << inOrder;
    QTest::newRow("7.x, 1252, chain out of file order")
        << 12 << 1252 << 2 << QByteArray() << true << shuffled;
    QTest::newRow("4.x, 437, 1 KiB blocks") << 7 << 437 << 1 << QByteArray() << true << shuffled;
    QTest::newRow("3.5, 850 (no code page in the header)")
        << 4 << 850 << 4 << QByteArray() << true << inOrder;
    QTest::newRow("5.x, 32 KiB blocks") << 11 << 1252 << 32 << QByteArray() << true << inOrder;
    QTest::newRow("protected 7K4M, 7.x")
        << 12 << 1252 << 2 << QByteArray("7K4M") << true << shuffled;
    QTest::newRow("protected 7K4M, 3.5, 850")
        << 4 << 850 << 2 << QByteArray("7K4M") << true << shuffled;
    QTest::newRow("protected Bloei#2003, 4 KiB")
        << 12 << 1252 << 4 << QByteArray("Bloei#2003") << true << inOrder;
    QTest::newRow("protected, memo file left plain")
        << 12 << 1252 << 2 << QByteArray("7K4M") << false << shuffled;
}

void TestParadoxTable::readsBackEveryType()
{
    QFETCH(int, version);
    QFETCH(int, codePage);
    QFETCH(int, blockKiB);
    QFETCH(QByteArray, password);
    QFETCH(bool, encipherMemo);
    QFETCH(QList<int>, fileOrder);

    ParadoxTableSpec spec;
    spec.fields = allTypes();
    spec.version = version;
    spec.codePage = codePage;
    spec.blockSizeKiB = blockKiB;
    spec.password = password;
    spec.encipherMemo = encipherMemo;
    spec.recordsPerBlock = 6;
    spec.fileOrder = fileOrder;
    ParadoxWriter writer(spec);
    QList<QVariantList> expected;
    for (int i = 0; i < 40; ++i) {
        expected.append(recordOf(i, codePage));
        writer.append(expected.last());
    }
    const QString file =
        path(QStringLiteral("Alles%1.DB").arg(QTest::currentDataTag()).remove(' '));
    writer.save(file);

    paradox::Table table(file);
    QCOMPARE(table.recordCount(), 40u);
    QCOMPARE(table.isProtected(), !password.isEmpty());
    QCOMPARE(table.passwordChecksum(), paradox::Cipher::passwordChecksum(password));
    QCOMPARE(table.codePage(), codePage);
    QCOMPARE(table.blockSize(), blockKiB * 1024);
    QCOMPARE(table.fields().size(), allTypes().size());
    for (int f = 0; f < allTypes().size(); ++f) {
        QCOMPARE(table.fields()[f].name, allTypes()[f].name);
        QCOMPARE(table.fields()[f].type, allTypes()[f].type);
    }

    const ReadResult read = readAll(file);
    QCOMPARE(read.error, QString());
    QCOMPARE(read.records.size(), expected.size());
    for (int r = 0; r < expected.size(); ++r) {
        for (int f = 0; f < allTypes().size(); ++f) {
            const QVariant got = read.records[r][f];
            const QVariant want = expected[r][f];
            if (got != want || got.isNull() != want.isNull())
                QFAIL(qPrintable(QStringLiteral("record %1, field %2: read %3, written %4")
                                     .arg(r)
                                     .arg(allTypes()[f].name, got.toString().left(60),
                                          want.toString().left(60))));
        }
    }
}

void TestParadoxTable::storedBytesMeanWhatTheFormatSays()
{
    // Bytes as the format description gives them, put in place by hand.
    ParadoxTableSpec spec;
    spec.fields = {{QStringLiteral("Een"), FieldType::Short, 0},
                   {QStringLiteral("MinEen"), FieldType::Short, 0},
                   {QStringLiteral("Plus"), FieldType::Number, 0},
                   {QStringLiteral("Min"), FieldType::Money, 0},
                   {QStringLiteral("Dag"), FieldType::Date, 0},
                   {QStringLiteral("Nee"), FieldType::Logical, 0},
                   {QStringLiteral("Leeg"), FieldType::Long, 0}};
    ParadoxWriter writer(spec);
    writer.append(QVariantList(spec.fields.size()));
    const QString file = path(QStringLiteral("Bytes.DB"));
    writer.save(file);
    ParadoxWriter::changeBlock(file, 1, [](QByteArray& block) {
        const QByteArray stored = QByteArray::fromHex("8001"
                                                      "7FFF"
                                                      "C059200000000000"
                                                      "3FA6DFFFFFFFFFFF"
                                                      "800B1ECF"
                                                      "80"
                                                      "00000000");
        block.replace(6, stored.size(), stored);
    });
    const ReadResult read = readAll(file);
    QCOMPARE(read.error, QString());
    QCOMPARE(read.records.size(), 1);
    const QVariantList want{1, -1, 100.5, -100.5, QDate(1996, 5, 4), false, QVariant()};
    QCOMPARE(read.records.first(), want);
    QVERIFY(read.records.first().last().isNull());
}

void TestParadoxTable::workedExampleBlockAsWritten()
{
    // The worked example of the format description: a table protected with
    // "7K4M" whose first block another implementation enciphered. Our writer
    // must put the same bytes there, and the reader must read them back.
    ParadoxTableSpec spec;
    spec.fields = {{QStringLiteral("Naam"), FieldType::Alpha, 20},
                   {QStringLiteral("Aantal"), FieldType::Short, 0},
                   {QStringLiteral("Datum"), FieldType::Date, 0}};
    spec.password = "7K4M";
    spec.blockSizeKiB = 2;
    const QStringList names{QStringLiteral("Tulp"),    QStringLiteral("Narcis"),
                            QStringLiteral("Hyacint"), QStringLiteral("Krokus"),
                            QStringLiteral("Lelie"),   QStringLiteral("Iris")};
    ParadoxWriter writer(spec);
    QList<QVariantList> expected;
    for (int i = 0; i < names.size(); ++i) {
        expected.append({QStringLiteral("%1 0000%2").arg(names[i]).arg(i), -100 + 37 * i,
                         QDate::fromJulianDay(1721425 + 738000 + 3 * i)});
        writer.append(expected.last());
    }
    const QString file = path(QStringLiteral("Voorbeeld.DB"));
    writer.save(file);

    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.seek(writer.headerSize()));
    const QByteArray firstUnit = f.read(32);
    QCOMPARE(firstUnit.toHex(' '), QByteArray("9a 8a 9d 93 71 dc b6 d9 60 d8 0c 11 4a 45 ce 15 "
                                              "4f 13 be 5e 01 a0 59 55 b6 51 9c 44 8b ac b1 53"));
    QVERIFY(readAll(file).records == expected);
}

void TestParadoxTable::codePageOfTheTableOrTheCaller()
{
    ParadoxTableSpec spec;
    spec.fields = {{QStringLiteral("Naam"), FieldType::Alpha, 20}};
    spec.version = 4; // 3.5: the header names no code page
    spec.codePage = 850;
    ParadoxWriter old(spec);
    old.append({QStringLiteral("Façade ø")});
    old.save(path(QStringLiteral("Oud.DB")));
    QCOMPARE(readAll(path(QStringLiteral("Oud.DB"))).records.value(0).value(0),
             QVariant(QStringLiteral("Façade ø")));
    // The caller knows better: the same bytes read as 1252.
    QCOMPARE(readAll(path(QStringLiteral("Oud.DB")), {1252}).records.value(0).value(0),
             QVariant(QStringLiteral("Fa‡ade ›")));

    // A 4.x table in a code page this reader does not know is refused unless
    // the caller chooses one.
    spec.version = 12;
    spec.codePage = 1252;
    ParadoxWriter other(spec);
    other.append({QStringLiteral("Tulp")});
    const QString file = path(QStringLiteral("Ander.DB"));
    other.save(file);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(0x6A));
    const uchar cp1250[2] = {0xE2, 0x04};
    f.write(reinterpret_cast<const char*>(cp1250), 2);
    f.close();
    QVERIFY(readAll(file).error.contains(QStringLiteral("codetabel 1250")));
    QCOMPARE(readAll(file, {1252}).records.value(0).value(0), QVariant(QStringLiteral("Tulp")));
}

void TestParadoxTable::namesIgnoreCase()
{
    ParadoxTableSpec spec;
    spec.fields = {{QStringLiteral("Cultivar"), FieldType::Alpha, 20},
                   {QStringLiteral("Remarks"), FieldType::Memo, 15}};
    ParadoxWriter writer(spec);
    const QString memo = QStringLiteral("lang genoeg voor het memobestand");
    writer.append({QStringLiteral("Tulp"), memo});
    const QString folder = path(QStringLiteral("hoofdletters"));
    QVERIFY(QDir().mkpath(folder));
    writer.save(folder + QStringLiteral("/CDATA.DB"));
    QVERIFY(
        QFile::rename(folder + QStringLiteral("/CDATA.MB"), folder + QStringLiteral("/cdata.mb")));

    paradox::Table table(folder + QStringLiteral("/CDATA.DB"));
    QCOMPARE(table.fieldIndex(QStringLiteral("REMARKS")), 1);
    paradox::Record record;
    QVERIFY(table.next(record));
    QCOMPARE(record.value(QStringLiteral("cultivar")), QVariant(QStringLiteral("Tulp")));
    QCOMPARE(record.value(QStringLiteral("Remarks")), QVariant(memo));
    QVERIFY(record.value(QStringLiteral("Kleur")).isNull());
}

void TestParadoxTable::damagedFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("message");

    const auto setNext = [](int block, int next) -> Damage {
        return [=](const QString& file) {
            ParadoxWriter::changeBlock(file, block, [=](QByteArray& b) {
                qToLittleEndian<quint16>(quint16(next), b.data());
            });
        };
    };
    const auto patchHeader = [](int offset, QByteArray bytes) -> Damage {
        return [=](const QString& file) {
            QFile f(file);
            if (f.open(QIODevice::ReadWrite) && f.seek(offset))
                f.write(bytes);
        };
    };
    const auto truncateTo = [](qint64 size) -> Damage {
        return [=](const QString& file) { QFile::resize(file, size); };
    };
    const auto memoPointer = [](quint32 reference, quint32 length) -> Damage {
        // The memo of the first record (field 2, after Alpha 20).
        return [=](const QString& file) {
            ParadoxWriter::changeBlock(file, 1, [=](QByteArray& b) {
                qToLittleEndian<quint32>(reference, b.data() + 6 + 20 + 15);
                qToLittleEndian<quint32>(length, b.data() + 6 + 20 + 19);
            });
        };
    };
    const auto memoFile = [](const QByteArray& password,
                             std::function<void(QByteArray&)> change) -> Damage {
        return [=](const QString& file) {
            QString memo = file;
            memo.replace(QStringLiteral(".DB"), QStringLiteral(".MB"));
            ParadoxWriter::changeMemoFile(memo, paradox::Cipher::passwordChecksum(password),
                                          !password.isEmpty(), change);
        };
    };

    for (const QByteArray& password : {QByteArray(), QByteArray("7K4M")}) {
        const QString p =
            password.isEmpty() ? QStringLiteral("plain") : QStringLiteral("protected");
        const auto row = [&](const char* name) {
            return &QTest::newRow(qPrintable(p + QStringLiteral(", ") + QLatin1String(name)));
        };
        *row("chain loops back") << password << setNext(4, 2)
                                 << QStringLiteral("twee keer langs blok 2 (een lus)");
        *row("chain loops on itself")
            << password << setNext(1, 1) << QStringLiteral("twee keer langs blok 1");
        *row("chain runs past the file")
            << password << setNext(4, 9) << QStringLiteral("verwijst naar blok 9");
        *row("truncated in a block") << password << truncateTo(0x800 + 3 * 1024 + 100)
                                     << QStringLiteral("verwijst naar blok 4");
        *row("truncated in the header")
            << password << truncateTo(0x300) << QStringLiteral("afgekapt");
        *row("truncated before the header")
            << password << truncateTo(0x20) << QStringLiteral("te kort");
        *row("more records in the header")
            << password << patchHeader(0x06, QByteArray::fromHex("19000000"))
            << QStringLiteral("de kop noemt er 25, de blokken bevatten er 24");
        *row("header claims billions of records")
            << password << patchHeader(0x06, QByteArray::fromHex("FFFFFFFF"))
            << QStringLiteral("de kop noemt er 4294967295");
        *row("block claims more records than fit") << password << Damage([](const QString& file) {
            ParadoxWriter::changeBlock(
                file, 2, [](QByteArray& b) { qToLittleEndian<qint16>(30000, b.data() + 4); });
        }) << QStringLiteral("blok 2 noemt een ongeldig aantal records");
        *row("memo pointer past the memo file") << password << memoPointer(0x00100000 | 0xFF, 5000)
                                                << QStringLiteral("buiten het memobestand");
        *row("memo length beyond the memo file")
            << password << memoPointer(0x00001000 | 0xFF, 0x7FFFFFFF)
            << QStringLiteral("wijkt af van de lengte in de tabel");
        *row("memo pointer at the header block") << password << memoPointer(0x000000FF, 5000)
                                                 << QStringLiteral("buiten het memobestand");
        *row("memo file cut short")
            << password << memoFile(password, [](QByteArray& f) { f.truncate(2 * 4096 + 512); })
            << QStringLiteral("voorbij het einde van het memobestand");
        *row("memo block of the wrong kind")
            << password << memoFile(password, [](QByteArray& f) { f[4096] = 4; })
            << QStringLiteral("staat geen memoblok");
        *row("memo file missing") << password << Damage([](const QString& file) {
            QString memo = file;
            QFile::remove(memo.replace(QStringLiteral(".DB"), QStringLiteral(".MB")));
        }) << QStringLiteral("het memobestand Kapot.MB ontbreekt");
        *row("field size does not add up")
            << password << patchHeader(0x00, QByteArray::fromHex("FF00"))
            << QStringLiteral("recordgrootte");
        *row("header larger than the file")
            << password << patchHeader(0x02, QByteArray::fromHex("F0FF"))
            << QStringLiteral("afgekapt");
    }
}

void TestParadoxTable::damagedFilesAreRefused()
{
    QFETCH(QByteArray, password);
    QFETCH(Damage, damage);
    QFETCH(QString, message);

    // 24 records of 2 fields, 6 to a 1 KiB block: 4 blocks after a 2 KiB
    // header; the first record's memo lies in a single-blob block.
    ParadoxTableSpec spec;
    spec.fields = {{QStringLiteral("Naam"), FieldType::Alpha, 20},
                   {QStringLiteral("Opmerking"), FieldType::Memo, 25}};
    spec.version = 7;
    spec.blockSizeKiB = 1;
    spec.recordsPerBlock = 6;
    spec.password = password;
    ParadoxWriter writer(spec);
    for (int i = 0; i < 24; ++i)
        writer.append(
            {QStringLiteral("Tulp %1").arg(i),
             i == 0 ? QString(QStringLiteral("x")).repeated(5000) : QStringLiteral("kort")});
    QCOMPARE(writer.headerSize(), 0x800);
    const QString folder = path(QTest::currentDataTag()).remove(' ').remove(',');
    QVERIFY(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/Kapot.DB");
    writer.save(file);
    QCOMPARE(readAll(file).records.size(), 24);
    damage(file);

#if KASPLAN_WATCH_ALLOCATIONS
    largestAllocation = 0;
    watching = true;
#endif
    QElapsedTimer clock;
    clock.start();
    const ReadResult read = readAll(file);
    const qint64 elapsed = clock.elapsed();
#if KASPLAN_WATCH_ALLOCATIONS
    watching = false;
    QVERIFY(largestAllocation > 0); // the watch is on
    QVERIFY2(largestAllocation < 1024 * 1024,
             qPrintable(QStringLiteral("allocated %1 bytes at once").arg(largestAllocation)));
#endif
    QVERIFY2(read.error.startsWith(QStringLiteral("Kapot.")), qPrintable(read.error));
    QVERIFY2(read.error.contains(message), qPrintable(read.error));
    QVERIFY2(elapsed < 1000, qPrintable(QStringLiteral("took %1 ms").arg(elapsed)));
}

QTEST_APPLESS_MAIN(TestParadoxTable)
#include "tst_paradoxtable.moc"
