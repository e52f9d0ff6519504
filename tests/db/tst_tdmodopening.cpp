#include "core/IniFile.h"
#include "core/Locations.h"
#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "db/StandardDatabase.h"
#include "db/TDMod.h"
#include "db/engine/EngineSession.h"
#include "db/engine/PgConnection.h"
#include "db/engine/TableView.h"
#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QUuid>

using namespace kasplan;

// Opening the cultivar database where the settings say, and falling back.
class TestTDModOpening : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void firstStartOpensTheStandardDatabase();
    void chosenFolderIsBoundToUserAlias();
    void failingChosenLocationFallsBack_data();
    void failingChosenLocationFallsBack();
    void failingStandardDatabaseIsReported();
    void chosenServerOpensOrFallsBack_data();
    void chosenServerOpensOrFallsBack();

private:
    QStringList openViews() const;
    QString standardFolder() const { return m_session->aliasPath(QStringLiteral("BROEI")); }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<db::EngineSession> m_session;
    std::unique_ptr<TDMod> m_dmod;
};

void TestTDModOpening::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    qputenv("KASPLAN_HOME", m_home->path().toUtf8());
    TZHRegistry::install(nullptr);
    m_session = std::make_unique<db::EngineSession>();
    StandardDatabase::prepare(*m_session);
    m_dmod = std::make_unique<TDMod>(*m_session);
}

void TestTDModOpening::cleanup()
{
    m_dmod.reset();
    m_session.reset();
    TZHRegistry::install(nullptr);
    m_home.reset();
}

QStringList TestTDModOpening::openViews() const
{
    QStringList open;
    for (db::DataSet* v : m_dmod->views()) {
        if (v->isActive())
            open.append(v->name());
    }
    return open;
}

void TestTDModOpening::firstStartOpensTheStandardDatabase()
{
    ScopedScriptedPrompts prompts;
    QSignalSpy units(m_dmod.get(), &TDMod::PeriodUnitsChanged);
    m_dmod->DataModuleCreate();
    QCOMPARE(prompts->texts(), QStringList());
    QCOMPARE(m_dmod->DatabaseAlias(), QStringLiteral("BROEI"));
    QCOMPARE(openViews(), QStringList({"tbCdata", "tbCsizes", "tbAllCsizes", "tbCstdOogst",
                                       "tbSizes", "SizesQuery"}));
    QVERIFY(!m_dmod->tbCdata()->filtered());
    QCOMPARE(m_dmod->tbCdata()->recordCount(), 22);
    QCOMPARE(m_dmod->TussenTunit(), 7);
    QCOMPARE(m_dmod->Kperiodunit(), 7);
    QCOMPARE(units.size(), 2);
    QCOMPARE(units.last()[0].toString(), QStringLiteral("Weken 20oC na G"));
    QCOMPARE(m_session->netFileDir(), standardFolder());
}

void TestTDModOpening::chosenFolderIsBoundToUserAlias()
{
    QTemporaryDir other;
    QVERIFY(StandardDatabase::ensureCreated(other.path()));
    TZHRegistry::current().WriteBool(QStringLiteral("UseKasplanCdata"), true);
    TZHRegistry::current().WriteInteger(QStringLiteral("KasplanTypeCdata"), 2);
    TZHRegistry::current().WriteString(QStringLiteral("KasplanDBasePath"), other.path());
    ScopedScriptedPrompts prompts;
    m_dmod->DataModuleCreate();
    QCOMPARE(prompts->texts(), QStringList());
    QCOMPARE(m_dmod->DatabaseAlias(), QStringLiteral("UserCDataLoc"));
    QCOMPARE(QDir(m_session->aliasPath(QStringLiteral("UserCDataLoc"))), QDir(other.path()));
    for (db::DataSet* v : m_dmod->views())
        QCOMPARE(v->databaseName(), QStringLiteral("UserCDataLoc"));
    QVERIFY(m_dmod->tbCdata()->isActive());
    QVERIFY(TZHRegistry::current().ReadBool(QStringLiteral("UseKasplanCdata"), false));
}

void TestTDModOpening::failingChosenLocationFallsBack_data()
{
    QTest::addColumn<QByteArray>("fileContents");
    QTest::addColumn<QString>("reason"); // the first line of the engine's
    QTest::newRow("folder without tables") << QByteArray() << "Database not found.";
    QTest::newRow("corrupt database file") << QByteArray(4096, 'x') << "file is not a database.";
}

void TestTDModOpening::failingChosenLocationFallsBack()
{
    QFETCH(QByteArray, fileContents);
    QFETCH(QString, reason);
    QTemporaryDir other;
    if (!fileContents.isEmpty()) {
        QFile file(QDir(other.path()).filePath(QStringLiteral("cultivars.sqlite")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(fileContents);
    }
    TZHRegistry::current().WriteBool(QStringLiteral("UseKasplanCdata"), true);
    TZHRegistry::current().WriteInteger(QStringLiteral("KasplanTypeCdata"), 2);
    TZHRegistry::current().WriteString(QStringLiteral("KasplanDBasePath"), other.path());
    ScopedScriptedPrompts prompts;
    m_dmod->DataModuleCreate();
    const QString file = QDir(other.path()).filePath(QStringLiteral("cultivars.sqlite"));
    QCOMPARE(prompts->texts(),
             QStringList({"Cultivar Database UserCDataLoc kon niet geopened worden\r\n" + reason +
                          "\r\nFile: " + file +
                          "\r\nde standaard Teelplan Cultivar database wordt nu weer geopend"}));
    QCOMPARE(m_dmod->DatabaseAlias(), QStringLiteral("BROEI"));
    QCOMPARE(m_dmod->tbCdata()->recordCount(), 22);
    QCOMPARE(m_dmod->tbCstdOogstAll()->databaseName(), QStringLiteral("BROEI"));
    QVERIFY(!TZHRegistry::current().ReadBool(QStringLiteral("UseKasplanCdata"), true));
}

void TestTDModOpening::failingStandardDatabaseIsReported()
{
    IniFile ini(QDir(standardFolder()).filePath(QStringLiteral("KPDBase.ini")));
    ini.WriteString(QStringLiteral("DBase"), QStringLiteral("Version"), QStringLiteral("4.0.1.8"));
    {
        QFile file(QDir(standardFolder()).filePath(QStringLiteral("cultivars.sqlite")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(4096, 'x'));
    }
    ScopedScriptedPrompts prompts;
    m_dmod->DataModuleCreate();
    const QStringList texts = prompts->texts();
    QCOMPARE(texts.size(), 2);
    QCOMPARE(texts[0], QStringLiteral("Cultivar Database BROEI kon niet geopened worden"));
    QVERIFY2(texts[1].startsWith(QStringLiteral("Error DB 1\r\nDe Cultivargegevensdatabase")),
             qPrintable(texts[1]));
    QCOMPARE(openViews(), QStringList());
    QCOMPARE(
        IniFile(ini.FileName())
            .ReadString(QStringLiteral("DBase"), QStringLiteral("Version"), QStringLiteral("?")),
        QString());
    // The units are in force all the same.
    QCOMPARE(m_dmod->TussenTCaption(), QStringLiteral("Weken 20oC na G"));
}

void TestTDModOpening::chosenServerOpensOrFallsBack_data()
{
    QTest::addColumn<int>("type");       // "KasplanTypeCdata"
    QTest::addColumn<QString>("server"); // "empty", "elsewhere", "other program"
    QTest::addColumn<QString>("reason"); // of the refusal; empty when it opens
    QTest::newRow("HORTIDB, an empty database") << 1 << "empty"
                                                << "";
    QTest::newRow("the path names the server") << 2 << "empty"
                                               << "";
    QTest::newRow("HORTIDB out of reach") << 1 << "elsewhere"
                                          << "De databaseserver is niet bereikbaar: ";
    QTest::newRow("a database of another program")
        << 1 << "other program"
        << "Deze database is geen Kasplan cultivar database: er staan tabellen van een ander "
           "programma in. Kasplan verandert er niets aan.";
}

// A server database chosen in the settings: laid out with the delivered
// records on first use, or reported with its reason while the standard
// database opens in its place.
void TestTDModOpening::chosenServerOpensOrFallsBack()
{
    if (!test::TestDatabase::onServer())
        QSKIP("needs the PostgreSQL test server");
    QFETCH(int, type);
    QFETCH(QString, server);
    QFETCH(QString, reason);
    const QString name =
        QStringLiteral("ko_") + QUuid::createUuid().toString(QUuid::Id128).left(16);
    test::TestDatabase::runOnServer(QStringLiteral("CREATE DATABASE %1").arg(name));
    const auto drop = qScopeGuard([&] {
        m_dmod.reset();
        m_session.reset();
        test::TestDatabase::runOnServer(
            QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    });
    db::ServerParams params =
        test::TestDatabase::withDatabase(test::TestDatabase::serverParams(), name);
    if (server == QLatin1String("elsewhere"))
        params = {{"host", "127.0.0.1"}, {"port", "1"}, {"dbname", name}};
    if (server == QLatin1String("other program")) {
        db::PgParams libpq;
        for (const auto& [k, v] : params)
            libpq.append({k.toUtf8(), v.toUtf8()});
        db::PgConnection(libpq, name)
            .execScript(QStringLiteral("CREATE TABLE klanten (naam text)"));
    }
    TZHRegistry::current().WriteBool(QStringLiteral("UseKasplanCdata"), true);
    TZHRegistry::current().WriteInteger(QStringLiteral("KasplanTypeCdata"), type);
    if (type == 1) {
        m_session->aliases().addServer(QStringLiteral("HORTIDB"), params);
    } else {
        // postgresql:///NAME?host=...&port=...&user=...
        QStringList query;
        for (const auto& [k, v] : params) {
            if (k != QLatin1String("dbname"))
                query.append(k + QLatin1Char('=') + QString::fromUtf8(QUrl::toPercentEncoding(v)));
        }
        TZHRegistry::current().WriteString(
            QStringLiteral("KasplanDBasePath"),
            QStringLiteral("postgresql:///%1?%2").arg(name, query.join(QLatin1Char('&'))));
    }

    ScopedScriptedPrompts prompts;
    m_dmod->DataModuleCreate();
    const QString alias = type == 1 ? QStringLiteral("HORTIDB") : QStringLiteral("UserCDataLoc");
    if (reason.isEmpty()) {
        QCOMPARE(prompts->texts(), QStringList());
        QCOMPARE(m_dmod->DatabaseAlias(), alias);
        QVERIFY(m_session->aliases().isServer(alias));
        QCOMPARE(m_dmod->tbCdata()->recordCount(), 22);
        QCOMPARE(m_dmod->tbCdata()->fieldByName(QStringLiteral("Status"))->asString(),
                 QStringLiteral("DLV/LBO"));
        QVERIFY(TZHRegistry::current().ReadBool(QStringLiteral("UseKasplanCdata"), false));
        return;
    }
    const QStringList texts = prompts->texts();
    QCOMPARE(texts.size(), 1);
    QVERIFY2(texts[0].startsWith(
                 QStringLiteral("Cultivar Database %1 kon niet geopened worden\r\n").arg(alias) +
                 reason),
             qPrintable(texts[0]));
    QVERIFY(texts[0].endsWith(
        QLatin1String("\r\nde standaard Teelplan Cultivar database wordt nu weer geopend")));
    QCOMPARE(m_dmod->DatabaseAlias(), QStringLiteral("BROEI"));
    QCOMPARE(m_dmod->tbCdata()->recordCount(), 22);
    QVERIFY(!TZHRegistry::current().ReadBool(QStringLiteral("UseKasplanCdata"), true));
}

QTEST_GUILESS_MAIN(TestTDModOpening)
#include "tst_tdmodopening.moc"
