#include "app/TKPglobalDmod.h"

#include "core/AppGlobals.h"
#include "core/IniFile.h"
#include "core/TZHRegistry.h"
#include "db/CultivarSchema.h"
#include "db/engine/EngineError.h"
#include "db/engine/EngineSession.h"
#include "db/engine/SqliteDatabase.h"
#include "support/OldLayout.h"
#include "support/OtherCopy.h"
#include "widgets/TProgressBox.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

using namespace kasplan;
namespace OldLayout = test::OldLayout;

namespace {

const QString current = QStringLiteral("4.0.1.8");

// Notes the caption each time a window is shown.
class ShowRecorder : public QObject
{
public:
    QStringList shownCaptions;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && widget && widget->isWindow())
            shownCaptions.append(widget->windowTitle());
        return false;
    }
};

// Every table's statement in the file: what the layout is.
QStringList layoutOf(db::Database& database)
{
    QStringList sql;
    for (const auto& row :
         database
             .select(QStringLiteral("SELECT sql FROM sqlite_schema WHERE sql IS NOT NULL ORDER BY "
                                    "type, name"))
             .rows)
        sql.append(row.value(0).toString());
    return sql;
}

int countOf(db::Database& database, const QString& sql)
{
    return database.select(sql).rows.front().value(0).toInt();
}

QStringList todaysColumns(const QString& table)
{
    QStringList names;
    for (const db::FieldDef& f : CultivarSchema::table(table).fields)
        names.append(f.name);
    return names;
}

} // namespace

// The database upgrade of the global data module on databases of earlier
// layouts, built with SQL.
class TestUpgrade : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void statementsAsRun();
    void currentVersionTouchesNothing();
    void oldestLayoutBecomesTodays();
    void secondRunChangesNothing();
    void stdOogstType_data();
    void stdOogstType();
    void qtypermeter_data();
    void qtypermeter();
    void anotherCopyPostponesTheUpgrade();

private:
    QString databaseFolder() const { return m_home->filePath(QStringLiteral("database")); }
    QString databaseFile() const
    {
        return QDir(databaseFolder()).filePath(QLatin1String(db::SqliteDatabase::FileName));
    }
    void writeDatabase(const db::SchemaDef& schema, int cultivars = 40)
    {
        QDir().mkpath(databaseFolder());
        OldLayout::write(databaseFile(), schema, cultivars, 3);
    }
    void writeVersion(const QString& version)
    {
        IniFile(QDir(databaseFolder()).filePath(QStringLiteral("KPDBase.ini")))
            .WriteString(QStringLiteral("DBase"), QStringLiteral("Version"), version);
    }
    QString version() const
    {
        return IniFile(QDir(databaseFolder()).filePath(QStringLiteral("KPDBase.ini")))
            .ReadString(QStringLiteral("DBase"), QStringLiteral("Version"), QString());
    }
    // One start of the global data module on the database, as the program
    // makes it; answers its statements. The session stays open.
    QStringList start(QStringList* captions = nullptr);
    db::Database& database() { return m_session->database(QStringLiteral("BROEI")); }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TZHRegistry> m_store;
    std::unique_ptr<db::EngineSession> m_session;
};

void TestUpgrade::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("KASPLAN_HOME", m_home->path().toLocal8Bit());
    m_store = std::make_unique<TZHRegistry>();
    m_store->SetVersion(QStringLiteral("4.0"));
    m_session = std::make_unique<db::EngineSession>();
    m_session->ensureStandardAlias();
}

void TestUpgrade::cleanup()
{
    m_session.reset();
    m_store.reset();
    AppGlobals::Reset();
    qunsetenv("KASPLAN_HOME");
    m_home.reset();
}

QStringList TestUpgrade::start(QStringList* captions)
{
    TKPglobalDmodHooks hooks;
    hooks.OpenDatabase = [this](const QString& alias) { m_session->database(alias); };
    hooks.Session = [this] { return m_session.get(); };
    TKPglobalDmod dmod(*m_store, hooks);
    ShowRecorder shows;
    qApp->installEventFilter(&shows);
    try {
        dmod.KPglobalDmodCreate();
    } catch (...) {
        qApp->removeEventFilter(&shows);
        // The window and the hourglass go with the failure.
        if (!dmod.ProgressBox()->isHidden() || QApplication::overrideCursor())
            qFatal("the progress window or the hourglass stayed");
        throw;
    }
    qApp->removeEventFilter(&shows);
    if (captions)
        *captions = shows.shownCaptions;
    if (!shows.shownCaptions.isEmpty() && dmod.ProgressBox()->ProgressBar->value() != 90)
        qFatal("the bar did not stay at 90");
    return dmod.Statements();
}

void TestUpgrade::statementsAsRun()
{
    QCOMPARE(TKPglobalDmod::AddColumnSQL(QStringLiteral("Cdata.DB"), QStringLiteral("StdOogstType"),
                                         QStringLiteral("INTEGER")),
             QStringLiteral("ALTER TABLE \"Cdata\" \nADD COLUMN \"StdOogstType\" INTEGER"));
    QCOMPARE(
        TKPglobalDmod::DropColumnSQL(QStringLiteral("Cdata.DB"), QStringLiteral("CurrencyUnit")),
        QStringLiteral("ALTER TABLE \"Cdata\" \nDROP COLUMN \"CurrencyUnit\""));
    // Today's table refuses negative quantities, and so does the added column.
    QCOMPARE(TKPglobalDmod::AddColumnSQL(QStringLiteral("Csizes.DB"),
                                         QStringLiteral("Qtypermetermax"), QStringLiteral("FLOAT")),
             QStringLiteral("ALTER TABLE \"Csizes\" \nADD COLUMN \"Qtypermetermax\" FLOAT "
                            "CONSTRAINT \"min_Qtypermetermax\" CHECK (\"Qtypermetermax\" >= 0)"));
}

void TestUpgrade::currentVersionTouchesNothing()
{
    writeDatabase(OldLayout::oldestSchema());
    writeVersion(current);
    const QByteArray before = [&] {
        QFile f(databaseFile());
        return f.open(QIODevice::ReadOnly)
                   ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                   : QByteArray();
    }();
    QStringList captions;
    QCOMPARE(start(&captions), QStringList());
    QCOMPARE(captions, QStringList());
    m_session->closeDatabases();
    QFile f(databaseFile());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256), before);
}

void TestUpgrade::oldestLayoutBecomesTodays()
{
    writeDatabase(OldLayout::oldestSchema());
    writeVersion(current);
    m_store->WriteString(QStringLiteral("UpdateDBase"), QStringLiteral("1"));
    m_store->WriteInteger(QStringLiteral("DBaseVersion"), 3);

    // What must survive: every record, every value of the columns kept.
    const QStringList tables{QStringLiteral("Cdata"), QStringLiteral("Csizes"),
                             QStringLiteral("Cstdoogst"), QStringLiteral("Sizes"),
                             QStringLiteral("Locaties")};
    QMap<QString, QPair<int, QByteArray>> before;
    QMap<QString, QStringList> kept;
    for (const QString& t : tables) {
        QStringList cols = OldLayout::columns(database(), t);
        cols.removeAll(QStringLiteral("CurrencyUnit"));
        kept[t] = cols;
        before[t] = OldLayout::contents(database(), t, cols);
    }
    QVERIFY(before[QStringLiteral("Csizes")].first > 100);

    QStringList captions;
    const QStringList statements = start(&captions);
    QCOMPARE(captions, QStringList({QStringLiteral("Updaten local tables...."),
                                    QStringLiteral("Updaten database tables....")}));
    QVERIFY(!statements.isEmpty());
    QCOMPARE(version(), current);
    QVERIFY(!m_store->ValueExists(QStringLiteral("UpdateDBase")));
    QVERIFY(!m_store->ValueExists(QStringLiteral("DBaseVersion")));

    for (const QString& t : tables) {
        QCOMPARE(OldLayout::columns(database(), t), todaysColumns(t));
        QStringList cols = kept[t];
        cols.replaceInStrings(QStringLiteral("Qtypermeter"), QStringLiteral("Qtypermetermin"));
        QCOMPARE(OldLayout::contents(database(), t, cols), before[t]);
    }
    const db::TableDef sizes = database().tableDef(QStringLiteral("Sizes"));
    QCOMPARE(sizes.primaryKey, QStringList{QStringLiteral("Size")});
    // The rules of today's tables hold in the upgraded ones.
    const db::TableDef csizes = database().tableDef(QStringLiteral("Csizes"));
    for (const char* f : {"Qtypermetermin", "Qtypermetermax"})
        QVERIFY(csizes.nonNegative.contains(QLatin1String(f)));
    QCOMPARE(csizes.field(QStringLiteral("Locatie_broei"))->size, 20);
    QCOMPARE(database().tableDef(QStringLiteral("Cdata")).field(QStringLiteral("SK4"))->size, 3);
}

void TestUpgrade::secondRunChangesNothing()
{
    writeDatabase(OldLayout::oldestSchema());
    start();
    const QStringList layout = layoutOf(database());
    QMap<QString, QPair<int, QByteArray>> before;
    for (const QString& t : {QStringLiteral("Cdata"), QStringLiteral("Csizes")})
        before[t] = OldLayout::contents(database(), t, OldLayout::columns(database(), t));

    m_store->WriteString(QStringLiteral("UpdateDBase"), QStringLiteral("1"));
    QStringList captions;
    QCOMPARE(start(&captions), QStringList());
    QCOMPARE(captions.size(), 2);
    QCOMPARE(layoutOf(database()), layout);
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QCOMPARE(
            OldLayout::contents(database(), it.key(), OldLayout::columns(database(), it.key())),
            it.value());
    QVERIFY(!m_store->ValueExists(QStringLiteral("UpdateDBase")));
    QCOMPARE(version(), current);
}

void TestUpgrade::stdOogstType_data()
{
    QTest::addColumn<bool>("present");
    QTest::newRow("added") << false;
    QTest::newRow("present") << true;
}

void TestUpgrade::stdOogstType()
{
    QFETCH(bool, present);
    db::SchemaDef schema = OldLayout::oldestSchema();
    if (present)
        OldLayout::addField(schema, QStringLiteral("Cdata"),
                            {QStringLiteral("StdOogstType"), db::FieldType::Long, 0, false});
    writeDatabase(schema);
    const int cultivars = countOf(database(), QStringLiteral("SELECT count(*) FROM Cdata"));
    const QPair<int, QByteArray> values =
        present ? OldLayout::contents(database(), QStringLiteral("Cdata"),
                                      {QStringLiteral("StdOogstType")})
                : QPair<int, QByteArray>();
    if (present)
        QVERIFY(countOf(database(),
                        QStringLiteral("SELECT count(*) FROM Cdata WHERE StdOogstType > 0")) > 0);

    start();
    if (present) {
        QCOMPARE(OldLayout::contents(database(), QStringLiteral("Cdata"),
                                     {QStringLiteral("StdOogstType")}),
                 values);
        return;
    }
    QCOMPARE(
        countOf(database(), QStringLiteral("SELECT count(*) FROM Cdata WHERE StdOogstType = 0")),
        cultivars);
    // A new record names no type: 0.
    database().insertRow(database().tableDef(QStringLiteral("Cdata")), {QStringLiteral("Cultivar")},
                         {QStringLiteral("Nieuw")});
    QCOMPARE(countOf(database(),
                     QStringLiteral("SELECT StdOogstType FROM Cdata WHERE Cultivar = 'Nieuw'")),
             0);
    QCOMPARE(countOf(database(),
                     QStringLiteral("SELECT count(*) FROM Cdata WHERE StdOogstType IS NULL")),
             0);
}

void TestUpgrade::qtypermeter_data()
{
    QTest::addColumn<bool>("withMin");
    QTest::newRow("only the old name") << false;
    QTest::newRow("both names") << true;
}

void TestUpgrade::qtypermeter()
{
    QFETCH(bool, withMin);
    db::SchemaDef schema = OldLayout::oldestSchema();
    if (withMin)
        OldLayout::addField(schema, QStringLiteral("Csizes"),
                            {QStringLiteral("Qtypermetermin"), db::FieldType::Number, 0, false});
    writeDatabase(schema);
    const QString kept = withMin ? QStringLiteral("Qtypermetermin") : QStringLiteral("Qtypermeter");
    const auto values =
        OldLayout::contents(database(), QStringLiteral("Csizes"),
                            {QStringLiteral("Cultivar"), QStringLiteral("Size"), kept});
    const auto oldValues = OldLayout::contents(
        database(), QStringLiteral("Csizes"),
        {QStringLiteral("Cultivar"), QStringLiteral("Size"), QStringLiteral("Qtypermeter")});
    QVERIFY(withMin ? values != oldValues : values == oldValues);

    start();
    const QStringList columns = OldLayout::columns(database(), QStringLiteral("Csizes"));
    QVERIFY(!columns.contains(QStringLiteral("Qtypermeter")));
    QCOMPARE(OldLayout::contents(database(), QStringLiteral("Csizes"),
                                 {QStringLiteral("Cultivar"), QStringLiteral("Size"),
                                  QStringLiteral("Qtypermetermin")}),
             values);
    QCOMPARE(countOf(database(), QStringLiteral("SELECT count(*) FROM Csizes WHERE Qtypermetermax "
                                                "IS NOT NULL")),
             0);
}

void TestUpgrade::anotherCopyPostponesTheUpgrade()
{
    writeDatabase(OldLayout::oldestSchema());
    writeVersion(QStringLiteral("3.1.0.2"));
    const QStringList layout = layoutOf(database());
    m_session->closeDatabases();
    {
        test::OtherCopy other(databaseFolder(), QStringLiteral("anna"), 60000, true);
        QVERIFY(other.ready());
        QCOMPARE(other.send({QStringLiteral("open"), QStringLiteral("Cdata")}),
                 QStringLiteral("ok"));
        QString refusal;
        try {
            start();
        } catch (const db::EngineError& e) {
            refusal = e.text();
        }
        QCOMPARE(refusal, QStringLiteral("Table could not be opened for exclusive access"));
        // Still due: the version stays, nothing changed.
        QCOMPARE(version(), QStringLiteral("3.1.0.2"));
        QCOMPARE(layoutOf(database()), layout);
        QVERIFY(other.quit());
    }
    // The next start, alone, upgrades.
    start();
    QCOMPARE(version(), current);
    QCOMPARE(OldLayout::columns(database(), QStringLiteral("Csizes")),
             todaysColumns(QStringLiteral("Csizes")));
}

QTEST_MAIN(TestUpgrade)
#include "tst_upgrade.moc"
