#include "db/rules/DatabaseErrorReport.h"
#include "db/rules/DatabaseOpener.h"

#include "core/UserPrompts.h"
#include "support/ScriptedPrompts.h"

#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace kasplan;

namespace {

// Settings in memory and an engine whose views fail to open at chosen aliases.
class FakeHost : public DatabaseOpenHost
{
public:
    QVariantMap settings;
    QStringList failingAliases;
    QStringList attempts;
    QStringList recreatedPaths;
    QString alias;
    QString openAlias;

    bool ReadBool(const QString& name, bool d) override { return settings.value(name, d).toBool(); }
    int ReadInteger(const QString& name, int d) override { return settings.value(name, d).toInt(); }
    QString ReadString(const QString& name, const QString& d) override
    {
        return settings.value(name, d).toString();
    }
    void WriteBool(const QString& name, bool value) override { settings.insert(name, value); }
    QString StandardAlias() const override { return QStringLiteral("BROEI"); }
    void RecreateUserAlias(const QString& path) override { recreatedPaths.append(path); }
    QString DatabaseAlias() const override { return alias; }
    void SetDatabaseAlias(const QString& a) override { alias = a; }
    void OpenViewsAt(const QString& a) override
    {
        attempts.append(a);
        openAlias.clear();
        if (failingAliases.contains(a))
            throw std::runtime_error("Table does not exist: Cdata");
        openAlias = a;
    }
};

const QString fallbackLine =
    QStringLiteral("\r\nde standaard Teelplan Cultivar database wordt nu weer geopend");

} // namespace

class TestDatabaseOpener : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { dir = std::make_unique<QTemporaryDir>(); }
    void chosenLocation_data();
    void chosenLocation();
    void failingChosenLocationFallsBack();
    void bothLocationsFailing();
    void failingStandardDatabaseWithoutChoice();
    void databaseErrorText();

private:
    std::unique_ptr<QTemporaryDir> dir;
};

void TestDatabaseOpener::chosenLocation_data()
{
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<QString>("alias");
    QTest::addColumn<bool>("userAlias");
    const QString existing = QStringLiteral("<dir>");
    QTest::newRow("first start") << QVariantMap() << "BROEI" << false;
    QTest::newRow("use off ignores the type")
        << QVariantMap{{"UseKasplanCdata", false}, {"KasplanTypeCdata", 1}} << "BROEI" << false;
    QTest::newRow("type 0") << QVariantMap{{"UseKasplanCdata", true}, {"KasplanTypeCdata", 0}}
                            << "BROEI" << false;
    QTest::newRow("type 1") << QVariantMap{{"UseKasplanCdata", true}, {"KasplanTypeCdata", 1}}
                            << "HORTIDB" << false;
    QTest::newRow("type 2, existing folder") << QVariantMap{{"UseKasplanCdata", true},
                                                            {"KasplanTypeCdata", 2},
                                                            {"KasplanDBasePath", existing}}
                                             << "UserCDataLoc" << true;
    QTest::newRow("type 2, missing folder") << QVariantMap{{"UseKasplanCdata", true},
                                                           {"KasplanTypeCdata", 2},
                                                           {"KasplanDBasePath", "<dir>/nowhere"}}
                                            << "BROEI" << false;
    QTest::newRow("type 2, no folder named")
        << QVariantMap{{"UseKasplanCdata", true}, {"KasplanTypeCdata", 2}} << "BROEI" << false;
    QTest::newRow("type 2, a file, not a folder") << QVariantMap{{"UseKasplanCdata", true},
                                                                 {"KasplanTypeCdata", 2},
                                                                 {"KasplanDBasePath", "<dir>/file"}}
                                                  << "BROEI" << false;
    QTest::newRow("unknown type") << QVariantMap{{"UseKasplanCdata", true}, {"KasplanTypeCdata", 5}}
                                  << "BROEI" << false;
}

void TestDatabaseOpener::chosenLocation()
{
    QFETCH(QVariantMap, settings);
    QFETCH(QString, alias);
    QFETCH(bool, userAlias);
    QFile file(dir->filePath("file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    if (settings.contains("KasplanDBasePath"))
        settings["KasplanDBasePath"] =
            settings["KasplanDBasePath"].toString().replace("<dir>", dir->path());

    ScopedScriptedPrompts prompts;
    FakeHost host;
    host.settings = settings;
    DatabaseOpener(host).OpenDatabase();
    QCOMPARE(host.attempts, QStringList{alias});
    QCOMPARE(host.alias, alias);
    QCOMPARE(host.openAlias, alias);
    QCOMPARE(host.recreatedPaths, userAlias ? QStringList{dir->path()} : QStringList());
    QCOMPARE(prompts->texts(), QStringList());
    // A location that opened keeps the user's choice.
    QCOMPARE(host.settings.value("UseKasplanCdata"), settings.value("UseKasplanCdata"));
}

void TestDatabaseOpener::failingChosenLocationFallsBack()
{
    ScopedScriptedPrompts prompts;
    FakeHost host;
    host.settings = {{"UseKasplanCdata", true}, {"KasplanTypeCdata", 1}};
    host.failingAliases = {"HORTIDB"};
    DatabaseOpener(host).OpenDatabase();
    QCOMPARE(host.attempts, QStringList({"HORTIDB", "BROEI"}));
    QCOMPARE(host.openAlias, QStringLiteral("BROEI"));
    QCOMPARE(host.alias, QStringLiteral("BROEI"));
    QCOMPARE(
        prompts->texts(),
        QStringList{
            "Cultivar Database HORTIDB kon niet geopened worden\r\nTable does not exist: Cdata" +
            fallbackLine});
    QCOMPARE(prompts->shown().first().kind, UserPrompts::Kind::Error);
    QCOMPARE(prompts->shown().first().buttons, int(UserPrompts::Ok));
    QCOMPARE(host.settings.value("UseKasplanCdata"), QVariant(false));
}

void TestDatabaseOpener::bothLocationsFailing()
{
    ScopedScriptedPrompts prompts;
    FakeHost host;
    host.settings = {
        {"UseKasplanCdata", true}, {"KasplanTypeCdata", 2}, {"KasplanDBasePath", dir->path()}};
    host.failingAliases = {"UserCDataLoc", "BROEI"};
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, DatabaseOpener(host).OpenDatabase());
    QCOMPARE(host.attempts, QStringList({"UserCDataLoc", "BROEI"}));
    QCOMPARE(host.openAlias, QString());
    QCOMPARE(
        prompts->texts(),
        QStringList({"Cultivar Database UserCDataLoc kon niet geopened worden\r\nTable does not "
                     "exist: Cdata" +
                         fallbackLine,
                     "Cultivar Database BROEI kon niet geopened worden"}));
    QCOMPARE(host.settings.value("UseKasplanCdata"), QVariant(false));
}

void TestDatabaseOpener::failingStandardDatabaseWithoutChoice()
{
    ScopedScriptedPrompts prompts;
    FakeHost host;
    host.failingAliases = {"BROEI"};
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, DatabaseOpener(host).OpenDatabase());
    QCOMPARE(host.attempts, QStringList{"BROEI"});
    QCOMPARE(prompts->texts(), QStringList{"Cultivar Database BROEI kon niet geopened worden"});
    QCOMPARE(host.settings.value("UseKasplanCdata"), QVariant(false));
}

void TestDatabaseOpener::databaseErrorText()
{
    const QString text =
        DatabaseErrorText(QStringLiteral("Cultivargegevens"), QStringLiteral("Kasplan"),
                          QStringLiteral("file is not a database (100% %1)"));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 11);
    QCOMPARE(lines.at(0), QStringLiteral("Error DB 1"));
    QCOMPARE(lines.at(1), QStringLiteral("De Cultivargegevensdatabase kan niet geopend worden."));
    QCOMPARE(lines.at(3), QStringLiteral("niet compatible met uw Kasplan versie."));
    QCOMPARE(lines.at(5), QStringLiteral("De foutmelding = file is not a database (100% %1)"));
    QCOMPARE(lines.at(8),
             QStringLiteral("Blijven er problemen, noteer dan uw Kasplan versie nr.,"));
    QCOMPARE(
        lines.at(10),
        QStringLiteral("E-mail de inhoud van de data folder (gezipped) naar Zandhof Services"));
}

QTEST_APPLESS_MAIN(TestDatabaseOpener)
#include "tst_databaseopener.moc"
