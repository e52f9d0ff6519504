#include "db/ParadoxImport.h"
#include "db/engine/EngineError.h"
#include "db/paradox/FormatError.h"
#include "support/OldDatabase.h"
#include "support/ParadoxWriter.h"
#include "support/TestDatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QtEndian>

using namespace kasplan;
using test::OldDatabase;
using test::ParadoxWriter;

namespace {

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Hashes of every file in folder, to show that nothing in it changed.
QMap<QString, QByteArray> folderHashes(const QString& folder)
{
    QMap<QString, QByteArray> hashes;
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        hashes.insert(name, fileHash(QDir(folder).filePath(name)));
    return hashes;
}

struct Counts
{
    int read, added, updated, unchanged, leftOut;
};

Counts counts(const ParadoxImportResult& result, const QString& table)
{
    for (const ParadoxTableSummary& t : result.tables) {
        if (t.table == table)
            return {t.read, t.added, t.updated, t.unchanged, t.leftOut};
    }
    return {-1, -1, -1, -1, -1};
}

bool operator==(const Counts& a, const Counts& b)
{
    return a.read == b.read && a.added == b.added && a.updated == b.updated &&
           a.unchanged == b.unchanged && a.leftOut == b.leftOut;
}

int rowCount(db::Database& database, const QString& table)
{
    return int(database.scanKeys(database.tableDef(table), {}, {}).keys.size());
}

using Change = std::function<void(OldDatabase&)>;

} // namespace

Q_DECLARE_METATYPE(Change)

class TestParadoxImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void takesEveryRecordAndField();
    void updatesFieldByFieldAndOnlyWhatChanged();
    void oldFieldsTheTablesLack();
    void badRecordsStopTheImport_data();
    void badRecordsStopTheImport();
    void skipBadTakesTheRest();
    void dryRunWritesNothing();
    void damagedTableChangesNothing();
    void recordEditedByAnotherCopyIsLeftOut();
    void folderWithoutTables();

private:
    ParadoxImportResult run(const ParadoxImportOptions& options = {});
    QString oldFolder() const { return m_dir->filePath(QStringLiteral("oud")); }

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<QTemporaryDir> m_dir;
    OldDatabase m_old;
};

void TestParadoxImport::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_db->isValid() && m_dir->isValid());
    m_old = OldDatabase::sample(12, 3);
}

void TestParadoxImport::cleanup()
{
    m_db.reset();
    m_dir.reset();
}

ParadoxImportResult TestParadoxImport::run(const ParadoxImportOptions& options)
{
    m_old.write(oldFolder());
    return ParadoxImport::run(m_db->database(), oldFolder(), options);
}

void TestParadoxImport::takesEveryRecordAndField()
{
    QList<double> progress;
    ParadoxImportOptions options;
    options.progress = [&](double p) { progress.append(p); };
    const ParadoxImportResult result = run(options);

    QVERIFY(result.written && !result.refused);
    QCOMPARE(m_old.differences(m_db->database()), QString());
    QVERIFY(counts(result, QStringLiteral("Cdata")) == Counts({12, 12, 0, 0, 0}));
    QVERIFY(counts(result, QStringLiteral("Csizes")) == Counts({36, 36, 0, 0, 0}));
    QVERIFY(counts(result, QStringLiteral("Cstdoogst")) == Counts({24, 24, 0, 0, 0}));
    QVERIFY(counts(result, QStringLiteral("Sizes")) == Counts({3, 3, 0, 0, 0}));
    QVERIFY(counts(result, QStringLiteral("Locaties")) == Counts({2, 2, 0, 0, 0}));
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last(), 100.0);
    QVERIFY(std::is_sorted(progress.begin(), progress.end()));

    // A second run finds everything in place.
    const ParadoxImportResult again = ParadoxImport::run(m_db->database(), oldFolder(), {});
    QVERIFY(counts(again, QStringLiteral("Csizes")) == Counts({36, 0, 0, 36, 0}));
    QVERIFY(counts(again, QStringLiteral("Cdata")) == Counts({12, 0, 0, 12, 0}));
}

void TestParadoxImport::updatesFieldByFieldAndOnlyWhatChanged()
{
    // The database holds one of the cultivars with other values and a field
    // the old table lacks.
    m_db->add(QStringLiteral("Cdata"),
              {{QStringLiteral("Cultivar"), QStringLiteral("Kweek 000001 ë")},
               {QStringLiteral("Source"), QStringLiteral("NL")},
               {QStringLiteral("Kleur"), QStringLiteral("paars")},
               {QStringLiteral("SK1"), QStringLiteral("abc")},
               {QStringLiteral("Status"), QStringLiteral("DLV/LBO")}});
    test::OldTableData& cdata = m_old.table(QStringLiteral("Cdata"));
    const int sk1 = cdata.fieldIndex(QStringLiteral("SK1"));
    cdata.fields.removeAt(sk1);
    for (QVariantList& row : cdata.rows)
        row.removeAt(sk1);

    const ParadoxImportResult result = run();
    QVERIFY(counts(result, QStringLiteral("Cdata")) == Counts({12, 11, 1, 0, 0}));
    QCOMPARE(m_old.differences(m_db->database()), QString());
    const db::TableDef def = m_db->database().tableDef(QStringLiteral("Cdata"));
    const auto kept =
        m_db->database().fetchRow(def, {QStringLiteral("SK1")}, {"Kweek 000001 ë", "NL"});
    QVERIFY(kept);
    QCOMPARE(kept->value(0), QVariant(QStringLiteral("abc")));
    // Added records get the table's defaults for what the old table lacks.
    const auto added =
        m_db->database().fetchRow(def, {QStringLiteral("SK1")}, {"Kweek 000002 ë", "F"});
    QVERIFY(added && added->value(0).isNull());
}

void TestParadoxImport::oldFieldsTheTablesLack()
{
    test::OldTableData& csizes = m_old.table(QStringLiteral("Csizes"));
    // An old layout: the minimum count per metre under its earlier name, a
    // field today's table dropped and one whose type no longer fits.
    csizes.fields[csizes.fieldIndex(QStringLiteral("Qtypermetermin"))].name =
        QStringLiteral("Qtypermeter");
    csizes.fields.append({QStringLiteral("CurrencyUnit"), paradox::FieldType::Short, 2});
    const int status = csizes.fieldIndex(QStringLiteral("Status"));
    csizes.fields[status] = {QStringLiteral("Status"), paradox::FieldType::Time, 4};
    for (QVariantList& row : csizes.rows) {
        row.append(3);
        row[status] = QTime(10, 0);
    }

    const ParadoxImportResult result = run();
    QVERIFY(result.written);
    const QStringList notTaken = result.tables[3].fieldsNotTaken;
    QCOMPARE(result.tables[3].table, QStringLiteral("Csizes"));
    QCOMPARE(notTaken, QStringList({QStringLiteral("Status (Time past niet in Alpha 20)"),
                                    QStringLiteral("CurrencyUnit")}));
    QVERIFY(
        ParadoxImport::reportLines(result, {})
            .contains(QStringLiteral(
                "  velden niet overgenomen: Status (Time past niet in Alpha 20), CurrencyUnit")));

    const db::TableDef def = m_db->database().tableDef(QStringLiteral("Csizes"));
    const QVariantList& first = csizes.rows[1];
    const auto stored = m_db->database().fetchRow(
        def, {QStringLiteral("Qtypermetermin"), QStringLiteral("Status")},
        {first[0].toString().toUtf8(), first[1].toString().toUtf8(), first[2].toString().toUtf8()});
    QVERIFY(stored);
    QCOMPARE(stored->value(0), first[csizes.fieldIndex(QStringLiteral("Qtypermeter"))]);
    QVERIFY(stored->value(1).isNull());
}

void TestParadoxImport::badRecordsStopTheImport_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<QString>("leftOut"); // "FILE record N (KEY): REASON"
    QTest::addColumn<int>("dependents");  // records left out with it

    QTest::newRow("negative count") << Change([](OldDatabase& old) {
        old.table(QStringLiteral("Csizes")).set(4, QStringLiteral("Aantal"), -5);
    })
                                    << "Csizes.DB record 5 (Cultivar 'Kweek 000001 ë', Source "
                                       "'NL', Size '11/12'): veld Aantal is negatief (-5)"
                                    << 0;
    QTest::newRow("negative price") << Change([](OldDatabase& old) {
        old.table(QStringLiteral("Sizes")).set(0, QStringLiteral("StdBroeiKprijs"), -0.5);
    }) << "Sizes.DB record 1 (Size '10/11'): veld StdBroeiKprijs is negatief (-0.5)"
                                    << 0;
    QTest::newRow("text too long") << Change([](OldDatabase& old) {
        test::OldTableData& cdata = old.table(QStringLiteral("Cdata"));
        cdata.fields[cdata.fieldIndex(QStringLiteral("Kleur"))].size = 30;
        cdata.set(2, QStringLiteral("Kleur"), QStringLiteral("donkerrood met witte vlammen"));
    })
                                   << "Cdata.DB record 3 (Cultivar 'Kweek 000002 ë', Source 'F'): "
                                      "veld Kleur is te lang (28 tekens, hoogstens 20)"
                                   << 5;
    QTest::newRow("name too long")
        << Change([](OldDatabase& old) {
               test::OldTableData& cdata = old.table(QStringLiteral("Cdata"));
               cdata.fields[0].size = 60;
               cdata.set(11, QStringLiteral("Cultivar"), QString(QLatin1Char('x')).repeated(51));
               // Without its sizes and harvest records, so that only the cultivar
               // record itself breaks a rule.
               for (const QString& t : {QStringLiteral("Csizes"), QStringLiteral("Cstdoogst")})
                   old.table(t).rows.removeIf([](const QVariantList& row) {
                       return row[0] == QStringLiteral("Kweek 000011 ë");
                   });
           })
        << QStringLiteral(
               "Cdata.DB record 12 (Cultivar '%1', Source 'F'): veld Cultivar is te lang "
               "(51 tekens, hoogstens 50)")
               .arg(QString(QLatin1Char('x')).repeated(51))
        << 0;
    QTest::newRow("empty cultivar name") << Change([](OldDatabase& old) {
        test::OldTableData& cdata = old.table(QStringLiteral("Cdata"));
        cdata.rows.append(cdata.rows[0]);
        cdata.set(12, QStringLiteral("Cultivar"), QVariant());
        cdata.set(12, QStringLiteral("Source"), QStringLiteral("X"));
    }) << "Cdata.DB record 13 (Cultivar '', Source 'X'): veld Cultivar is leeg"
                                         << 0;
    QTest::newRow("empty size name") << Change([](OldDatabase& old) {
        old.table(QStringLiteral("Sizes")).rows.append({QStringLiteral(" "), 1, 0, QVariant()});
    }) << "Sizes.DB record 4 (Size ' '): veld Size is leeg"
                                     << 0;
    QTest::newRow("key twice in a table without a key") << Change([](OldDatabase& old) {
        test::OldTableData& sizes = old.table(QStringLiteral("Sizes"));
        sizes.keyFieldCount = 0;
        sizes.rows.append(sizes.rows[1]);
    }) << "Sizes.DB record 4 (Size '11/12'): dezelfde sleutel als record 2"
                                                        << 0;
    QTest::newRow("size without its cultivar") << Change([](OldDatabase& old) {
        old.table(QStringLiteral("Csizes"))
            .set(35, QStringLiteral("Cultivar"), QStringLiteral("Onbekend"));
    })
                                               << "Csizes.DB record 36 (Cultivar 'Onbekend', "
                                                  "Source 'F', Size '12/+'): Cultivar 'Onbekend', "
                                                  "Source 'F' staat niet in Cdata"
                                               << 0;
    QTest::newRow("count beyond a Short") << Change([](OldDatabase& old) {
        test::OldTableData& csizes = old.table(QStringLiteral("Csizes"));
        csizes.fields[csizes.fieldIndex(QStringLiteral("DnaG20"))] = {QStringLiteral("DnaG20"),
                                                                      paradox::FieldType::Long, 4};
        csizes.set(0, QStringLiteral("DnaG20"), 40000);
    })
                                          << "Csizes.DB record 1 (Cultivar 'Kweek 000000 ë', "
                                             "Source '', Size '10/11'): veld DnaG20 valt "
                                             "buiten het bereik van een Short-veld (40000)"
                                          << 2;
    QTest::newRow("fraction into a whole number")
        << Change([](OldDatabase& old) {
               test::OldTableData& csizes = old.table(QStringLiteral("Csizes"));
               csizes.fields[csizes.fieldIndex(QStringLiteral("Aantal"))] = {
                   QStringLiteral("Aantal"), paradox::FieldType::Number, 8};
               csizes.set(2, QStringLiteral("Aantal"), 2.5);
           })
        << "Csizes.DB record 3 (Cultivar 'Kweek 000000 ë', Source '', Size '12/+'): veld Aantal is "
           "geen geheel getal (2.5)"
        << 0;
}

void TestParadoxImport::badRecordsStopTheImport()
{
    QFETCH(Change, change);
    QFETCH(QString, leftOut);
    QFETCH(int, dependents);
    change(m_old);
    const QByteArray before = fileHash(m_db->file());

    const ParadoxImportResult result = run();
    QVERIFY(result.refused);
    QVERIFY(!result.written);
    QCOMPARE(result.leftOut.size(), 1 + dependents);
    const ParadoxLeftOut& r = result.leftOut.first();
    for (const ParadoxLeftOut& d : result.leftOut.mid(1))
        QVERIFY2(d.reason.endsWith(QStringLiteral("dat is weggelaten")), qPrintable(d.reason));
    QCOMPARE(QStringLiteral("%1 record %2 (%3): %4").arg(r.file).arg(r.record).arg(r.key, r.reason),
             leftOut);
    QCOMPARE(fileHash(m_db->file()), before);
    for (const QString& table :
         {QStringLiteral("Cdata"), QStringLiteral("Csizes"), QStringLiteral("Sizes")})
        QCOMPARE(rowCount(m_db->database(), table), 0);
    const QStringList report = ParadoxImport::reportLines(result, {});
    QVERIFY(report.contains(QStringLiteral("  ") + leftOut));
    QVERIFY(report.last().startsWith(
        QStringLiteral("Niets overgenomen: %1 record(s)").arg(1 + dependents)));
}

void TestParadoxImport::skipBadTakesTheRest()
{
    // A cultivar whose name is too long takes its sizes and their harvest
    // records with it: they cannot stand without it.
    test::OldTableData& cdata = m_old.table(QStringLiteral("Cdata"));
    cdata.fields[0].size = 60;
    const QString longName = QString(QLatin1Char('x')).repeated(51);
    cdata.set(3, QStringLiteral("Cultivar"), longName);
    for (const QString& t : {QStringLiteral("Csizes"), QStringLiteral("Cstdoogst")}) {
        test::OldTableData& detail = m_old.table(t);
        detail.fields[0].size = 60;
        for (int r = 0; r < detail.rows.size(); ++r) {
            if (detail.rows[r][0] == QStringLiteral("Kweek 000003 ë"))
                detail.set(r, QStringLiteral("Cultivar"), longName);
        }
    }
    m_old.table(QStringLiteral("Csizes")).set(7, QStringLiteral("Aantal"), -1);

    ParadoxImportOptions options;
    options.skipBad = true;
    const ParadoxImportResult result = run(options);
    QVERIFY(result.written && !result.refused);
    QVERIFY(counts(result, QStringLiteral("Cdata")) == Counts({12, 11, 0, 0, 1}));
    QVERIFY(counts(result, QStringLiteral("Csizes")) == Counts({36, 32, 0, 0, 4}));
    QVERIFY(counts(result, QStringLiteral("Cstdoogst")) == Counts({24, 22, 0, 0, 2}));
    QCOMPARE(result.leftOut.size(), 7);
    QCOMPARE(result.leftOut[1].reason, QStringLiteral("veld Aantal is negatief (-1)"));
    QCOMPARE(result.leftOut[2].reason,
             QStringLiteral("veld Cultivar is te lang (51 tekens, hoogstens 50)"));

    // Everything else is there, exactly.
    for (const QString& t :
         {QStringLiteral("Cdata"), QStringLiteral("Csizes"), QStringLiteral("Cstdoogst")}) {
        QList<QVariantList>& rows = m_old.table(t).rows;
        rows.removeIf([&](const QVariantList& row) { return row[0] == longName; });
    }
    m_old.table(QStringLiteral("Csizes")).rows.removeAt(7);
    QCOMPARE(m_old.differences(m_db->database()), QString());
    QCOMPARE(rowCount(m_db->database(), QStringLiteral("Csizes")), 32);
}

void TestParadoxImport::dryRunWritesNothing()
{
    m_db->add(QStringLiteral("Cdata"),
              {{QStringLiteral("Cultivar"), QStringLiteral("Kweek 000001 ë")},
               {QStringLiteral("Source"), QStringLiteral("NL")},
               {QStringLiteral("Kleur"), QStringLiteral("paars")}});
    const QByteArray before = fileHash(m_db->file());
    ParadoxImportOptions trial;
    trial.dryRun = true;
    const ParadoxImportResult tried = run(trial);
    QVERIFY(!tried.written && !tried.refused);
    QCOMPARE(fileHash(m_db->file()), before);
    QCOMPARE(ParadoxImport::reportLines(tried, trial).last(),
             QStringLiteral("Proefrun: er is niets geschreven."));

    const ParadoxImportResult done = ParadoxImport::run(m_db->database(), oldFolder(), {});
    QStringList triedLines = ParadoxImport::reportLines(tried, trial);
    QStringList doneLines = ParadoxImport::reportLines(done, {});
    triedLines.removeLast();
    doneLines.removeLast();
    QCOMPARE(triedLines, doneLines);
    QVERIFY(counts(done, QStringLiteral("Cdata")) == Counts({12, 11, 1, 0, 0}));
}

void TestParadoxImport::damagedTableChangesNothing()
{
    m_old.write(oldFolder());
    // The last table is cut short after the others were read fine.
    const QString cstdoogst = QDir(oldFolder()).filePath(QStringLiteral("Cstdoogst.DB"));
    QFile::resize(cstdoogst, QFileInfo(cstdoogst).size() - 4096);
    const QByteArray before = fileHash(m_db->file());
    try {
        ParadoxImport::run(m_db->database(), oldFolder(), {});
        QFAIL("a damaged table was read");
    } catch (const paradox::FormatError& e) {
        QVERIFY2(e.text().startsWith(QStringLiteral("Cstdoogst.DB: ")), qPrintable(e.text()));
    }
    QCOMPARE(fileHash(m_db->file()), before);

    // A memo pointer out of the memo file shows only when its record is read,
    // after other tables were written: they are rolled back.
    m_old.write(oldFolder());
    const test::OldTableData& cdata = m_old.table(QStringLiteral("Cdata"));
    int remarks = 0;
    int recordSize = 0;
    for (const paradox::Field& f : cdata.fields) {
        if (f.name == QLatin1String("Remarks"))
            remarks = recordSize;
        recordSize += f.size;
    }
    ParadoxWriter::changeBlock(
        QDir(oldFolder()).filePath(QStringLiteral("Cdata.DB")), 1, [&](QByteArray& block) {
            // Record 3 has its remarks in the memo file.
            char* pointer = block.data() + 6 + 2 * recordSize + remarks + 240;
            qToLittleEndian<quint32>(0x7FFFF0FF, pointer);
        });
    const QMap<QString, QByteArray> oldFiles = folderHashes(oldFolder());
    try {
        ParadoxImport::run(m_db->database(), oldFolder(), {});
        QFAIL("a bad memo pointer was read");
    } catch (const paradox::FormatError& e) {
        QVERIFY2(e.text().startsWith(QStringLiteral("Cdata.MB: veld Remarks van record 3")),
                 qPrintable(e.text()));
        QVERIFY2(e.text().contains(QStringLiteral("buiten het memobestand")), qPrintable(e.text()));
    }
    QCOMPARE(fileHash(m_db->file()), before);
    QCOMPARE(folderHashes(oldFolder()), oldFiles);
}

void TestParadoxImport::recordEditedByAnotherCopyIsLeftOut()
{
    m_db->add(QStringLiteral("Cdata"),
              {{QStringLiteral("Cultivar"), QStringLiteral("Kweek 000001 ë")},
               {QStringLiteral("Source"), QStringLiteral("NL")}});
    auto other = m_db->otherSession(QStringLiteral("anja"));
    db::Database& theirs = other->database(QLatin1String(test::TestDatabase::Alias));
    theirs.lockRecord(theirs.tableDef(QStringLiteral("Cdata")), {"Kweek 000001 ë", "NL"});

    const ParadoxImportResult result = run();
    QVERIFY(result.refused);
    QCOMPARE(result.leftOut.size(), 1);
    QCOMPARE(result.leftOut.first().reason, QStringLiteral("wordt nu bewerkt door anja"));
}

void TestParadoxImport::folderWithoutTables()
{
    QVERIFY(QDir().mkpath(oldFolder()));
    const ParadoxImportResult result = ParadoxImport::run(m_db->database(), oldFolder(), {});
    QVERIFY(result.tables.isEmpty() && !result.written);
    QVERIFY(!ParadoxImport::folderHoldsOldTables(oldFolder()));
    QVERIFY(ParadoxImport::reportLines(result, {}).first().startsWith(QStringLiteral("In ")));
}

QTEST_GUILESS_MAIN(TestParadoxImport)
#include "tst_paradoximport.moc"
