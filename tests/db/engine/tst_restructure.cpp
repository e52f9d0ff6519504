#include "support/OtherCopy.h"
#include "support/TestDatabase.h"

#include "db/engine/EngineError.h"
#include "db/engine/EngineTable.h"
#include "db/engine/SqliteConnection.h"
#include "db/engine/SqliteDatabase.h"
#include "db/engine/TRestructure.h"
#include "db/engine/TableUtilities.h"

#include <QCryptographicHash>
#include <QTest>

using namespace kasplan;
using db::EngineError;
using db::ErrorKind;
using db::TDescOp;
using T = db::TdBasePxFieldType;

namespace {

// The failure of an action: its kind and text; kind Other and no text when
// it succeeded.
struct Failure
{
    ErrorKind kind = ErrorKind::Other;
    QString text;
};

Failure failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EngineError& e) {
        return {e.kind(), e.text()};
    }
    return {};
}

QStringList columnsOf(db::Database& database, const QString& table)
{
    QStringList names;
    for (const auto& row :
         database.select(QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table))
             .rows)
        names.append(row.value(0).toString());
    return names;
}

// The number of records and a hash of every value of the given columns, in
// row order.
QPair<int, QByteArray> contents(db::Database& database, const QString& table,
                                const QStringList& columns)
{
    QStringList quoted;
    for (const QString& c : columns)
        quoted.append(QLatin1Char('"') + c + QLatin1Char('"'));
    const auto result = database.select(QStringLiteral("SELECT %1 FROM \"%2\" ORDER BY rowid")
                                            .arg(quoted.join(QStringLiteral(", ")), table));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QVariantList& row : result.rows) {
        for (const QVariant& v : row)
            hash.addData((v.isNull() ? QStringLiteral("<null>") : v.toString()).toUtf8() + '|');
        hash.addData("\n");
    }
    return {int(result.rows.size()), hash.result()};
}

#define SQLITE_ONLY()                                                                              \
    if (test::TestDatabase::onServer())                                                            \
    QSKIP("the layout of a server database is not changed by the program")

} // namespace

// The restructure of a table and the table utilities on a folder database.
class TestRestructure : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void fieldIndexIgnoresCase();
    void fieldTypesFollowTheTableLevel_data();
    void fieldTypesFollowTheTableLevel();
    void inappropriateFieldGoesToTheHandler();
    void addedAlphaFieldHoldsItsLength();
    void everyRecordAndTheKeySurviveAPlainRestructure();
    void linksHoldAfterARestructure();
    void primaryIndex_data();
    void primaryIndex();
    void newPrimaryIndexMeetsDuplicateKeys();
    void renameOrDropField();
    void validityCheckGivesTheDefault();
    void languageDriverKeepsTheOrderIndex();
    void anotherCopyWithTheDatabaseOpenPreventsRestructure();
    void serverTableLayoutStaysAsItIs();

private:
    db::Database& database() { return m_db->database(); }
    std::unique_ptr<db::EngineTable> table(const QString& name, bool exclusive = true)
    {
        auto t = std::make_unique<db::EngineTable>(m_db->session());
        t->setDatabaseName(QLatin1String(test::TestDatabase::Alias));
        t->setTableName(name);
        t->setExclusive(exclusive);
        return t;
    }
    std::unique_ptr<db::TRestructure> restructure(const QString& name)
    {
        auto r = std::make_unique<db::TRestructure>(m_db->session());
        r->SetDatabaseName(QLatin1String(test::TestDatabase::Alias));
        r->SetTableName(name);
        return r;
    }
    db::SqliteDatabase& folder() { return static_cast<db::SqliteDatabase&>(database()); }

    std::unique_ptr<test::TestDatabase> m_db;
};

void TestRestructure::init()
{
    if (qstrcmp(QTest::currentTestFunction(), "serverTableLayoutStaysAsItIs") != 0)
        SQLITE_ONLY();
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
    m_db->addSampleRecords();
}

void TestRestructure::cleanup()
{
    m_db.reset();
}

void TestRestructure::fieldIndexIgnoresCase()
{
    const auto r = restructure(QStringLiteral("Cdata.DB"));
    QCOMPARE(r->TableType(), QStringLiteral("PARADOX"));
    QCOMPARE(r->FieldIndex(QStringLiteral("sk1")), r->FieldIndex(QStringLiteral("SK1")));
    QCOMPARE(r->FieldIndex(QStringLiteral("cultivar")), 1);
    QVERIFY(r->FieldIndex(QStringLiteral("SK1")) > 1);
    QCOMPARE(r->FieldIndex(QStringLiteral("CurrencyUnit")), 0);

    const Failure missing = failureOf([&] { restructure(QStringLiteral("Kbroei14")); });
    QCOMPARE(missing.text, QStringLiteral("Table could not be opened"));
}

void TestRestructure::fieldTypesFollowTheTableLevel_data()
{
    QTest::addColumn<QString>("tableType");
    QTest::addColumn<int>("level");
    QTest::addColumn<T>("type");
    QTest::addColumn<bool>("allowed");

    const QString px = QStringLiteral("PARADOX");
    const QString db = QStringLiteral("DBASE");
    QTest::newRow("alpha, level 3") << px << 3 << T::pxAlpha << true;
    QTest::newRow("memo, level 3") << px << 3 << T::pxMemo << false;
    QTest::newRow("memo, level 4") << px << 4 << T::pxMemo << true;
    QTest::newRow("logical, level 4") << px << 4 << T::pxLogical << false;
    QTest::newRow("logical, level 5") << px << 5 << T::pxLogical << true;
    QTest::newRow("unknown") << px << 7 << T::pxUnknown << false;
    QTest::newRow("dBASE type in Paradox") << px << 7 << T::dbCharacter << false;
    QTest::newRow("dBASE float, level 3") << db << 3 << T::dbFloat << false;
    QTest::newRow("dBASE float, level 4") << db << 4 << T::dbFloat << true;
    QTest::newRow("dBASE long, level 5") << db << 5 << T::dbLong << false;
    QTest::newRow("dBASE long, level 7") << db << 7 << T::dbLong << true;
    QTest::newRow("Paradox type in dBASE") << db << 7 << T::pxAlpha << false;
    QTest::newRow("another table type") << QStringLiteral("SERVER") << 7 << T::pxAlpha << false;
}

void TestRestructure::fieldTypesFollowTheTableLevel()
{
    QFETCH(QString, tableType);
    QFETCH(int, level);
    QFETCH(T, type);
    QFETCH(bool, allowed);
    QCOMPARE(db::TRestructure::FieldTypeAllowed(tableType, level, type), allowed);
}

void TestRestructure::inappropriateFieldGoesToTheHandler()
{
    const auto r = restructure(QStringLiteral("Cdata"));
    const int fields = int(r->Fields().size());
    r->Field = {QStringLiteral("Extra"), T::dbCharacter, 10, 0};

    // Without a handler nothing happens.
    r->AddFieldDesc();
    QCOMPARE(r->Fields().size(), fields);

    QStringList refused;
    r->OnFieldInappropriate = [&](db::TRestructure& sender, const db::TFieldDesc& field) {
        QCOMPARE(&sender, r.get());
        refused.append(field.Name);
    };
    r->AddFieldDesc();
    // A type level 7 takes but the engine cannot store counts as refused too.
    r->Field = {QStringLiteral("Stamp"), T::pxTimestamp, 0, 0};
    r->AddFieldDesc();
    QCOMPARE(refused, QStringList({QStringLiteral("Extra"), QStringLiteral("Stamp")}));
    r->DoRestructure();
    QVERIFY(!columnsOf(database(), QStringLiteral("Cdata")).contains(QStringLiteral("Extra")));
}

void TestRestructure::addedAlphaFieldHoldsItsLength()
{
    const auto r = restructure(QStringLiteral("Cdata"));
    r->Field = {QStringLiteral("Extra"), T::pxAlpha, 3, 0};
    r->AddFieldDesc();
    QCOMPARE(r->FieldIndex(QStringLiteral("extra")), int(r->Fields().size()));
    r->DoRestructure();

    const db::TableDef def = database().tableDef(QStringLiteral("Cdata"));
    QCOMPARE(def.fields.last().name, QStringLiteral("Extra"));
    QCOMPARE(def.fields.last().size, 3);
    QCOMPARE(r->FieldIndex(QStringLiteral("EXTRA")), int(def.fields.size()));
    // The length is a rule of the table now.
    QCOMPARE(failureOf([&] {
                 m_db->add(QStringLiteral("Cdata"),
                           {{QStringLiteral("Cultivar"), QStringLiteral("X")},
                            {QStringLiteral("Extra"), QStringLiteral("abcd")}});
             }).kind,
             ErrorKind::ValueTooLong);
}

void TestRestructure::everyRecordAndTheKeySurviveAPlainRestructure()
{
    for (int i = 0; i < 50; ++i)
        m_db->add(QStringLiteral("Csizes"),
                  {{QStringLiteral("Cultivar"), QStringLiteral("Apeldoorn")},
                   {QStringLiteral("Source"), QStringLiteral("NL")},
                   {QStringLiteral("Size"), QStringLiteral("s%1").arg(i)},
                   {QStringLiteral("Aantal"), i * 7},
                   {QStringLiteral("Prijs"), i / 3.0},
                   {QStringLiteral("Gstagemin"), QDate(2024, 1 + i % 12, 1 + i % 28)},
                   {QStringLiteral("Status"),
                    i % 2 ? QVariant(QStringLiteral("é%1").arg(i)) : QVariant()}});
    for (const QString& name : {QStringLiteral("Csizes"), QStringLiteral("Cdata")}) {
        const QStringList columns = columnsOf(database(), name);
        const auto before = contents(database(), name, columns);
        const db::TableDef defBefore = database().tableDef(name);

        const auto r = restructure(name);
        QCOMPARE(r->PrimaryIndexFieldCount, int(defBefore.primaryKey.size()));
        r->PackTable = true;
        r->DoRestructure();

        QCOMPARE(columnsOf(database(), name), columns);
        QCOMPARE(contents(database(), name, columns), before);
        const db::TableDef after = database().tableDef(name);
        QCOMPARE(after.primaryKey, defBefore.primaryKey);
        QCOMPARE(after.nonNegative, defBefore.nonNegative);
        QCOMPARE(r->PrimaryIndexFieldCount, int(after.primaryKey.size()));
    }
    // The order index is back: views still read in key order.
    auto view = m_db->view(QStringLiteral("Cdata"));
    view->open();
    QCOMPARE(view->fieldByName(QStringLiteral("Cultivar"))->asString(),
             QStringLiteral("Apeldoorn"));
}

void TestRestructure::linksHoldAfterARestructure()
{
    restructure(QStringLiteral("Csizes"))->DoRestructure();
    restructure(QStringLiteral("Cdata"))->DoRestructure();

    // The standard harvest of a size still keeps that size from going, and
    // the sizes still follow their cultivar.
    auto sizes = m_db->view(QStringLiteral("Csizes"));
    sizes->open();
    QVERIFY(sizes->locate(
        {QStringLiteral("Cultivar"), QStringLiteral("Source"), QStringLiteral("Size")},
        {QStringLiteral("Apeldoorn"), QStringLiteral("NL"), QStringLiteral("11/12")}));
    QCOMPARE(failureOf([&] { sizes->deleteRecord(); }).kind, ErrorKind::MasterHasDetails);
    QCOMPARE(failureOf([&] {
                 m_db->add(QStringLiteral("Csizes"),
                           {{QStringLiteral("Cultivar"), QStringLiteral("Nobody")},
                            {QStringLiteral("Size"), QStringLiteral("1")}});
             }).kind,
             ErrorKind::MasterMissing);

    auto cultivars = m_db->view(QStringLiteral("Cdata"));
    cultivars->open();
    QVERIFY(cultivars->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                              {QStringLiteral("Blenda"), QStringLiteral("NL")}));
    cultivars->deleteRecord();
    QCOMPARE(database()
                 .select(QStringLiteral("SELECT count(*) FROM Csizes WHERE Cultivar = 'Blenda'"))
                 .rows.front()
                 .value(0)
                 .toInt(),
             0);
}

void TestRestructure::primaryIndex_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("operation");
    QTest::addColumn<bool>("exclusive");
    QTest::addColumn<QString>("message"); // empty: no refusal
    QTest::addColumn<QStringList>("keyAfter");

    const QStringList sizeKey{QStringLiteral("Size")};
    const QStringList cdataKey{QStringLiteral("Cultivar"), QStringLiteral("Source")};
    QTest::newRow("table without a key gets one")
        << "Locaties" << 1 << 1 << true << "" << QStringList{QStringLiteral("Naam")};
    QTest::newRow("a key stays as it is") << "Cdata" << 1 << 1 << true << "" << cdataKey;
    QTest::newRow("modify sets it") << "Locaties" << 2 << 2 << true << ""
                                    << QStringList{QStringLiteral("Naam"), QStringLiteral("Temp")};
    QTest::newRow("count 0") << "Sizes" << 0 << 1 << true << "Field count must be greater than 0"
                             << sizeKey;
    QTest::newRow("not exclusive")
        << "Sizes" << 1 << 1 << false << "Table must be opened exclusively to change the index"
        << sizeKey;
    QTest::newRow("more fields than the table has")
        << "Locaties" << 7 << 1 << true
        << "Cannot specify more fields in an index than existing fields" << QStringList{};
}

void TestRestructure::primaryIndex()
{
    QFETCH(QString, table);
    QFETCH(int, count);
    QFETCH(int, operation);
    QFETCH(bool, exclusive);
    QFETCH(QString, message);
    QFETCH(QStringList, keyAfter);

    if (table == QLatin1String("Locaties")) {
        // A table without a key: drop the one the schema gives it.
        db::AddPrimaryIndex(*this->table(table), 1, TDescOp::Drop);
        QVERIFY(database().tableDef(table).primaryKey.isEmpty());
    }
    const QStringList columns = columnsOf(database(), table);
    const auto before = contents(database(), table, columns);
    const Failure failure = failureOf(
        [&] { db::AddPrimaryIndex(*this->table(table, exclusive), count, TDescOp(operation)); });
    QCOMPARE(failure.text, message);
    if (!message.isEmpty())
        QCOMPARE(failure.kind, ErrorKind::IndexRefused);
    QCOMPARE(database().tableDef(table).primaryKey, keyAfter);
    QCOMPARE(contents(database(), table, columns), before);
}

void TestRestructure::newPrimaryIndexMeetsDuplicateKeys()
{
    db::AddPrimaryIndex(*table(QStringLiteral("Cstdoogst")), 1, TDescOp::Drop);
    // Two records of one cultivar: a key on the cultivar alone breaks.
    const auto before = contents(database(), QStringLiteral("Cstdoogst"),
                                 columnsOf(database(), QStringLiteral("Cstdoogst")));
    const Failure failure = failureOf(
        [&] { db::AddPrimaryIndex(*table(QStringLiteral("Cstdoogst")), 1, TDescOp::Add); });
    QCOMPARE(failure.kind, ErrorKind::KeyViolation);
    QVERIFY(database().tableDef(QStringLiteral("Cstdoogst")).primaryKey.isEmpty());
    QCOMPARE(contents(database(), QStringLiteral("Cstdoogst"),
                      columnsOf(database(), QStringLiteral("Cstdoogst"))),
             before);
}

void TestRestructure::renameOrDropField()
{
    // Only the old name: renamed, values kept. Both: the old one dropped,
    // the new one's values kept. Neither: nothing.
    folder().alterTable(db::AddColumnStatement(
        QStringLiteral("Sizes.DB"), QStringLiteral("OldPrice"), QStringLiteral("MONEY")));
    folder().alterTable(db::AddColumnStatement(QStringLiteral("Sizes"), QStringLiteral("Spare"),
                                               QStringLiteral("INTEGER")));
    auto sizes = table(QStringLiteral("Sizes"));
    folder().connection().exec(
        QStringLiteral("UPDATE Sizes SET OldPrice = 1.5, StdBroeiKprijs = 2.5"));
    QVERIFY(db::RenameOrDropField(*sizes, QStringLiteral("OldPrice"), QStringLiteral("Price")));
    QVERIFY(!columnsOf(database(), QStringLiteral("Sizes")).contains(QStringLiteral("OldPrice")));
    QCOMPARE(database()
                 .select(QStringLiteral("SELECT count(*) FROM Sizes WHERE Price = 1.5"))
                 .rows.front()
                 .value(0)
                 .toInt(),
             3);

    QVERIFY(
        !db::RenameOrDropField(*sizes, QStringLiteral("Price"), QStringLiteral("stdbroeikprijs")));
    QCOMPARE(columnsOf(database(), QStringLiteral("Sizes")),
             QStringList({QStringLiteral("Size"), QStringLiteral("QtyUnit"),
                          QStringLiteral("Gebruikstype"), QStringLiteral("StdBroeiKprijs"),
                          QStringLiteral("Spare")}));
    QCOMPARE(database()
                 .select(QStringLiteral("SELECT count(*) FROM Sizes WHERE StdBroeiKprijs = 2.5"))
                 .rows.front()
                 .value(0)
                 .toInt(),
             3);
    QVERIFY(!db::RenameOrDropField(*sizes, QStringLiteral("Missing"), QStringLiteral("Other")));
    QCOMPARE(database().tableDef(QStringLiteral("Sizes")).primaryKey,
             QStringList{QStringLiteral("Size")});
}

void TestRestructure::validityCheckGivesTheDefault()
{
    auto cdata = table(QStringLiteral("Cdata"));
    db::SetValidityCheck(*cdata, QStringLiteral("Hoofdgroep"), false, 4, {}, {}, true, false,
                         false);
    // A maximum our tables cannot keep: passed over, nothing changes.
    db::SetValidityCheck(*cdata, QStringLiteral("Kleur"), true, {}, 10, {}, false, true, false);
    db::SetValidityCheck(*cdata, QStringLiteral("NoSuchField"), true, {}, {}, {}, false, false,
                         false);

    m_db->add(QStringLiteral("Cdata"), {{QStringLiteral("Cultivar"), QStringLiteral("New")}});
    const auto row = database()
                         .select(QStringLiteral("SELECT Hoofdgroep, Kleur FROM Cdata WHERE "
                                                "Cultivar = 'New'"))
                         .rows.front();
    QCOMPARE(row.value(0).toInt(), 4);
    QVERIFY(row.value(1).isNull());
    QCOMPARE(
        database().tableDef(QStringLiteral("Cdata")).defaults.value(QStringLiteral("Hoofdgroep")),
        QVariant(4));
}

void TestRestructure::languageDriverKeepsTheOrderIndex()
{
    folder().connection().exec(QStringLiteral("DROP INDEX \"Cdata_order\""));
    db::SetLanguageDriver(*table(QStringLiteral("Cdata.DB")));
    const auto index = database().select(
        QStringLiteral("SELECT sql FROM sqlite_schema WHERE name = 'Cdata_order'"));
    QCOMPARE(int(index.rows.size()), 1);
    QVERIFY(index.rows.front().value(0).toString().contains(QLatin1String("COLLATE NOCASE")));
}

void TestRestructure::anotherCopyWithTheDatabaseOpenPreventsRestructure()
{
    const QString exclusive = QStringLiteral("Table could not be opened for exclusive access");
    {
        test::OtherCopy other(m_db->location(), QStringLiteral("anna"), 60000, true);
        QVERIFY(other.ready());
        QCOMPARE(other.send({QStringLiteral("open"), QStringLiteral("Cdata")}),
                 QStringLiteral("ok"));

        const auto r = restructure(QStringLiteral("Cdata"));
        r->Field = {QStringLiteral("Extra"), T::pxAlpha, 3, 0};
        r->AddFieldDesc();
        const Failure refused = failureOf([&] { r->DoRestructure(); });
        QCOMPARE(refused.kind, ErrorKind::ExclusiveAccess);
        QCOMPARE(refused.text, exclusive);
        QCOMPARE(failureOf([&] { table(QStringLiteral("Cdata"))->open(); }).text, exclusive);
        QCOMPARE(failureOf([&] {
                     folder().alterTable(db::AddColumnStatement(QStringLiteral("Cdata"),
                                                                QStringLiteral("More"),
                                                                QStringLiteral("INTEGER")));
                 }).text,
                 exclusive);
        QVERIFY(!columnsOf(database(), QStringLiteral("Cdata")).contains(QStringLiteral("Extra")));
        // A copy that only shares the table is no hindrance.
        table(QStringLiteral("Cdata"), false)->open();

        // Killed, it cannot take its row away; being of this computer, it is
        // known to be gone at once.
        other.killHard();
        r->DoRestructure();
        QVERIFY(columnsOf(database(), QStringLiteral("Cdata")).contains(QStringLiteral("Extra")));
    }
    {
        test::OtherCopy other(m_db->location(), QStringLiteral("anna"), 60000, true);
        QVERIFY(other.ready());
        QCOMPARE(other.send({QStringLiteral("open"), QStringLiteral("Cdata")}),
                 QStringLiteral("ok"));
        QCOMPARE(failureOf([&] { restructure(QStringLiteral("Sizes"))->DoRestructure(); }).kind,
                 ErrorKind::ExclusiveAccess);
        // Closing, it withdraws.
        QVERIFY(other.quit());
    }
    restructure(QStringLiteral("Sizes"))->DoRestructure();
}

// On a server the program refuses every change of a table's layout, with its
// own message; nothing of the table changes.
void TestRestructure::serverTableLayoutStaysAsItIs()
{
    if (!test::TestDatabase::onServer())
        QSKIP("a server database only");
    const auto names = [this] {
        QStringList fields;
        for (const db::FieldDef& f : database().tableDef(QStringLiteral("Cdata")).fields)
            fields.append(f.name);
        return fields;
    };
    const QStringList before = names();
    const QString serverRefusal =
        QStringLiteral("The layout of a table on a database server is not changed by the program.");

    const auto r = restructure(QStringLiteral("Cdata.DB"));
    r->Field = {QStringLiteral("Extra"), T::pxAlpha, 10, 0};
    r->AddFieldDesc();
    const Failure restructured = failureOf([&] { r->DoRestructure(); });
    QVERIFY2(restructured.text.startsWith(serverRefusal), qPrintable(restructured.text));

    const auto cdata = table(QStringLiteral("Cdata.DB"));
    const Failure renamed = failureOf(
        [&] { db::RenameOrDropField(*cdata, QStringLiteral("Kleur"), QStringLiteral("Tint")); });
    QVERIFY2(renamed.text.startsWith(serverRefusal), qPrintable(renamed.text));

    // (A table that has its key already is left alone before that.)
    const Failure keyed = failureOf(
        [&] { db::AddPrimaryIndex(*table(QStringLiteral("Sizes")), 1, TDescOp::Modify); });
    QCOMPARE(int(keyed.kind), int(ErrorKind::IndexRefused));
    QCOMPARE(keyed.text, QStringLiteral("Table must be of type Paradox or dBASE 7"));

    // Swallows its errors, as it always did.
    db::SetValidityCheck(*cdata, QStringLiteral("Kleur"), true, QStringLiteral("rood"), {}, {},
                         true, false, false);
    QCOMPARE(names(), before);
}

QTEST_GUILESS_MAIN(TestRestructure)
#include "tst_restructure.moc"
