#include "core/IniFile.h"
#include "core/Locations.h"
#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "db/StandardDatabase.h"
#include "db/TDMod.h"
#include "db/engine/EngineSession.h"
#include "db/engine/TableView.h"
#include "support/ScriptedPrompts.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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
    for (db::DataSet* v : m_dmod->views()) {
        if (v != m_dmod->OldCdata())
            QCOMPARE(v->databaseName(), QStringLiteral("UserCDataLoc"));
    }
    QVERIFY(m_dmod->tbCdata()->isActive());
    QVERIFY(TZHRegistry::current().ReadBool(QStringLiteral("UseKasplanCdata"), false));
}

void TestTDModOpening::failingChosenLocationFallsBack_data()
{
    QTest::addColumn<QByteArray>("fileContents");
    QTest::newRow("folder without tables") << QByteArray();
    QTest::newRow("corrupt database file") << QByteArray(4096, 'x');
}

void TestTDModOpening::failingChosenLocationFallsBack()
{
    QFETCH(QByteArray, fileContents);
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
    QCOMPARE(prompts->texts(),
             QStringList({"Cultivar Database UserCDataLoc kon niet geopened worden\r\nde standaard "
                          "Teelplan Cultivar database wordt nu weer geopend"}));
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

QTEST_GUILESS_MAIN(TestTDModOpening)
#include "tst_tdmodopening.moc"
