#include "support/TestDatabase.h"

#include "db/engine/AliasConfig.h"
#include "db/engine/EngineError.h"
#include "db/engine/FloatFormat.h"
#include "db/engine/SqliteConnection.h"
#include "db/engine/SqliteDatabase.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace kasplan;
using kasplan::db::EngineError;
using kasplan::db::ErrorKind;

namespace {

ErrorKind failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EngineError& e) {
        return e.kind();
    }
    return ErrorKind::Other;
}

} // namespace

// The database connection, its configuration and the engine session.
class TestEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void connectionIsSafeForSharedFolders();
    void writeAheadLogIsConvertedOrRefused();
    void locationsAreKeptInTheConfiguration();
    void damagedConfigurationIsKeptAside_data();
    void damagedConfigurationIsKeptAside();
    void missingThingsAreReported();
    void filesThatHoldNoDatabaseAreLeftAlone_data();
    void filesThatHoldNoDatabaseAreLeftAlone();
    void displayFormats_data();
    void displayFormats();
};

void TestEngine::connectionIsSafeForSharedFolders()
{
    test::TestDatabase t;
    auto& sqlite = static_cast<db::SqliteDatabase&>(t.database());
    db::SqliteConnection& c = sqlite.connection();
    QCOMPARE(c.scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("delete"));
    QCOMPARE(c.scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 2); // FULL
    QCOMPARE(c.scalar(QStringLiteral("PRAGMA foreign_keys")).toInt(), 1);
    // One connection per folder, shared by every view on it.
    QCOMPARE(&t.session().databaseAt(t.folder()), &t.database());
}

void TestEngine::writeAheadLogIsConvertedOrRefused()
{
    test::TestDatabase t;
    const QByteArray file = t.file().toUtf8();
    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open(file.constData(), &raw), SQLITE_OK);
    QCOMPARE(sqlite3_exec(raw,
                          "PRAGMA journal_mode=WAL; CREATE TABLE x(a); INSERT INTO x VALUES(1)",
                          nullptr, nullptr, nullptr),
             SQLITE_OK);

    // While another program holds it open in that mode, it is refused.
    QCOMPARE(sqlite3_exec(raw, "BEGIN; SELECT * FROM x", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto open = [&] {
        db::SqliteDatabase::Options options;
        options.busyTimeoutMs = 100;
        db::SqliteDatabase d(t.file(), options);
        return d.connection().scalar(QStringLiteral("PRAGMA journal_mode")).toString();
    };
    QCOMPARE(failureOf([&] { open(); }), ErrorKind::JournalMode);
    sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(raw);

    // Alone, it is converted to a rollback journal.
    QCOMPARE(open(), QStringLiteral("delete"));
    QVERIFY(!QFile::exists(t.file() + QStringLiteral("-wal")));
}

void TestEngine::locationsAreKeptInTheConfiguration()
{
    QTemporaryDir dir;
    qputenv("KASPLAN_HOME", dir.path().toUtf8());
    QCOMPARE(db::AliasConfig::defaultFile(), dir.filePath(QStringLiteral("engine/engine.cfg")));

    db::AliasConfig config;
    QVERIFY(config.aliasNames().isEmpty());
    config.add(QStringLiteral("BROEI"), QStringLiteral("Paradox"), QStringLiteral("/srv/kas/db"));
    config.add(QStringLiteral("UserCDataLoc"), QStringLiteral("Paradox"), QStringLiteral("/tmp/x"));
    QVERIFY(config.save());
    config.remove(QStringLiteral("usercdataloc"));
    QVERIFY(!config.contains(QStringLiteral("UserCDataLoc")));

    db::AliasConfig reread;
    QCOMPARE(reread.aliasNames(), QStringList({"BROEI", "UserCDataLoc"}));
    QCOMPARE(reread.params(QStringLiteral("broei")).value(0), QStringLiteral("PATH=/srv/kas/db"));
    QCOMPARE(reread.driver(QStringLiteral("BROEI")), QStringLiteral("Paradox"));

    // The session registers the standard location only when it is missing.
    db::EngineSession session;
    QCOMPARE(session.ensureStandardAlias(), QStringLiteral("/srv/kas/db"));
    session.aliases().remove(QStringLiteral("BROEI"));
    QCOMPARE(session.ensureStandardAlias(), dir.filePath(QStringLiteral("database")));
    QCOMPARE(db::AliasConfig().path(QStringLiteral("BROEI")),
             dir.filePath(QStringLiteral("database")));
    session.addPassword(QStringLiteral("7K4M"));
    QCOMPARE(session.passwords(), QStringList({"7K4M"}));
}

void TestEngine::damagedConfigurationIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("damaged");
    QTest::newRow("as written") << QByteArray("; c\r\n[BROEI]\r\nTYPE=Paradox\r\nPATH=/srv/kas\r\n")
                                << false;
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe[BROEI]\x01", 9) << true;
    QTest::newRow("not UTF-8") << QByteArray("[HORTIDB]\nPATH=/srv/k\xe4s\n") << true;
    QTest::newRow("line without =") << QByteArray("[BROEI]\nPATH /srv/kas\n") << true;
    QTest::newRow("value before any alias") << QByteArray("PATH=/srv/kas\n") << true;
    QTest::newRow("unknown parameter")
        << QByteArray("[BROEI]\nPATH=/srv/kas\nLANGDRIVER=ascii\n") << true;
}

void TestEngine::damagedConfigurationIsKeptAside()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, damaged);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("engine.cfg"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    db::AliasConfig config(file);
    QCOMPARE(config.damaged(), damaged);
    config.add(QStringLiteral("UserCDataLoc"), QStringLiteral("Paradox"), dir.path());
    QVERIFY(config.save());

    QFile kept(file + QStringLiteral(".damaged"));
    QCOMPARE(kept.exists(), damaged);
    if (damaged) {
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), content);
    }
    // The new file is understood, so a later save keeps nothing aside again.
    QVERIFY(!db::AliasConfig(file).damaged());
    QCOMPARE(db::AliasConfig(file).path(QStringLiteral("UserCDataLoc")), dir.path());
}

void TestEngine::missingThingsAreReported()
{
    test::TestDatabase t;
    db::EngineSession& session = t.session();
    QCOMPARE(failureOf([&] { session.database(QStringLiteral("NOPE")); }), ErrorKind::UnknownAlias);

    const QString empty = QDir(t.folder()).absoluteFilePath(QStringLiteral("empty"));
    QDir().mkpath(empty);
    session.aliases().add(QStringLiteral("EMPTY"), QStringLiteral("Paradox"), empty);
    QCOMPARE(failureOf([&] { session.database(QStringLiteral("EMPTY")); }),
             ErrorKind::DatabaseMissing);
    // Opening does not leave an empty database behind.
    QVERIFY(QDir(empty).isEmpty());

    db::TableView missing(QStringLiteral("OldCdata"));
    missing.setSession(&session);
    missing.setDatabaseName(QLatin1String(test::TestDatabase::Alias));
    missing.setTableName(QStringLiteral("Kbroei14"));
    try {
        missing.open();
        QFAIL("a missing table opened");
    } catch (const EngineError& e) {
        QCOMPARE(e.kind(), ErrorKind::TableMissing);
        QVERIFY(e.text().startsWith(QLatin1String("Table does not exist")));
    }
    QVERIFY(!missing.isActive());

    // A declared field that the table lacks keeps the view closed.
    auto view = t.view(QStringLiteral("Sizes"));
    view->addField({QStringLiteral("Kleurcode"), db::FieldType::Alpha, 3, false});
    QCOMPARE(failureOf([&] { view->open(); }), ErrorKind::FieldNotFound);
    QVERIFY(!view->isActive());
}

void TestEngine::filesThatHoldNoDatabaseAreLeftAlone_data()
{
    QTest::addColumn<QByteArray>("content"); // of cultivars.sqlite; "folder" makes a folder
    QTest::addColumn<QString>("reason");
    QTest::newRow("zero bytes") << QByteArray() << "The database file holds no tables.";
    QTest::newRow("not a database") << QByteArray(4096, 'x') << "file is not a database.";
    QTest::newRow("folder") << QByteArray("folder") << "The database file is a folder.";
}

// An empty file must not become a database of the engine's own tables only,
// and a damaged one must not be written to: both are reported with the file.
void TestEngine::filesThatHoldNoDatabaseAreLeftAlone()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString file = dir.filePath(QLatin1String(db::SqliteDatabase::FileName));
    if (content == "folder") {
        QVERIFY(QDir().mkpath(file));
    } else {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    db::EngineSession session(dir.filePath(QStringLiteral("engine.cfg")));
    try {
        session.databaseAt(dir.path());
        QFAIL("opened");
    } catch (const EngineError& e) {
        QCOMPARE(e.kind(), ErrorKind::NotADatabase);
        QCOMPARE(e.text(), reason + QStringLiteral("\nFile: ") + file);
    }
    if (content != "folder") {
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QLatin1String(db::SqliteDatabase::FileName)});
}

void TestEngine::displayFormats_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("containers") << "#0.###" << 2.5 << "2,5";
    QTest::newRow("whole containers") << "#0.###" << 2.0 << "2";
    QTest::newRow("three decimals at most") << "#0.###" << 1.23456 << "1,235";
    QTest::newRow("zero keeps its digit") << "#0.###" << 0.0 << "0";
    QTest::newRow("pieces per metre") << "#0" << 17.5 << "18";
    QTest::newRow("half week") << "#.#" << 0.5 << ",5";
    QTest::newRow("no weeks") << "#.#" << 0.0 << "";
    QTest::newRow("negative") << "#0.###" << -50.25 << "-50,25";
    QTest::newRow("thousands") << "#,##0.00" << 1234567.891 << "1.234.567,89";
}

void TestEngine::displayFormats()
{
    QFETCH(QString, picture);
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(db::formatFloat(picture, value, QLocale(QLocale::Dutch, QLocale::Netherlands)), text);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
