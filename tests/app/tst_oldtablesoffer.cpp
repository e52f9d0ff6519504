#include "app/MainProgram.h"
#include "app/OldTablesOffer.h"
#include "app/RunningCopyLock.h"
#include "app/UnitStartup.h"

#include "core/AppGlobals.h"
#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "db/StandardDatabase.h"
#include "db/TDMod.h"
#include "db/engine/EngineSession.h"
#include "db/engine/HostIdentity.h"
#include "db/engine/SqliteDatabase.h"
#include "db/engine/TableView.h"
#include "support/OldDatabase.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kasplan;
using test::OldDatabase;

namespace {

// Hashes of the old tables, to show they are only read.
QMap<QString, QByteArray> oldFileHashes(const QString& folder)
{
    QMap<QString, QByteArray> hashes;
    for (const QString& name : QDir(folder).entryList(
             {QStringLiteral("*.DB"), QStringLiteral("*.db"), QStringLiteral("*.MB")},
             QDir::Files)) {
        QFile f(QDir(folder).filePath(name));
        if (f.open(QIODevice::ReadOnly))
            hashes.insert(name, QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256));
    }
    return hashes;
}

// Notes the caption of each window shown.
class ShowRecorder : public QObject
{
public:
    QStringList captions;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && widget && widget->isWindow())
            captions.append(widget->windowTitle());
        return false;
    }
};

const QString Question = QStringLiteral(
    "In de databasemap staan de cultivartabellen van een oudere versie (Cdata.DB).\r\n"
    "Wilt u deze gegevens overnemen in de nieuwe database?\r\n"
    "De oude bestanden blijven ongewijzigd.");

} // namespace

class TestOldTablesOffer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void yesTakesTheOldTablesOver();
    void noMakesTheStandardDatabaseAndAsksOnlyWhenAskedTo();
    void badRecordsAreLeftOutOnlyWhenTheUserAgrees_data();
    void badRecordsAreLeftOutOnlyWhenTheUserAgrees();
    void damagedTableIsReportedAndTheStandardDatabaseMade();
    void aliasPointedAtTheOldFolder();
    void noOldTablesNoQuestion();
    void programAsksAtStartup();

private:
    QString standardFolder() const { return m_home->filePath(QStringLiteral("database")); }
    // Runs the offer and then the standard database's preparation, as the
    // start-up does.
    void start();
    std::unique_ptr<db::SqliteDatabase> openDatabase(const QString& folder) const;
    bool hasCultivar(const QString& folder, const QString& name, const QString& source) const;

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
    std::unique_ptr<TZHRegistry> m_registry;
    OldDatabase m_old;
};

void TestOldTablesOffer::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("KASPLAN_HOME", m_home->path().toLocal8Bit());
    m_prompts = std::make_unique<ScopedScriptedPrompts>();
    m_registry = std::make_unique<TZHRegistry>();
    m_registry->SetVersion(QStringLiteral("4.0"));
    m_old = OldDatabase::sample(20, 2);
}

void TestOldTablesOffer::cleanup()
{
    m_registry.reset();
    m_prompts.reset();
    AppGlobals::Reset();
    qunsetenv("KASPLAN_HOME");
    m_home.reset();
}

void TestOldTablesOffer::start()
{
    db::EngineSession session;
    OldTablesOffer(session, *m_registry).Run();
    StandardDatabase::prepare(session);
    session.closeDatabases();
}

std::unique_ptr<db::SqliteDatabase> TestOldTablesOffer::openDatabase(const QString& folder) const
{
    db::SqliteDatabase::Options options;
    options.identity = db::HostIdentity::current(QStringLiteral("test"));
    return std::make_unique<db::SqliteDatabase>(
        QDir(folder).filePath(QLatin1String(db::SqliteDatabase::FileName)), options);
}

bool TestOldTablesOffer::hasCultivar(const QString& folder, const QString& name,
                                     const QString& source) const
{
    auto database = openDatabase(folder);
    return database
        ->fetchRow(database->tableDef(QStringLiteral("Cdata")), {QStringLiteral("Cultivar")},
                   {name.toUtf8(), source.toUtf8()})
        .has_value();
}

void TestOldTablesOffer::yesTakesTheOldTablesOver()
{
    m_old.write(standardFolder());
    const auto before = oldFileHashes(standardFolder());
    (*m_prompts)->queueAnswer(UserPrompts::Yes);
    ShowRecorder shows;
    qApp->installEventFilter(&shows);
    start();
    qApp->removeEventFilter(&shows);

    const QList<ScriptedPrompts::Shown> shown = (*m_prompts)->shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].text, Question);
    QCOMPARE(shown[0].buttons, UserPrompts::Yes | UserPrompts::No);
    QCOMPARE(shown[1].kind, UserPrompts::Kind::Information);
    QVERIFY2(shown[1].text.contains(QStringLiteral("Cdata.DB: 20 toegevoegd, 0 bijgewerkt")),
             qPrintable(shown[1].text));
    QVERIFY(shows.captions.contains(QLatin1String(OldTablesOffer::Caption)));

    QCOMPARE(m_old.differences(*openDatabase(standardFolder())), QString());
    // The delivered records are there as well.
    QVERIFY(hasCultivar(standardFolder(), QStringLiteral("Paul Richter"), QStringLiteral("NL")));
    QCOMPARE(oldFileHashes(standardFolder()), before);
}

void TestOldTablesOffer::noMakesTheStandardDatabaseAndAsksOnlyWhenAskedTo()
{
    m_old.write(standardFolder());
    (*m_prompts)->queueAnswer(UserPrompts::No);
    start();
    QCOMPARE((*m_prompts)->texts(), QStringList{Question});
    QVERIFY(hasCultivar(standardFolder(), QStringLiteral("Paul Richter"), QStringLiteral("NL")));
    QVERIFY(!hasCultivar(standardFolder(), QStringLiteral("Kweek 000001 ë"), QStringLiteral("NL")));

    // The next start asks nothing.
    (*m_prompts)->clear();
    start();
    QVERIFY((*m_prompts)->shown().isEmpty());

    // Unless the setting asks for it, once: then into the database there is.
    m_registry->WriteBool(Setting::OfferOldTables, true);
    (*m_prompts)->queueAnswer(UserPrompts::Yes);
    start();
    QCOMPARE((*m_prompts)->texts().value(0), Question);
    QVERIFY(!m_registry->ValueExists(QLatin1String(Setting::OfferOldTables.name)));
    QCOMPARE(m_old.differences(*openDatabase(standardFolder())), QString());
    QVERIFY(hasCultivar(standardFolder(), QStringLiteral("Paul Richter"), QStringLiteral("NL")));
    (*m_prompts)->clear();
    start();
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestOldTablesOffer::badRecordsAreLeftOutOnlyWhenTheUserAgrees_data()
{
    QTest::addColumn<bool>("takeTheRest");
    QTest::newRow("take the rest") << true;
    QTest::newRow("take nothing") << false;
}

void TestOldTablesOffer::badRecordsAreLeftOutOnlyWhenTheUserAgrees()
{
    QFETCH(bool, takeTheRest);
    m_old.table(QStringLiteral("Csizes")).set(3, QStringLiteral("Aantal"), -5);
    m_old.write(standardFolder());
    (*m_prompts)->queueAnswer(UserPrompts::Yes);
    (*m_prompts)->queueAnswer(takeTheRest ? UserPrompts::Yes : UserPrompts::No);
    start();

    const QStringList texts = (*m_prompts)->texts();
    QCOMPARE(texts.size(), takeTheRest ? 3 : 2);
    QCOMPARE(texts[1], QStringLiteral("Deze records breken een regel van de huidige tabellen:\r\n"
                                      "Csizes.DB record 4 (Cultivar 'Kweek 000001 ë', Source 'NL', "
                                      "Size '11/12'): veld Aantal is negatief (-5)\r\n"
                                      "Wilt u de overige gegevens zonder deze records overnemen?"));
    QVERIFY(hasCultivar(standardFolder(), QStringLiteral("Paul Richter"), QStringLiteral("NL")));
    QCOMPARE(hasCultivar(standardFolder(), QStringLiteral("Kweek 000001 ë"), QStringLiteral("NL")),
             takeTheRest);
    if (takeTheRest) {
        QVERIFY(texts[2].contains(
            QStringLiteral("Csizes.DB: 39 toegevoegd, 0 bijgewerkt, 1 weggelaten")));
        m_old.table(QStringLiteral("Csizes")).rows.removeAt(3);
        QCOMPARE(m_old.differences(*openDatabase(standardFolder())), QString());
    }
}

void TestOldTablesOffer::damagedTableIsReportedAndTheStandardDatabaseMade()
{
    m_old.write(standardFolder());
    const QString csizes = QDir(standardFolder()).filePath(QStringLiteral("Csizes.DB"));
    QFile::resize(csizes, QFileInfo(csizes).size() - 100);
    (*m_prompts)->queueAnswer(UserPrompts::Yes);
    start();
    const QList<ScriptedPrompts::Shown> shown = (*m_prompts)->shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].kind, UserPrompts::Kind::Error);
    QVERIFY2(shown[1].text.startsWith(QStringLiteral("De oude cultivartabellen konden niet "
                                                     "overgenomen worden:\r\nCsizes.DB: ")),
             qPrintable(shown[1].text));
    QVERIFY(hasCultivar(standardFolder(), QStringLiteral("Paul Richter"), QStringLiteral("NL")));
    QVERIFY(!hasCultivar(standardFolder(), QStringLiteral("Kweek 000001 ë"), QStringLiteral("NL")));
}

void TestOldTablesOffer::aliasPointedAtTheOldFolder()
{
    // The grower pointed 'BROEI' at the folder of the old program.
    const QString oldFolder = m_home->filePath(QStringLiteral("oud/Broei"));
    m_old.write(oldFolder);
    db::EngineSession setup;
    setup.aliases().add(QStringLiteral("BROEI"), QStringLiteral("Paradox"), oldFolder);
    QVERIFY(setup.aliases().save());

    for (const bool yes : {false, true}) {
        QFile::remove(QDir(oldFolder).filePath(QLatin1String(db::SqliteDatabase::FileName)));
        (*m_prompts)->clear();
        (*m_prompts)->queueAnswer(yes ? UserPrompts::Yes : UserPrompts::No);
        start();
        QCOMPARE((*m_prompts)->texts().value(0), Question);
        QVERIFY(hasCultivar(oldFolder, QStringLiteral("Paul Richter"), QStringLiteral("NL")));
        QCOMPARE(hasCultivar(oldFolder, QStringLiteral("Kweek 000001 ë"), QStringLiteral("NL")),
                 yes);
        QVERIFY(!QFile::exists(
            QDir(standardFolder()).filePath(QLatin1String(db::SqliteDatabase::FileName))));
    }
}

void TestOldTablesOffer::noOldTablesNoQuestion()
{
    start();
    QVERIFY((*m_prompts)->shown().isEmpty());
    QVERIFY(hasCultivar(standardFolder(), QStringLiteral("Paul Richter"), QStringLiteral("NL")));
}

void TestOldTablesOffer::programAsksAtStartup()
{
    m_old.write(standardFolder());
    const auto running = UnitStartup();
    (*m_prompts)->queueAnswer(UserPrompts::Yes);
    {
        MainProgram program;
        program.Create();
        QVERIFY(program.DMod());
        QCOMPARE((*m_prompts)->texts().value(0), Question);
        db::TableView& cultivars = *program.DMod()->tbCdata();
        QVERIFY(cultivars.isActive());
        QVERIFY(cultivars.locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                                 {QStringLiteral("Kweek 000001 ë"), QStringLiteral("NL")}));
    }
    TZHRegistry::install(nullptr);
}

QTEST_MAIN(TestOldTablesOffer)
#include "tst_oldtablesoffer.moc"
