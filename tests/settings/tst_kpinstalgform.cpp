#include "settings/TKPInstAlgForm.h"

#include "core/AppGlobals.h"
#include "core/CurrencySymbol.h"
#include "core/IniFile.h"
#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "db/engine/TableView.h"
#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"
#include "widgets/TRadioGroup.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace kasplan;

namespace {

// The store below one root, as the program sees it after start-up.
TZHRegistry scope(TRegistryHive root)
{
    TZHRegistry store;
    store.SetVersion(QStringLiteral("4.0"));
    store.SetAppRootKey(root);
    return store;
}

const TRegistryHive Machine = TRegistryHive::rhLocalMachine;
const TRegistryHive User = TRegistryHive::rhCurrentUser;

void writeFile(const QString& fileName, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(fileName).path());
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A check box or radio button answers a click on its mark or its text only,
// which lie at its left.
void click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

QStringList visibleTabs(const QTabWidget* pages)
{
    QStringList captions;
    for (int i = 0; i < pages->count(); ++i) {
        if (pages->isTabVisible(i))
            captions.append(pages->tabText(i));
    }
    return captions;
}

} // namespace

// The general settings dialog on a temporary home: the settings in both
// scopes, "KPDBase.ini" in the database folder, scripted prompts.
class TestKPInstAlgForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void showsThreePagesAndHidesHelp();
    void currencyComesFromTheDatabaseFile_data();
    void currencyComesFromTheDatabaseFile();
    void moneyValuesCarryTheSymbol_data();
    void moneyValuesCarryTheSymbol();
    void okStoresTheChoices();
    void switchingToPerUserSettings();
    void cancelStoresNothing();
    void onlyAnAdministratorChoosesWhereSettingsLive_data();
    void onlyAnAdministratorChoosesWhereSettingsLive();
    void databasePageShowsTheVersion_data();
    void databasePageShowsTheVersion();
    void unwritableDatabaseFile();

private:
    QString iniPath() const { return m_home->filePath(QStringLiteral("database/KPDBase.ini")); }
    void useDatabaseFile(const QString& path);
    std::unique_ptr<TKPInstAlgForm> shownDialog();

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<IniFile> m_ini;
    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
};

void TestKPInstAlgForm::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("KASPLAN_HOME", m_home->path().toLocal8Bit());
    TZHRegistry::install(nullptr);
    SetCurrencySymbol(QString());
    useDatabaseFile(iniPath());
    m_prompts = std::make_unique<ScopedScriptedPrompts>();
}

void TestKPInstAlgForm::cleanup()
{
    m_prompts.reset();
    AppGlobals::SetDBaseIni(nullptr);
    m_ini.reset();
    TZHRegistry::install(nullptr);
    SetCurrencySymbol(QString());
    qunsetenv("KASPLAN_HOME");
    m_home.reset();
}

void TestKPInstAlgForm::useDatabaseFile(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    m_ini = std::make_unique<IniFile>(path);
    AppGlobals::SetDBaseIni(m_ini.get());
}

std::unique_ptr<TKPInstAlgForm> TestKPInstAlgForm::shownDialog()
{
    auto dialog = std::make_unique<TKPInstAlgForm>();
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog.get()))
        return nullptr;
    return dialog;
}

void TestKPInstAlgForm::showsThreePagesAndHidesHelp()
{
    const auto dialog = shownDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Instellingen Algemeen"));
    QCOMPARE(visibleTabs(dialog->PageControl1),
             QStringList({"Afdruk opties", "Gebruikers-instellingen", "Database"}));
    QVERIFY(dialog->HelpBtn->isHidden());
    QVERIFY(dialog->OKBtn->isDefault());
    // A dialog border without a system menu: no close box.
    QVERIFY(!(dialog->windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(dialog->windowFlags() & Qt::WindowSystemMenuHint));
}

void TestKPInstAlgForm::currencyComesFromTheDatabaseFile_data()
{
    QTest::addColumn<QByteArray>("iniContent"); // empty: no file
    QTest::addColumn<int>("stdCurrency");       // in the settings; -1: none
    QTest::addColumn<int>("eurSymbol");         // -1: none
    QTest::addColumn<int>("indexAfter");        // in the file after loading
    QTest::addColumn<bool>("stdCurrencyLeft");  // still in the settings
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("versionAfter"); // the rest of the file stays

    QTest::newRow("first start, euro in the settings")
        << QByteArray("[DBase]\r\nVersion=4.0.1.8\r\n") << 1 << -1 << 1 << false << "\u20AC "
        << "4.0.1.8";
    QTest::newRow("first start, no file, nothing stored")
        << QByteArray() << -1 << -1 << 0 << false << "fl "
        << "";
    QTest::newRow("euro shown as eur")
        << QByteArray("[Currency]\r\nIndex=1\r\n") << -1 << 1 << 1 << false << "eur "
        << "";
    // The file holds the currency: the old setting is no longer read.
    QTest::newRow("file wins over the old setting")
        << QByteArray("[Currency]\r\nIndex=0\r\n[DBase]\r\nVersion=4.0.1.7\r\n") << 1 << 0 << 0
        << true << "fl "
        << "4.0.1.7";
    QTest::newRow("damaged file reads as defaults")
        << QByteArray("\x00\xff[Curr\x01\r\nIndex==\xfe\r\n", 20) << 1 << 0 << 1 << false
        << "\u20AC "
        << "";
}

void TestKPInstAlgForm::currencyComesFromTheDatabaseFile()
{
    QFETCH(QByteArray, iniContent);
    QFETCH(int, stdCurrency);
    QFETCH(int, eurSymbol);
    QFETCH(int, indexAfter);
    QFETCH(bool, stdCurrencyLeft);
    QFETCH(QString, symbol);
    QFETCH(QString, versionAfter);
    if (!iniContent.isEmpty())
        writeFile(iniPath(), iniContent);
    TZHRegistry store = scope(Machine);
    if (stdCurrency >= 0)
        store.WriteInteger(Setting::StdCurrency, stdCurrency);
    if (eurSymbol >= 0)
        store.WriteInteger(Setting::EurSymbol, eurSymbol);

    // Creating the dialog is enough, as at start-up.
    const TKPInstAlgForm dialog;
    QCOMPARE(m_ini->ReadInteger(QStringLiteral("Currency"), QStringLiteral("Index"), -7),
             indexAfter);
    QCOMPARE(store.ValueExists(QStringLiteral("StdCurrency")), stdCurrencyLeft);
    QCOMPARE(CurrencySymbol(), symbol);
    QCOMPARE(dialog.StdCurrencyRGroup->ItemIndex(), indexAfter);
    QCOMPARE(m_ini->ReadString(QStringLiteral("DBase"), QStringLiteral("Version"), QString()),
             versionAfter);
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestKPInstAlgForm::moneyValuesCarryTheSymbol_data()
{
    QTest::addColumn<int>("stdCurrency");
    QTest::addColumn<int>("eurSymbol");
    QTest::addColumn<QString>("shown");
    QTest::newRow("guilder") << 0 << 1 << "fl 1.234,50";
    QTest::newRow("euro sign") << 1 << 0 << "\u20AC 1.234,50";
    QTest::newRow("eur") << 1 << 1 << "eur 1.234,50";
}

void TestKPInstAlgForm::moneyValuesCarryTheSymbol()
{
    QFETCH(int, stdCurrency);
    QFETCH(int, eurSymbol);
    QFETCH(QString, shown);
    test::TestDatabase database; // the home moves into its folder
    database.add(QStringLiteral("Sizes"),
                 {{"Size", "10/11"}, {"QtyUnit", 1}, {"StdBroeiKprijs", 1234.5}});
    useDatabaseFile(QDir(database.folder()).filePath(QStringLiteral("KPDBase.ini")));
    m_ini->WriteInteger(QStringLiteral("Currency"), QStringLiteral("Index"), stdCurrency);
    scope(Machine).WriteInteger(Setting::EurSymbol, eurSymbol);

    const TKPInstAlgForm dialog;
    const auto sizes = database.view(QStringLiteral("Sizes"));
    sizes->open();
    QCOMPARE(sizes->fieldByName(QStringLiteral("StdBroeiKprijs"))->displayText(), shown);
}

void TestKPInstAlgForm::okStoresTheChoices()
{
    scope(Machine).WriteInteger(Setting::EurSymbol, 1);
    m_ini->WriteInteger(QStringLiteral("Currency"), QStringLiteral("Index"), 1);
    const auto dialog = shownDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->ColorBWrgroup->ItemIndex(), 0);
    click(dialog->ColorBWrgroup->Button(1));
    click(dialog->OKBtn);

    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    const TZHRegistry machine = scope(Machine);
    QCOMPARE(machine.ReadInteger(Setting::UserSetsLoc), 0);
    QCOMPARE(machine.ReadBool(Setting::PrintBlackWhite), true);
    // The area unit's page is never shown or loaded: always its first item.
    QCOMPARE(machine.ReadInteger(QStringLiteral("AreaUnit"), -1), 0);
    QCOMPARE(machine.ReadInteger(Setting::EurSymbol), 1);
    QCOMPARE(m_ini->ReadInteger(QStringLiteral("Currency"), QStringLiteral("Index"), -1), 1);
    QCOMPARE(CurrencySymbol(), QStringLiteral("eur "));
    QVERIFY(!QFileInfo::exists(m_home->filePath(QStringLiteral("user-settings"))));
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestKPInstAlgForm::switchingToPerUserSettings()
{
    TZHRegistry machine = scope(Machine);
    machine.WriteBool(Setting::PrintBlackWhite, true);
    machine.WriteInteger(Setting::EurSymbol, 1);
    machine.WriteInteger(Setting::Season, 2020);
    m_ini->WriteInteger(QStringLiteral("Currency"), QStringLiteral("Index"), 1);
    const auto dialog = shownDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->UserSetsLocRGroup->isEnabled());
    QCOMPARE(dialog->ColorBWrgroup->ItemIndex(), 1);
    click(dialog->UserSetsLocRGroup->Button(1));
    click(dialog->OKBtn);

    // The choice is machine-wide; what the dialog shows went to the user.
    QCOMPARE(machine.ReadInteger(Setting::UserSetsLoc), 1);
    const TZHRegistry user = scope(User);
    QCOMPARE(user.ReadBool(Setting::PrintBlackWhite), true);
    QCOMPARE(user.ReadInteger(QStringLiteral("AreaUnit"), -1), 0);
    QCOMPARE(user.ReadInteger(Setting::EurSymbol), 1);
    QVERIFY(!user.ValueExists(QStringLiteral("UserSetsLoc")));
    // From now on everything else is read per user, where nothing was carried
    // over.
    QCOMPARE(TZHRegistry::current().AppRootKey(), User);
    QCOMPARE(TZHRegistry::current().ReadInteger(Setting::Season), 0);
    QCOMPARE(machine.ReadInteger(Setting::Season), 2020);

    // The next show reads the per-user scope: its defaults, once the values
    // the dialog wrote there are gone.
    for (const char* name : {"PrintBlackWhite", "EurSymbol"})
        QVERIFY(scope(User).DeleteValue(QLatin1String(name)));
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QCOMPARE(dialog->UserSetsLocRGroup->ItemIndex(), 1);
    QCOMPARE(dialog->ColorBWrgroup->ItemIndex(), 0);
    QCOMPARE(dialog->EurSymbolRGroup->ItemIndex(), 0);
    QCOMPARE(CurrencySymbol(), QStringLiteral("\u20AC "));
    dialog->reject();
}

void TestKPInstAlgForm::cancelStoresNothing()
{
    m_ini->WriteInteger(QStringLiteral("Currency"), QStringLiteral("Index"), 1);
    const auto dialog = shownDialog();
    QVERIFY(dialog);
    const QByteArray iniBefore = [this] {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    click(dialog->ColorBWrgroup->Button(1));
    click(dialog->UserSetsLocRGroup->Button(1));
    dialog->EurSymbolRGroup->SetItemIndex(1);
    dialog->StdCurrencyRGroup->SetItemIndex(0);
    click(dialog->CancelBtn);

    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(!QFileInfo::exists(m_home->filePath(QStringLiteral("machine-settings"))));
    QVERIFY(!QFileInfo::exists(m_home->filePath(QStringLiteral("user-settings"))));
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), iniBefore);
    QCOMPARE(TZHRegistry::current().AppRootKey(), Machine);
    QCOMPARE(CurrencySymbol(), QStringLiteral("\u20AC "));

    // The next show forgets what was cancelled.
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QCOMPARE(dialog->ColorBWrgroup->ItemIndex(), 0);
    QCOMPARE(dialog->UserSetsLocRGroup->ItemIndex(), 0);
    dialog->reject();
}

void TestKPInstAlgForm::onlyAnAdministratorChoosesWhereSettingsLive_data()
{
    QTest::addColumn<bool>("blocked");  // the machine-wide location cannot be written
    QTest::addColumn<bool>("readOnly"); // by its permissions
    QTest::newRow("may write machine-wide") << false << false;
    QTest::newRow("may not write machine-wide") << true << false;
    QTest::newRow("read-only for this user") << true << true;
}

void TestKPInstAlgForm::onlyAnAdministratorChoosesWhereSettingsLive()
{
    QFETCH(bool, blocked);
    QFETCH(bool, readOnly);
    const QString machineDir = m_home->filePath(QStringLiteral("machine-settings"));
    if (readOnly) {
        if (geteuid() == 0)
            QSKIP("root may write any folder; the folder-blocked row covers root");
        QVERIFY(QDir().mkpath(machineDir));
        QVERIFY(QFile::setPermissions(machineDir, QFile::ReadOwner | QFile::ExeOwner));
    } else if (blocked) {
        // A file in place of the machine-wide folder: no user, root
        // included, can write there.
        writeFile(machineDir, "not a folder");
    }
    const auto writable = qScopeGuard([&] {
        if (readOnly)
            QFile::setPermissions(machineDir,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    QCOMPARE(TKPInstAlgForm::IsAdministrator(), !blocked);
    const auto dialog = shownDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->UserSetsLocRGroup->isEnabled(), !blocked);

    // OK skips what cannot be written, without a message.
    click(dialog->ColorBWrgroup->Button(1));
    click(dialog->OKBtn);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(scope(Machine).ReadBool(Setting::PrintBlackWhite), !blocked);
    QCOMPARE(TZHRegistry::current().AppRootKey(), Machine);
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestKPInstAlgForm::databasePageShowsTheVersion_data()
{
    QTest::addColumn<QByteArray>("iniContent");
    QTest::addColumn<QString>("shown");
    QTest::newRow("upgraded") << QByteArray("[DBase]\r\nVersion=4.0.1.8\r\n") << "4.0.1.8";
    QTest::newRow("no version") << QByteArray("[Currency]\r\nIndex=1\r\n") << "";
    QTest::newRow("no file") << QByteArray() << "";
}

void TestKPInstAlgForm::databasePageShowsTheVersion()
{
    QFETCH(QByteArray, iniContent);
    QFETCH(QString, shown);
    if (!iniContent.isEmpty())
        writeFile(iniPath(), iniContent);
    const auto dialog = shownDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->DBaseVersionLabel->text(), shown);
    QCOMPARE(dialog->Label1->text(), QStringLiteral("Database versie"));
    dialog->reject();
}

void TestKPInstAlgForm::unwritableDatabaseFile()
{
    // A folder stands where the file should be: it reads as missing, and
    // cannot be written.
    QVERIFY(QDir().mkpath(iniPath()));
    scope(Machine).WriteInteger(Setting::StdCurrency, 1);
    const auto dialog = shownDialog();
    QVERIFY(dialog);
    // Loading leaves the currency where it was until it can move.
    QVERIFY(scope(Machine).ValueExists(QStringLiteral("StdCurrency")));
    QCOMPARE(CurrencySymbol(), QStringLiteral("\u20AC "));
    QVERIFY((*m_prompts)->shown().isEmpty());

    // OK: the error is shown, what was written before it stays, the rest is
    // not done, and the dialog closes with OK.
    click(dialog->ColorBWrgroup->Button(1));
    dialog->EurSymbolRGroup->SetItemIndex(1);
    click(dialog->OKBtn);
    QCOMPARE((*m_prompts)->shown().size(), 1);
    QCOMPARE((*m_prompts)->shown().first().kind, UserPrompts::Kind::Error);
    QVERIFY((*m_prompts)->texts().first().contains(QStringLiteral("KPDBase.ini")));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(scope(Machine).ReadBool(Setting::PrintBlackWhite), true);
    QVERIFY(!scope(Machine).ValueExists(QStringLiteral("EurSymbol")));
}

QTEST_MAIN(TestKPInstAlgForm)
#include "tst_kpinstalgform.moc"
