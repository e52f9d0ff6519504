#include "core/Locations.h"
#include "db/CsvReader.h"
#include "db/StandardDatabase.h"
#include "db/engine/AliasConfig.h"
#include "db/engine/EngineSession.h"
#include "db/engine/HostIdentity.h"
#include "db/engine/SqliteConnection.h"
#include "db/engine/SqliteDatabase.h"
#include "db/engine/TableView.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace kasplan;

// The standard database made on first start from the delivered data files.
class TestStandardDatabase : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void firstStartCreatesTheStandardDatabase();
    void deliveredRecords_data();
    void deliveredRecords();
    void secondStartLeavesChangesAlone();
    void existingDatabaseIsNeverOverwritten();
    void leftoversOfEndedCopiesAreRemoved();
    void csvReader_data();
    void csvReader();

private:
    QVariant stored(db::EngineSession& session, const QString& sql);
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestStandardDatabase::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("KASPLAN_HOME", m_home->path().toUtf8());
}

QVariant TestStandardDatabase::stored(db::EngineSession& session, const QString& sql)
{
    auto& d = static_cast<db::SqliteDatabase&>(
        session.database(QLatin1String(db::EngineSession::StandardAlias)));
    return d.connection().scalar(sql);
}

void TestStandardDatabase::firstStartCreatesTheStandardDatabase()
{
    db::EngineSession session;
    const QString folder = StandardDatabase::prepare(session);
    QCOMPARE(folder, Locations::standardDatabaseDir());
    QVERIFY(QFile::exists(QDir(folder).absoluteFilePath(QStringLiteral("cultivars.sqlite"))));
    // The location is in the engine configuration for the next start.
    QCOMPARE(db::AliasConfig().path(QStringLiteral("BROEI")), folder);
    // Nothing is left of the building.
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList({"cultivars.sqlite"}));

    QCOMPARE(stored(session, QStringLiteral("SELECT count(*) FROM Cdata")).toInt(), 22);
    QCOMPARE(stored(session, QStringLiteral("SELECT count(*) FROM Csizes")).toInt(), 44);
    QCOMPARE(stored(session, QStringLiteral("SELECT count(*) FROM Sizes")).toInt(), 4);
    QCOMPARE(stored(session, QStringLiteral("SELECT count(*) FROM Locaties")).toInt(), 4);
    QCOMPARE(stored(session, QStringLiteral("SELECT count(*) FROM Cdata WHERE Status <> "
                                            "'DLV/LBO'"))
                 .toInt(),
             0);
    QCOMPARE(stored(session, QStringLiteral("SELECT count(*) FROM Csizes WHERE Status <> "
                                            "'DLV/LBO'"))
                 .toInt(),
             0);
}

void TestStandardDatabase::deliveredRecords_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("remark with a comma")
        << "SELECT Remarks FROM Cdata WHERE Cultivar = 'Pulse'"
        << QVariant(QStringLiteral("12 wk koude 35 kasdagen, beste kwaliteit bij 14 wk; rest "
                                   "geschat"));
    QTest::newRow("colour") << "SELECT Kleur FROM Cdata WHERE Cultivar = 'Leen van der Mark'"
                            << QVariant(QStringLiteral("rood/wit"));
    QTest::newRow("cold days in days")
        << "SELECT Dk_p1 FROM Csizes WHERE Cultivar = 'Yellow Crown' AND Size = '12/+'"
        << QVariant(112);
    QTest::newRow("earliest G-stage, day and month")
        << "SELECT strftime('%d-%m', Gstagemin) FROM Csizes WHERE Cultivar = 'Brilliant Star' "
           "AND Size = '11/12'"
        << QVariant(QStringLiteral("25-07"));
    QTest::newRow("ice tulips") << "SELECT Kd_p_ice FROM Csizes WHERE Cultivar = 'Gander' AND "
                                   "Size = '11/12'"
                                << QVariant(39);
    QTest::newRow("frozen storage")
        << "SELECT Temp FROM Locaties WHERE Naam = 'Vriescel'" << QVariant(-2.0);
    QTest::newRow("no standard price") << "SELECT StdBroeiKprijs IS NULL FROM Sizes WHERE "
                                          "Size = '14/+'"
                                       << QVariant(1);
}

void TestStandardDatabase::deliveredRecords()
{
    QFETCH(QString, sql);
    QFETCH(QVariant, value);
    db::EngineSession session;
    StandardDatabase::prepare(session);
    QCOMPARE(stored(session, sql).toString(), value.toString());
}

void TestStandardDatabase::secondStartLeavesChangesAlone()
{
    {
        db::EngineSession session;
        StandardDatabase::prepare(session);
        db::TableView cdata(QStringLiteral("tbCdata"));
        cdata.setSession(&session);
        cdata.setDatabaseName(QStringLiteral("BROEI"));
        cdata.setTableName(QStringLiteral("Cdata"));
        cdata.open();
        QVERIFY(cdata.locate({QStringLiteral("Cultivar")}, {QStringLiteral("Negrita")}));
        cdata.edit();
        cdata.fieldByName(QStringLiteral("Kleur"))->setValue(QStringLiteral("zwart"));
        cdata.post();
    }
    db::EngineSession session;
    QVERIFY(!StandardDatabase::ensureCreated(StandardDatabase::prepare(session)));
    QCOMPARE(stored(session, QStringLiteral("SELECT Kleur FROM Cdata WHERE Cultivar = 'Negrita'"))
                 .toString(),
             QStringLiteral("zwart"));
}

void TestStandardDatabase::existingDatabaseIsNeverOverwritten()
{
    // 'BROEI' already points at a shared folder with a database in it.
    const QString shared = m_home->filePath(QStringLiteral("share/kas"));
    QDir().mkpath(shared);
    const QString file = QDir(shared).absoluteFilePath(QStringLiteral("cultivars.sqlite"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not ours to touch");
    }
    db::AliasConfig config;
    config.add(QStringLiteral("BROEI"), QStringLiteral("Paradox"), shared);
    QVERIFY(config.save());

    db::EngineSession session;
    QCOMPARE(StandardDatabase::prepare(session), shared);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("not ours to touch"));
    QVERIFY(!QFile::exists(Locations::standardDatabaseDir()));

    // A share without a database (not mounted, say) does not get one.
    QFile::remove(file);
    db::EngineSession later;
    QCOMPARE(StandardDatabase::prepare(later), shared);
    QVERIFY(QDir(shared).isEmpty());
}

// A copy killed while it built the database leaves its building file and
// journal behind; the next start removes them once their process is gone.
void TestStandardDatabase::leftoversOfEndedCopiesAreRemoved()
{
    QProcess ended;
    ended.start(QStringLiteral("true"), {});
    QVERIFY(ended.waitForStarted());
    const QString gone = QString::number(ended.processId());
    QVERIFY(ended.waitForFinished());
    const QString alive = QString::number(QCoreApplication::applicationPid());
    const QString host = db::HostIdentity::current(QStringLiteral("test")).hostId;

    const QString folder = Locations::standardDatabaseDir();
    QVERIFY(QDir().mkpath(folder));
    const QStringList removed = {
        ".cultivars.sqlite." + host + "." + gone + "-0123abcd.new",
        ".cultivars.sqlite." + host + "." + gone + "-0123abcd.new-journal",
        ".cultivars.sqlite." + gone + "-89abcdef.new", // an earlier version's name
    };
    const QStringList kept = {
        ".cultivars.sqlite." + host + "." + alive + "-0123abcd.new", // still building
        ".cultivars.sqlite.other-computer." + gone + "-0123abcd.new",
        "notes.new",
    };
    for (const QString& name : removed + kept) {
        QFile f(QDir(folder).filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("part of a database");
    }

    db::EngineSession session;
    StandardDatabase::prepare(session);
    QStringList expected = kept + QStringList{QStringLiteral("cultivars.sqlite")};
    expected.sort();
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    QCOMPARE(stored(session, QStringLiteral("SELECT count(*) FROM Cdata")).toInt(), 22);
}

void TestStandardDatabase::csvReader_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("lastField");
    QTest::newRow("plain") << QByteArray("a,b\n1,2\n") << true << "2";
    QTest::newRow("no final line break") << QByteArray("a,b\n1,2") << true << "2";
    QTest::newRow("quoted comma and quote")
        << QByteArray("a,b\r\n1,\"x, \"\"y\"\"\"\r\n") << true << "x, \"y\"";
    QTest::newRow("empty last field") << QByteArray("a,b\n1,\n") << true << "";
    QTest::newRow("open quote") << QByteArray("a,b\n1,\"x\n") << false << "";
    QTest::newRow("short row") << QByteArray("a,b\n1\n") << false << "";
}

void TestStandardDatabase::csvReader()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(QString, lastField);
    CsvReader csv;
    QCOMPARE(csv.parse(text), ok);
    if (ok) {
        QCOMPARE(csv.header(), QStringList({"a", "b"}));
        QCOMPARE(csv.rows().size(), 1);
        QCOMPARE(csv.rows().front().back(), lastField);
    } else {
        QVERIFY(!csv.error().isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestStandardDatabase)
#include "tst_standarddatabase.moc"
