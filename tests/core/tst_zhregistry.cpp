#include "core/SettingsKeyFile.h"
#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "support/ScriptedPrompts.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace kasplan;

namespace {

const QString appKey = QStringLiteral("Software/Zandhof Services/Kasplan/4.0");

// A store as the program has it after start-up: version "4.0" and the
// "UserSetsLoc" choice applied, without writing the settings marker.
TZHRegistry startedStore(const TZHRegistry::Scopes& scopes = {})
{
    TZHRegistry store(scopes);
    store.SetVersion(QStringLiteral("4.0"));
    store.ApplyUserSetsLoc();
    return store;
}

void writeFile(const QString& fileName, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(fileName).path());
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// Writes `count` values named prefix0, prefix1, ... into the machine-wide key
// of the store below KASPLAN_HOME; with count 0 rewrites one value for ever.
int runWriter(const QString& prefix, int count)
{
    TZHRegistry store;
    store.SetVersion(QStringLiteral("4.0"));
    for (int i = 0; count == 0 || i < count; ++i)
        store.WriteInteger(count == 0 ? prefix : prefix + QString::number(i), i);
    return 0;
}

} // namespace

class TestZHRegistry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void freshStoreGivesEveryDefault_data();
    void freshStoreGivesEveryDefault();
    void firstWriteCreatesTheKey();
    void rootFollowsUserSetsLoc_data();
    void rootFollowsUserSetsLoc();
    void perUserSettingsStayWithTheUser();
    void switchingScopesCarriesNothingOver();
    void unwritableMachineScopeSkipsWritesSilently();
    void unwritableByPermissionSkipsWrites();
    void valuesOfTheWrongTypeReadAsDefault_data();
    void valuesOfTheWrongTypeReadAsDefault();
    void writeReplacesAValueOfAnotherType();
    void deleteValueAnswersWhetherItDeleted();
    void damagedFileIsKeptAside();
    void settingsVersionMarkerOnFirstAndNextStart();
    void twoCopiesWritingKeepEachOthersValues();
    void writerKilledMidWriteLeavesAReadableStore();

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString machineKeyDir() const
    {
        return m_home->filePath(QStringLiteral("machine-settings/") + appKey);
    }
    QString userKeyDir() const
    {
        return m_home->filePath(QStringLiteral("user-settings/") + appKey);
    }
};

void TestZHRegistry::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("KASPLAN_HOME", m_home->path().toLocal8Bit());
}

void TestZHRegistry::cleanup()
{
    qunsetenv("KASPLAN_HOME");
    m_home.reset();
}

void TestZHRegistry::freshStoreGivesEveryDefault_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("expected");
    // The defaults every reader of these settings relies on.
    const auto row = [](const char* name, const QVariant& expected) {
        QTest::newRow(name) << QString::fromLatin1(name) << expected;
    };
    row("UserSetsLoc", 0);
    row("Version", QString());
    row("Season", 0);
    row("BroeiMethode", 0);
    row("TussenTunit", 7);
    row("Kperiodunit", 7);
    row("Maxpdadjustperc", 5);
    row("KasplanTypeCdata", 0);
    row("StdOogstType", 0);
    row("EurSymbol", 0);
    row("StdCurrency", 0);
    row("KasplanDBasePath", QString());
    row("ShowWeeknrs", false);
    row("CanDelEditStdRecs", false);
    row("UseKasplanCdata", false);
    row("ShowBroeiData", false);
    row("CSelectVoorraadOnly", false);
    row("PrintBlackWhite", false);
}

void TestZHRegistry::freshStoreGivesEveryDefault()
{
    QFETCH(QString, name);
    QFETCH(QVariant, expected);
    const TZHRegistry store = startedStore();

    // The catalogue's default, read through the store from an empty scope.
    QVariant read;
    const QByteArray latin = name.toLatin1();
    const std::initializer_list<IntegerSetting> integers = {
        Setting::UserSetsLoc,      Setting::Season,       Setting::BroeiMethode,
        Setting::TussenTunit,      Setting::Kperiodunit,  Setting::Maxpdadjustperc,
        Setting::KasplanTypeCdata, Setting::StdOogstType, Setting::EurSymbol,
        Setting::StdCurrency};
    const std::initializer_list<BoolSetting> bools = {
        Setting::ShowWeeknrs,   Setting::CanDelEditStdRecs,   Setting::UseKasplanCdata,
        Setting::ShowBroeiData, Setting::CSelectVoorraadOnly, Setting::PrintBlackWhite};
    for (const auto& s : integers)
        if (latin == s.name)
            read = store.ReadInteger(s);
    for (const auto& s : bools)
        if (latin == s.name)
            read = store.ReadBool(s);
    for (const auto& s : {Setting::Version, Setting::KasplanDBasePath})
        if (latin == s.name)
            read = store.ReadString(s);
    QCOMPARE(read, expected);
    QVERIFY(!store.ValueExists(name));
    // Reading never creates a key.
    QVERIFY(!QFileInfo::exists(m_home->filePath(QStringLiteral("machine-settings/Software"))));
}

void TestZHRegistry::firstWriteCreatesTheKey()
{
    TZHRegistry store = startedStore();
    QVERIFY(!QFileInfo::exists(machineKeyDir()));
    store.WriteInteger(Setting::Season, 2024);
    QVERIFY(QFileInfo(machineKeyDir()).isDir());
    QCOMPARE(store.AppKeyDir(), machineKeyDir());
    QCOMPARE(store.ReadInteger(Setting::Season), 2024);
    QVERIFY(!QFileInfo::exists(m_home->filePath(QStringLiteral("user-settings"))));

    // An empty application name or version leaves that level out.
    TZHRegistry bare;
    bare.SetApplicName(QString());
    QCOMPARE(bare.AppKeyDir(),
             m_home->filePath(QStringLiteral("machine-settings/Software/Zandhof Services")));
}

void TestZHRegistry::rootFollowsUserSetsLoc_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("perUser");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("0") << QByteArray(R"("UserSetsLoc": {"type": "integer", "data": 0})") << false;
    QTest::newRow("1") << QByteArray(R"("UserSetsLoc": {"type": "integer", "data": 1})") << true;
    QTest::newRow("2 counts as per user")
        << QByteArray(R"("UserSetsLoc": {"type": "integer", "data": 2})") << true;
    QTest::newRow("-1 counts as per user")
        << QByteArray(R"("UserSetsLoc": {"type": "integer", "data": -1})") << true;
    QTest::newRow("text reads as 0")
        << QByteArray(R"("UserSetsLoc": {"type": "string", "data": "1"})") << false;
}

void TestZHRegistry::rootFollowsUserSetsLoc()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, perUser);
    if (!stored.isEmpty())
        writeFile(machineKeyDir() + QStringLiteral("/values.json"), "{" + stored + "}");

    TZHRegistry store;
    store.SetVersion(QStringLiteral("4.0"));
    store.SetAppRootKey(TRegistryHive::rhCurrentUser);
    store.ApplyUserSetsLoc();
    QCOMPARE(store.AppRootKey(),
             perUser ? TRegistryHive::rhCurrentUser : TRegistryHive::rhLocalMachine);
}

void TestZHRegistry::perUserSettingsStayWithTheUser()
{
    const QString machine = m_home->filePath(QStringLiteral("machine-settings"));
    const TZHRegistry::Scopes anna{machine, m_home->filePath(QStringLiteral("anna"))};
    const TZHRegistry::Scopes bert{machine, m_home->filePath(QStringLiteral("bert"))};

    TZHRegistry admin = startedStore(anna);
    admin.WriteInteger(Setting::UserSetsLoc, 1);

    TZHRegistry annaStore = startedStore(anna);
    QCOMPARE(annaStore.AppRootKey(), TRegistryHive::rhCurrentUser);
    annaStore.WriteInteger(Setting::Season, 2024); // as the main window does on close
    QVERIFY(QFile::exists(m_home->filePath(QStringLiteral("anna/") + appKey + "/values.json")));
    QCOMPARE(annaStore.ReadInteger(Setting::Season), 2024);

    const TZHRegistry bertStore = startedStore(bert);
    QCOMPARE(bertStore.ReadInteger(Setting::Season), 0);
    QCOMPARE(admin.ReadInteger(Setting::Season), 0); // nothing machine-wide either
}

void TestZHRegistry::switchingScopesCarriesNothingOver()
{
    TZHRegistry store = startedStore();
    store.WriteInteger(Setting::Season, 2020);
    store.WriteBool(Setting::ShowWeeknrs, true);

    store.SetAppRootKey(TRegistryHive::rhLocalMachine);
    store.WriteInteger(Setting::UserSetsLoc, 1);
    store.ApplyUserSetsLoc();
    QCOMPARE(store.ReadInteger(Setting::Season), 0);
    QCOMPARE(store.ReadBool(Setting::ShowWeeknrs), false);
    store.WriteInteger(Setting::Season, 2030);

    store.SetAppRootKey(TRegistryHive::rhLocalMachine);
    store.WriteInteger(Setting::UserSetsLoc, 0);
    store.ApplyUserSetsLoc();
    QCOMPARE(store.ReadInteger(Setting::Season), 2020);
    QCOMPARE(store.ReadBool(Setting::ShowWeeknrs), true);
}

void TestZHRegistry::unwritableMachineScopeSkipsWritesSilently()
{
    // The machine-wide folder cannot be made: a file stands in its place.
    writeFile(m_home->filePath(QStringLiteral("machine-settings")), "not a folder");
    ScopedScriptedPrompts prompts;

    TZHRegistry store = startedStore();
    QCOMPARE(store.AppRootKey(), TRegistryHive::rhLocalMachine);
    store.WriteInteger(Setting::Season, 2024);
    store.WriteString(Setting::KasplanDBasePath, QStringLiteral("/data"));
    store.WriteBool(Setting::ShowWeeknrs, true);
    QVERIFY(!store.DeleteValue(QStringLiteral("UpdateDBase")));
    QCOMPARE(store.ReadInteger(Setting::Season), 0);
    QCOMPARE(store.ReadString(Setting::KasplanDBasePath), QString());
    QVERIFY(prompts->shown().isEmpty());

    // The per-user scope is not affected.
    store.SetAppRootKey(TRegistryHive::rhCurrentUser);
    store.WriteInteger(Setting::Season, 2025);
    QCOMPARE(store.ReadInteger(Setting::Season), 2025);
}

void TestZHRegistry::unwritableByPermissionSkipsWrites()
{
    if (geteuid() == 0)
        QSKIP("root may write any folder; the folder-blocked case covers root");
    TZHRegistry store = startedStore();
    store.WriteInteger(Setting::Season, 2024);
    QVERIFY(QFile::setPermissions(machineKeyDir(), QFile::ReadOwner | QFile::ExeOwner));
    store.WriteInteger(Setting::Season, 2030);
    QVERIFY(!store.DeleteValue(QStringLiteral("Season")));
    QCOMPARE(store.ReadInteger(Setting::Season), 2024);
    QFile::setPermissions(machineKeyDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestZHRegistry::valuesOfTheWrongTypeReadAsDefault_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<int>("integer");  // ReadInteger with default -7
    QTest::addColumn<bool>("boolean"); // ReadBool with default false
    QTest::addColumn<QString>("text"); // ReadString with default "none"

    QTest::newRow("Season as text") << QByteArray(R"({"type": "string", "data": "2024"})") << -7
                                    << false << QStringLiteral("2024");
    QTest::newRow("ShowWeeknrs 5")
        << QByteArray(R"({"type": "integer", "data": 5})") << 5 << true << QStringLiteral("none");
    QTest::newRow("zero") << QByteArray(R"({"type": "integer", "data": 0})") << 0 << false
                          << QStringLiteral("none");
    QTest::newRow("negative") << QByteArray(R"({"type": "integer", "data": -2147483648})")
                              << int(-2147483648LL) << true << QStringLiteral("none");
    QTest::newRow("beyond 32 bits") << QByteArray(R"({"type": "integer", "data": 4294967296})")
                                    << -7 << false << QStringLiteral("none");
    QTest::newRow("fraction") << QByteArray(R"({"type": "integer", "data": 1.5})") << -7 << false
                              << QStringLiteral("none");
    QTest::newRow("expandable text") << QByteArray(R"({"type": "expand-string", "data": "$HOME"})")
                                     << -7 << false << QStringLiteral("$HOME");
    QTest::newRow("other type") << QByteArray(R"({"type": "binary", "data": "AAE="})") << -7
                                << false << QStringLiteral("none");
    QTest::newRow("integer type holding text") << QByteArray(R"({"type": "integer", "data": "5"})")
                                               << -7 << false << QStringLiteral("none");
}

void TestZHRegistry::valuesOfTheWrongTypeReadAsDefault()
{
    QFETCH(QByteArray, entry);
    QFETCH(int, integer);
    QFETCH(bool, boolean);
    QFETCH(QString, text);
    // Stored as "VALUE" and read as "Value": names ignore case.
    writeFile(machineKeyDir() + QStringLiteral("/values.json"), R"({"VALUE": )" + entry + "}");

    const TZHRegistry store = startedStore();
    QVERIFY(store.ValueExists(QStringLiteral("Value")));
    QCOMPARE(store.ReadInteger(QStringLiteral("Value"), -7), integer);
    QCOMPARE(store.ReadBool(QStringLiteral("Value"), false), boolean);
    QCOMPARE(store.ReadString(QStringLiteral("Value"), QStringLiteral("none")), text);
}

void TestZHRegistry::writeReplacesAValueOfAnotherType()
{
    writeFile(machineKeyDir() + QStringLiteral("/values.json"),
              R"({"SEASON": {"type": "string", "data": "2024"},
                  "Other": {"type": "binary", "data": "AAE="}})");
    TZHRegistry store = startedStore();
    QCOMPARE(store.ReadInteger(Setting::Season), 0);
    store.WriteInteger(Setting::Season, 2024);
    QCOMPARE(store.ReadInteger(Setting::Season), 2024);
    QCOMPARE(store.ReadString(QStringLiteral("Season"), QStringLiteral("none")),
             QStringLiteral("none"));

    // One entry for the name, and a value of a kind the program does not know is kept.
    QFile file(machineKeyDir() + QStringLiteral("/values.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject values = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(values.keys(), QStringList({QStringLiteral("Other"), QStringLiteral("Season")}));
}

void TestZHRegistry::deleteValueAnswersWhetherItDeleted()
{
    TZHRegistry store = startedStore();
    QVERIFY(!store.DeleteValue(QStringLiteral("UpdateDBase")));
    store.WriteString(QStringLiteral("UpdateDBase"), QStringLiteral("x"));
    store.WriteInteger(QStringLiteral("DBaseVersion"), 3);
    QVERIFY(store.ValueExists(QStringLiteral("updatedbase")));
    QVERIFY(store.DeleteValue(QStringLiteral("UpdateDBase")));
    QVERIFY(!store.ValueExists(QStringLiteral("UpdateDBase")));
    QVERIFY(store.ValueExists(QStringLiteral("DBaseVersion")));
    QVERIFY(!store.DeleteValue(QStringLiteral("UpdateDBase")));
}

void TestZHRegistry::damagedFileIsKeptAside()
{
    const QString fileName = machineKeyDir() + QStringLiteral("/values.json");
    writeFile(fileName, R"({"Season": {"type": "integer", "data": 2024)"); // cut short
    TZHRegistry store = startedStore();
    QCOMPARE(store.ReadInteger(Setting::Season), 0);
    store.WriteInteger(Setting::BroeiMethode, 1);
    QCOMPARE(store.ReadInteger(Setting::BroeiMethode), 1);

    QFile kept(fileName + QStringLiteral(".damaged"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray(R"({"Season": {"type": "integer", "data": 2024)"));
}

void TestZHRegistry::settingsVersionMarkerOnFirstAndNextStart()
{
    TZHRegistry first;
    first.SetAppRootKey(TRegistryHive::rhCurrentUser);
    first.Initialise();
    QCOMPARE(first.StoredSettingsVersion(), QString());
    QCOMPARE(first.Version(), QStringLiteral("4.0"));
    QCOMPARE(first.AppRootKey(), TRegistryHive::rhLocalMachine);
    QCOMPARE(first.ReadString(Setting::Version), QStringLiteral("4.0"));

    // The marker is machine-wide even when settings are kept per user.
    first.WriteInteger(Setting::UserSetsLoc, 1);
    TZHRegistry next;
    next.Initialise();
    QCOMPARE(next.StoredSettingsVersion(), QStringLiteral("4.0"));
    QCOMPARE(next.AppRootKey(), TRegistryHive::rhCurrentUser);
    QVERIFY(!QFileInfo::exists(userKeyDir()));
}

void TestZHRegistry::twoCopiesWritingKeepEachOthersValues()
{
    constexpr int count = 150;
    QProcess copyA, copyB;
    for (auto* copy : {&copyA, &copyB}) {
        copy->setProcessChannelMode(QProcess::ForwardedChannels);
        copy->start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--writer"),
                     copy == &copyA ? QStringLiteral("A") : QStringLiteral("B"),
                     QString::number(count)});
    }
    for (auto* copy : {&copyA, &copyB}) {
        QVERIFY(copy->waitForFinished(120000));
        QCOMPARE(copy->exitStatus(), QProcess::NormalExit);
        QCOMPARE(copy->exitCode(), 0);
    }
    const TZHRegistry store = startedStore();
    for (int i = 0; i < count; ++i) {
        QCOMPARE(store.ReadInteger(QStringLiteral("A%1").arg(i), -1), i);
        QCOMPARE(store.ReadInteger(QStringLiteral("B%1").arg(i), -1), i);
    }
}

void TestZHRegistry::writerKilledMidWriteLeavesAReadableStore()
{
    // A large key, so that a write takes long enough to be interrupted.
    TZHRegistry store = startedStore();
    for (int i = 0; i < 300; ++i)
        store.WriteString(QStringLiteral("Filler%1").arg(i), QString(200, QLatin1Char('x')));

    for (int round = 0; round < 10; ++round) {
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--writer"), QStringLiteral("Busy"), QStringLiteral("0")});
        QVERIFY(writer.waitForStarted());
        QTest::qWait(150 + 37 * round);
        ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished());

        QCOMPARE(store.ReadString(QStringLiteral("Filler299"), QString()),
                 QString(200, QLatin1Char('x')));
        // The dead writer's lock does not block the next write.
        store.WriteInteger(QStringLiteral("Round"), round);
        QCOMPARE(store.ReadInteger(QStringLiteral("Round"), -1), round);
    }
}

int main(int argc, char* argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--writer") == 0)
        return runWriter(QString::fromLatin1(argv[2]), QByteArray(argv[3]).toInt());
    QCoreApplication app(argc, argv);
    TestZHRegistry test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zhregistry.moc"
