#include "app/MainProgram.h"
#include "app/RunningCopyLock.h"
#include "app/TKPglobalDmod.h"
#include "app/UnitStartup.h"

#include "core/AppGlobals.h"
#include "core/IniFile.h"
#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "core/Version.h"
#include "schedule/mainwindow/TKMmainform.h"
#include "support/ScriptedPrompts.h"
#include "widgets/TProgressBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace kasplan;

namespace {

void writeFile(const QString& fileName, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(fileName).path());
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray readFile(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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

TZHRegistry machineStore()
{
    TZHRegistry store;
    store.SetVersion(QStringLiteral("4.0"));
    return store;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void unitStartupPreparesTheProgramFolder();
    void unitStartupReportsNothing();
    void anotherRunningCopyKeepsItsFiles();
    void upgradeRunsWhenDue_data();
    void upgradeRunsWhenDue();
    void engineHooksGetTheFolders();
    void failingCreationStillAppliesUserSetsLoc();
    void startedTwiceRemembersTheSettingsVersion();
    void errorInACreationStepIsShownAndStartupGoesOn();

private:
    QString home(const QString& name) const { return m_home->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestStartup::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("KASPLAN_HOME", m_home->path().toLocal8Bit());
}

void TestStartup::cleanup()
{
    TZHRegistry::install(nullptr);
    AppGlobals::Reset();
    setProgramVersion(VersionResource::compiledIn());
    qunsetenv("KASPLAN_HOME");
    m_home.reset();
}

void TestStartup::unitStartupPreparesTheProgramFolder()
{
    writeFile(home(QStringLiteral("program/PDOXUSRS.LCK")), "stale");
    writeFile(home(QStringLiteral("program/PARADOX.LCK")), "stale");
    writeFile(home(QStringLiteral("program/keep.txt")), "not ours to delete");
    writeFile(home(QStringLiteral("program/PrivDir/query.tmp")), "old");
    writeFile(home(QStringLiteral("program/PrivDir/.hidden")), "old");
    writeFile(home(QStringLiteral("program/PrivDir/sub/inner.tmp")), "stays");

    const auto running = UnitStartup();

    QCOMPARE(AppFileVersion(), QStringLiteral("4.0.1.8"));
    QCOMPARE(AppDir(), home(QStringLiteral("program/")));
    QCOMPARE(AppPrivDir(), home(QStringLiteral("program/PrivDir/")));
    QVERIFY(QFileInfo(AppTempDir()).isDir());
    QVERIFY(QFileInfo(AppBackupDir()).isDir());
    QVERIFY(!QFile::exists(home(QStringLiteral("program/PDOXUSRS.LCK"))));
    QVERIFY(!QFile::exists(home(QStringLiteral("program/PARADOX.LCK"))));
    QVERIFY(QFile::exists(home(QStringLiteral("program/keep.txt"))));
    QCOMPARE(QDir(AppPrivDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("sub")});
    QVERIFY(QFile::exists(home(QStringLiteral("program/PrivDir/sub/inner.tmp"))));
}

void TestStartup::unitStartupReportsNothing()
{
    // Neither "temp" nor "backups" can be made, and there is no PrivDir.
    writeFile(home(QStringLiteral("program/temp")), "a file");
    writeFile(home(QStringLiteral("program/backups")), "a file");
    ScopedScriptedPrompts prompts;
    const auto running = UnitStartup();
    QVERIFY(prompts->shown().isEmpty());
    QVERIFY(!QFileInfo(AppTempDir()).isDir());
}

void TestStartup::anotherRunningCopyKeepsItsFiles()
{
    auto firstCopy = UnitStartup();
    writeFile(home(QStringLiteral("program/PDOXUSRS.LCK")), "held by the first copy");
    writeFile(home(QStringLiteral("program/PrivDir/query.tmp")), "in use");

    auto secondCopy = UnitStartup();
    QVERIFY(QFile::exists(home(QStringLiteral("program/PDOXUSRS.LCK"))));
    QVERIFY(QFile::exists(home(QStringLiteral("program/PrivDir/query.tmp"))));

    // Once both have ended, the next start cleans up.
    firstCopy.reset();
    secondCopy.reset();
    const auto thirdCopy = UnitStartup();
    QVERIFY(!QFile::exists(home(QStringLiteral("program/PDOXUSRS.LCK"))));
    QVERIFY(!QFile::exists(home(QStringLiteral("program/PrivDir/query.tmp"))));
}

void TestStartup::upgradeRunsWhenDue_data()
{
    QTest::addColumn<QByteArray>("versionFile"); // empty: no file
    QTest::addColumn<bool>("updateMarker");
    QTest::addColumn<QString>("appFileVersion");
    QTest::addColumn<bool>("upgrade");
    QTest::addColumn<QString>("versionAfter");

    const QByteArray current = "[DBase]\r\nVersion=4.0.1.8\r\n";
    QTest::newRow("current version") << current << false << "4.0.1.8" << false << "4.0.1.8";
    QTest::newRow("no version file") << QByteArray() << false << "4.0.1.8" << true << "4.0.1.8";
    QTest::newRow("no version key")
        << QByteArray("[Currency]\r\nIndex=1\r\n") << false << "4.0.1.8" << true << "4.0.1.8";
    QTest::newRow("older version")
        << QByteArray("[DBase]\r\nVersion=3.1.0.2\r\n") << false << "4.0.1.8" << true << "4.0.1.8";
    QTest::newRow("UpdateDBase forces it") << current << true << "4.0.1.8" << true << "4.0.1.8";
    QTest::newRow("program without version") << current << false << "" << true << "";
    QTest::newRow("program without version, database upgraded by one")
        << QByteArray("[DBase]\r\nVersion=\r\n") << false << "" << false << "";
}

void TestStartup::upgradeRunsWhenDue()
{
    QFETCH(QByteArray, versionFile);
    QFETCH(bool, updateMarker);
    QFETCH(QString, appFileVersion);
    QFETCH(bool, upgrade);
    QFETCH(QString, versionAfter);

    const QString iniName = home(QStringLiteral("database/KPDBase.ini"));
    if (!versionFile.isEmpty())
        writeFile(iniName, versionFile);
    TZHRegistry store = machineStore();
    if (updateMarker) {
        store.WriteString(QStringLiteral("UpdateDBase"), QStringLiteral("1"));
        store.WriteInteger(QStringLiteral("DBaseVersion"), 3);
    }
    AppGlobals::SetAppFileVersion(appFileVersion);

    TKPglobalDmod dmod(store);
    ShowRecorder shows;
    // The progress window exists only once the creation runs; watch every
    // window the application shows.
    qApp->installEventFilter(&shows);
    dmod.KPglobalDmodCreate();
    qApp->removeEventFilter(&shows);

    QCOMPARE(DBaseIni()->FileName(), iniName);
    QCOMPARE(shows.shownCaptions, upgrade
                                      ? QStringList({QStringLiteral("Updaten local tables...."),
                                                     QStringLiteral("Updaten database tables....")})
                                      : QStringList());
    QVERIFY(dmod.ProgressBox()->isHidden());
    QVERIFY(dmod.ProgressBox()->CancelBtn->isHidden());
    QCOMPARE(dmod.ImportPending(), upgrade);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(IniFile(iniName).ReadString(QStringLiteral("DBase"), QStringLiteral("Version"),
                                         QStringLiteral("(missing)")),
             versionAfter);
    if (!upgrade)
        QCOMPARE(readFile(iniName), versionFile);
    if (versionFile.contains("Currency"))
        QCOMPARE(
            IniFile(iniName).ReadInteger(QStringLiteral("Currency"), QStringLiteral("Index"), -1),
            1);
    QCOMPARE(store.ValueExists(QStringLiteral("UpdateDBase")), updateMarker && !upgrade);
    QCOMPARE(store.ValueExists(QStringLiteral("DBaseVersion")), updateMarker && !upgrade);
    QVERIFY(!dmod.UpgradeDue());

    dmod.DataModuleDestroy();
    QVERIFY(!DBaseIni());
    QVERIFY(!dmod.ProgressBox());
}

void TestStartup::engineHooksGetTheFolders()
{
    const QString shared = home(QStringLiteral("share/cultivars"));
    QDir().mkpath(shared);
    QStringList calls;
    TKPglobalDmodHooks hooks;
    hooks.SetPrivateDir = [&](const QString& dir) { calls << QStringLiteral("private ") + dir; };
    hooks.AliasPath = [&](const QString& alias) {
        calls << QStringLiteral("path ") + alias;
        return shared;
    };
    hooks.OpenDatabase = [&](const QString& alias) { calls << QStringLiteral("open ") + alias; };
    hooks.SetNetFileDir = [&](const QString& dir) { calls << QStringLiteral("net ") + dir; };

    TZHRegistry store = machineStore();
    TKPglobalDmod dmod(store, hooks);
    dmod.KPglobalDmodCreate();
    QCOMPARE(calls,
             QStringList({QStringLiteral("private ") + AppPrivDir(), QStringLiteral("path BROEI"),
                          QStringLiteral("open BROEI"), QStringLiteral("net ") + shared}));
    QVERIFY(QFileInfo(AppPrivDir()).isDir());
    QCOMPARE(DBaseIni()->FileName(), shared + QStringLiteral("/KPDBase.ini"));
    QCOMPARE(IniFile(DBaseIni()->FileName())
                 .ReadString(QStringLiteral("DBase"), QStringLiteral("Version"), QString()),
             QStringLiteral("4.0.1.8"));
    QVERIFY(!QFileInfo::exists(home(QStringLiteral("database"))));
}

void TestStartup::failingCreationStillAppliesUserSetsLoc()
{
    TZHRegistry store = machineStore();
    store.WriteInteger(Setting::UserSetsLoc, 1);
    store.WriteString(QStringLiteral("UpdateDBase"), QString());
    store.SetAppRootKey(TRegistryHive::rhCurrentUser);

    // The database lies on a share that is not there: its version file
    // cannot be written.
    TKPglobalDmodHooks hooks;
    hooks.AliasPath = [this](const QString&) { return home(QStringLiteral("unmounted/share")); };
    TKPglobalDmod dmod(store, hooks);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, dmod.KPglobalDmodCreate());

    QCOMPARE(store.AppRootKey(), TRegistryHive::rhCurrentUser);
    QVERIFY(dmod.ProgressBox()->isHidden());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(dmod.ImportPending());
    // Left due, so the next start tries again.
    store.SetAppRootKey(TRegistryHive::rhLocalMachine);
    QVERIFY(store.ValueExists(QStringLiteral("UpdateDBase")));
    QVERIFY(dmod.UpgradeDue());
}

void TestStartup::startedTwiceRemembersTheSettingsVersion()
{
    for (const QString& expectedCaption :
         {QStringLiteral("Kasplan "), QStringLiteral("Kasplan 4.0")}) {
        const auto running = UnitStartup();
        ScopedScriptedPrompts prompts;
        {
            MainProgram program;
            program.Create();
            QVERIFY(program.MainWindow());
            QVERIFY(program.KPglobalDmod());
            QCOMPARE(QApplication::applicationName(), QStringLiteral("Kasplan"));
            program.MainWindow()->show();
            QCOMPARE(program.MainWindow()->windowTitle(), expectedCaption);
            for (const QString& dir : {AppPrivDir(), AppTempDir(), AppBackupDir()})
                QVERIFY2(QFileInfo(dir).isDir(), qPrintable(dir));
            QVERIFY(DBaseIni());
            program.MainWindow()->close();
        }
        QVERIFY(prompts->shown().isEmpty());
        QVERIFY(!DBaseIni());
        AppGlobals::Reset();
    }
}

void TestStartup::errorInACreationStepIsShownAndStartupGoesOn()
{
    // The standard database folder cannot be made: a file is in the way.
    writeFile(home(QStringLiteral("database")), "a file");
    TZHRegistry store = machineStore();
    store.WriteInteger(Setting::UserSetsLoc, 1);

    const auto running = UnitStartup();
    ScopedScriptedPrompts prompts;
    MainProgram program;
    program.Create();

    // The global data module cannot make the database folder; the cultivar
    // data module then reports that it cannot open the database ("Error DB
    // 1"). Every step reports its own error and the window is there.
    const QStringList texts = prompts->texts();
    QVERIFY2(texts.size() >= 2, qPrintable(texts.join('\n')));
    for (const auto& shown : prompts->shown())
        QVERIFY(shown.kind == UserPrompts::Kind::Error || shown.kind == UserPrompts::Kind::Warning);
    QVERIFY2(texts.first().contains(home(QStringLiteral("database"))), qPrintable(texts.first()));
    QVERIFY2(
        std::any_of(texts.begin(), texts.end(),
                    [](const QString& t) { return t.startsWith(QLatin1String("Error DB 1")); }),
        qPrintable(texts.join('\n')));
    QVERIFY(program.MainWindow());
    QCOMPARE(TZHRegistry::current().AppRootKey(), TRegistryHive::rhCurrentUser);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
