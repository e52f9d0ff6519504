#include "db/engine/SqliteConnection.h"
#include "db/engine/SqliteSchema.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// `kasplan schedule --cultivar` reads its size record from the cultivar
// database in use; on a first start that is the new standard database.
class TestScheduleCultivar : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void scheduleFromStandardDatabase();
    void unknownRecordsAreRefused_data();
    void unknownRecordsAreRefused();
    void aFailedLookUpChangesNothing_data();
    void aFailedLookUpChangesNothing();
    void anEmptyDatabaseMakesWayForTheStandardOne_data();
    void anEmptyDatabaseMakesWayForTheStandardOne();

private:
    struct Run
    {
        int exitCode;
        QByteArray out;
        QByteArray err;
    };
    Run run(const QStringList& arguments);
    QString databaseFile() const;
    void writeFile(const QString& name, const QByteArray& content);
    // Every folder and file below the home, with the files' content.
    QMap<QString, QByteArray> snapshot() const;

    std::unique_ptr<QTemporaryDir> home;
};

namespace {

const QStringList ApeldoornLookUp{"--cultivar", "Apeldoorn", "--size",    "12/+",
                                  "--season",   "2025",      "--cooling", "2025-10-01"};

QByteArray fileContent(const QString& name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

void TestScheduleCultivar::init()
{
    home = std::make_unique<QTemporaryDir>();
    QVERIFY(home->isValid());
}

TestScheduleCultivar::Run TestScheduleCultivar::run(const QStringList& arguments)
{
    QProcess program;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KASPLAN_HOME"), home->path());
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KASPLAN_PROGRAM),
                  QStringList{QStringLiteral("schedule")} + arguments);
    if (!program.waitForFinished(60000))
        return {-1, {}, {}};
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            program.readAllStandardOutput(), program.readAllStandardError()};
}

QString TestScheduleCultivar::databaseFile() const
{
    return home->filePath(QStringLiteral("database/cultivars.sqlite"));
}

void TestScheduleCultivar::writeFile(const QString& name, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(name).absolutePath());
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(content), content.size());
}

QMap<QString, QByteArray> TestScheduleCultivar::snapshot() const
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(home->path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        entries.insert(QDir(home->path()).relativeFilePath(info.filePath()),
                       info.isDir() ? QByteArray("<folder>") : fileContent(info.filePath()));
    }
    return entries;
}

void TestScheduleCultivar::scheduleFromStandardDatabase()
{
    for (const QStringList& source : {QStringList{}, QStringList{"--source", "NL"}}) {
        const Run result = run(ApeldoornLookUp + source);
        QCOMPARE(result.exitCode, 0);
        const QJsonObject schedule = QJsonDocument::fromJson(result.out).object();
        // Delivered: cold days 105/98/91/84, greenhouse days 30/26/22/18,
        // Gstagemin 5 August.
        QCOMPARE(schedule.value("housing").toString(), QStringLiteral("2026-01-07"));
        QCOMPARE(schedule.value("cold_days").toInt(), 98);
        QCOMPARE(schedule.value("greenhouse_days").toInt(), 26);
        QCOMPARE(schedule.value("harvest_end").toString(), QStringLiteral("2026-02-01"));
        QCOMPARE(schedule.value("gstage_days").toInt(), 57);
        QVERIFY(QFile::exists(databaseFile()));
    }
}

void TestScheduleCultivar::unknownRecordsAreRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no such cultivar")
        << QStringList{"--cultivar", "Bestaat niet", "--size", "12/+"};
    QTest::newRow("no such size") << QStringList{"--cultivar", "Apeldoorn", "--size", "99/+"};
    QTest::newRow("no such source")
        << QStringList{"--cultivar", "Apeldoorn", "--size", "12/+", "--source", "XX"};
}

void TestScheduleCultivar::unknownRecordsAreRefused()
{
    QFETCH(QStringList, arguments);
    const Run result = run(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.isEmpty());
    QCOMPARE(result.err.count('\n'), 1);
}

void TestScheduleCultivar::aFailedLookUpChangesNothing_data()
{
    QTest::addColumn<QString>("damage");  // of the standard database, or "chosen" for another
    QTest::addColumn<QString>("message"); // the line on standard error; empty: succeeds

    const QString failed = QStringLiteral("Cultivar Database BROEI kon niet geopened worden: ");
    QTest::newRow("not a database") << "garbage" << failed + "file is not a database: DATABASE";
    QTest::newRow("cut short") << "truncated"
                               << failed + "database disk image is malformed: DATABASE";
    QTest::newRow("a folder in its place")
        << "folder" << failed + "The database file is a folder: DATABASE";
    QTest::newRow("tables missing")
        << "no Cdata" << failed + "Table does not exist: Cdata: DATABASE";
    // The chosen location fails, the standard database takes over; the
    // choice stays for the window to deal with.
    QTest::newRow("chosen location not a database") << "chosen" << QString();
}

// The version file, the settings, the engine configuration and the database
// stay as they were, byte for byte, whatever the look-up met.
void TestScheduleCultivar::aFailedLookUpChangesNothing()
{
    QFETCH(QString, damage);
    QFETCH(QString, message);

    QCOMPARE(run(ApeldoornLookUp).exitCode, 0); // the standard database and its location
    writeFile(home->filePath(QStringLiteral("database/KPDBase.ini")),
              "[DBase]\r\nVersion=4.0.1.8\r\n");
    const QString chosen = home->filePath(QStringLiteral("elsewhere"));
    writeFile(home->filePath(QStringLiteral(
                  "machine-settings/Software/Zandhof Services/Kasplan/4.0/values.json")),
              QStringLiteral(R"({"Version": {"type": "string", "data": "4.0"},
                  "UseKasplanCdata": {"type": "integer", "data": 1},
                  "KasplanTypeCdata": {"type": "integer", "data": 2},
                  "KasplanDBasePath": {"type": "string", "data": "%1"}})")
                  .arg(chosen)
                  .toUtf8());
    const QByteArray database = fileContent(databaseFile());
    if (damage == QLatin1String("garbage")) {
        writeFile(databaseFile(), QByteArray(8192, '\x5a'));
    } else if (damage == QLatin1String("truncated")) {
        writeFile(databaseFile(), database.left(database.size() / 2));
    } else if (damage == QLatin1String("folder")) {
        QVERIFY(QFile::remove(databaseFile()));
        QVERIFY(QDir().mkpath(databaseFile()));
    } else if (damage == QLatin1String("no Cdata")) {
        kasplan::db::SqliteConnection c(databaseFile(), false, 1000);
        c.exec(QStringLiteral("DROP TABLE Cstdoogst; DROP TABLE Csizes; DROP TABLE Cdata"));
    } else {
        writeFile(chosen + QStringLiteral("/cultivars.sqlite"), QByteArray(8192, '\x5a'));
    }
    const QMap<QString, QByteArray> before = snapshot();

    const Run result = run(ApeldoornLookUp);
    if (message.isEmpty()) {
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(QJsonDocument::fromJson(result.out).object().value("cold_days").toInt(), 98);
    } else {
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(QString::fromUtf8(result.err),
                 "kasplan schedule: " + message.replace("DATABASE", databaseFile()) + "\n");
    }
    const QMap<QString, QByteArray> after = snapshot();
    QCOMPARE(after.keys(), before.keys());
    for (auto it = before.begin(); it != before.end(); ++it)
        QVERIFY2(after.value(it.key()) == it.value(), qPrintable(it.key()));
}

void TestScheduleCultivar::anEmptyDatabaseMakesWayForTheStandardOne_data()
{
    QTest::addColumn<bool>("bookkeepingTables");
    QTest::newRow("zero bytes") << false;
    // What an earlier version made of a zero-byte file.
    QTest::newRow("only the engine's own tables") << true;
}

void TestScheduleCultivar::anEmptyDatabaseMakesWayForTheStandardOne()
{
    QFETCH(bool, bookkeepingTables);
    writeFile(databaseFile(), {});
    if (bookkeepingTables) {
        kasplan::db::SqliteConnection c(databaseFile(), false, 1000);
        for (const QString& sql : kasplan::db::SqliteSchema::bookkeepingStatements())
            c.exec(sql);
    }
    const QByteArray empty = fileContent(databaseFile());

    const Run result = run(ApeldoornLookUp);
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(result.out).object().value("cold_days").toInt(), 98);
    QCOMPARE(QDir(home->filePath(QStringLiteral("database"))).entryList(QDir::Files | QDir::Hidden),
             QStringList{"cultivars.sqlite"});
    const QDir backups(home->filePath(QStringLiteral("program/backups")));
    const QStringList kept = backups.entryList({QStringLiteral("cultivars.sqlite.*.empty")});
    QCOMPARE(kept.size(), 1);
    QCOMPARE(fileContent(backups.filePath(kept.front())), empty);
}

QTEST_GUILESS_MAIN(TestScheduleCultivar)
#include "tst_schedulecultivar.moc"
