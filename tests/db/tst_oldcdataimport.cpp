#include "core/AppGlobals.h"
#include "core/ProgressDisplay.h"
#include "core/TZHRegistry.h"
#include "db/OldCdataTable.h"
#include "db/StandardDatabase.h"
#include "db/TDMod.h"
#include "db/engine/EngineSession.h"
#include "db/engine/TableView.h"
#include "support/ParadoxWriter.h"
#include "support/ScriptedPrompts.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kasplan;
using paradox::FieldType;

namespace {

const QString Question = QStringLiteral(
    "Wilt u uw Kasplan versie 4 Cultivardatabase updaten met\r\nuw oude Kasplan versie 3 "
    "database?");

class RecordedProgress : public ProgressDisplay
{
public:
    void Show(const QString& caption) override { events.append(QStringLiteral("show ") + caption); }
    void SetPosition(int percent) override { events.append(QString::number(percent)); }
    void Hide() override { events.append(QStringLiteral("hide")); }
    QStringList events;
};

// One old record: cultivar, source, size, colour, count.
struct OldRecord
{
    QString cultivar;
    QString source;
    QString size;
    QString kleur;
    int aantal;
};

} // namespace

// The offer to take the previous major version's single table into today's
// tables, after an upgrade.
class TestOldCdataImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void askedOnlyAfterAnUpgradeWithTheOldTable_data();
    void askedOnlyAfterAnUpgradeWithTheOldTable();
    void noImportsNothingAndKeepsTheTableAside();
    void yesUpdatesInPlaceAndAppends();
    void failureEndsSilentlyAndLeavesTheTable();

private:
    QString folder() const { return m_session->aliasPath(QStringLiteral("BROEI")); }
    void writeOldTable(const QList<OldRecord>& records);
    QStringList oldFilesInFolder() const
    {
        return QDir(folder()).entryList({QStringLiteral("Kbroei14.*")}, QDir::Files);
    }
    QStringList backedUp() const
    {
        QStringList files;
        QDirIterator it(AppBackupDir(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files.append(
                QDir(AppBackupDir()).relativeFilePath(it.next()).section(QLatin1Char('/'), 1));
        files.sort();
        return files;
    }
    int count(const QString& sql)
    {
        return m_session->database(QStringLiteral("BROEI"))
            .select(sql)
            .rows.front()
            .value(0)
            .toInt();
    }
    // A cultivar and one of its sizes that the standard database holds.
    OldRecord standardRecord();

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<db::EngineSession> m_session;
    std::unique_ptr<TDMod> m_dmod;
    RecordedProgress m_progress;
};

void TestOldCdataImport::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("KASPLAN_HOME", m_home->path().toUtf8());
    TZHRegistry::install(nullptr);
    m_session = std::make_unique<db::EngineSession>();
    StandardDatabase::prepare(*m_session);
    m_dmod = std::make_unique<TDMod>(*m_session);
    m_progress.events.clear();
    m_dmod->setProgressDisplay(&m_progress);
}

void TestOldCdataImport::cleanup()
{
    m_dmod.reset();
    m_session.reset();
    TZHRegistry::install(nullptr);
    AppGlobals::Reset();
    qunsetenv("KASPLAN_HOME");
    m_home.reset();
}

void TestOldCdataImport::writeOldTable(const QList<OldRecord>& records)
{
    test::ParadoxTableSpec spec;
    spec.version = 5;
    spec.codePage = 1252;
    spec.fields = {{QStringLiteral("Cultivar"), FieldType::Alpha, 50},
                   {QStringLiteral("Source"), FieldType::Alpha, 30},
                   {QStringLiteral("Size"), FieldType::Alpha, 10},
                   {QStringLiteral("Kleur"), FieldType::Alpha, 20},
                   {QStringLiteral("Aantal"), FieldType::Long, 0},
                   {QStringLiteral("Oudveld"), FieldType::Alpha, 10}};
    spec.keyFieldCount = 3;
    test::ParadoxWriter writer(spec);
    for (const OldRecord& r : records)
        writer.append({r.cultivar, r.source, r.size, r.kleur, r.aantal, QStringLiteral("weg")});
    writer.save(QDir(folder()).filePath(QStringLiteral("KBROEI14.DB")));
    // A companion file of the old engine goes along with it.
    QFile index(QDir(folder()).filePath(QStringLiteral("KBROEI14.PX")));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("index");
}

OldRecord TestOldCdataImport::standardRecord()
{
    const auto row = m_session->database(QStringLiteral("BROEI"))
                         .select(QStringLiteral("SELECT Cultivar, Source, Size FROM Csizes "
                                                "ORDER BY Cultivar, Source, Size LIMIT 1"))
                         .rows.front();
    return {row.value(0).toString(), row.value(1).toString(), row.value(2).toString(), {}, 0};
}

void TestOldCdataImport::askedOnlyAfterAnUpgradeWithTheOldTable_data()
{
    QTest::addColumn<bool>("upgradeRan");
    QTest::addColumn<bool>("oldTable");
    QTest::newRow("upgrade, old table") << true << true;
    QTest::newRow("no upgrade, old table") << false << true;
    QTest::newRow("upgrade, no old table") << true << false;
}

void TestOldCdataImport::askedOnlyAfterAnUpgradeWithTheOldTable()
{
    QFETCH(bool, upgradeRan);
    QFETCH(bool, oldTable);
    if (oldTable)
        writeOldTable({{QStringLiteral("Oude Tulp"), QStringLiteral("NL"), QStringLiteral("10/11"),
                        QStringLiteral("rood"), 5}});
    ScopedScriptedPrompts prompts;
    prompts->queueAnswer(UserPrompts::No);
    m_dmod->DataModuleCreate(upgradeRan);
    QCOMPARE(prompts->texts(), upgradeRan && oldTable ? QStringList{Question} : QStringList());
    // Answered "Nee", the table goes aside; unasked, it stays.
    QCOMPARE(oldFilesInFolder().isEmpty(), !(oldTable && !upgradeRan));
}

void TestOldCdataImport::noImportsNothingAndKeepsTheTableAside()
{
    writeOldTable({{QStringLiteral("Oude Tulp"), QStringLiteral("NL"), QStringLiteral("10/11"),
                    QStringLiteral("rood"), 5}});
    const int cultivars = count(QStringLiteral("SELECT count(*) FROM Cdata"));
    const int sizes = count(QStringLiteral("SELECT count(*) FROM Csizes"));
    ScopedScriptedPrompts prompts;
    prompts->queueAnswer(UserPrompts::No);
    m_dmod->DataModuleCreate(true);

    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Cdata")), cultivars);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Csizes")), sizes);
    QCOMPARE(m_progress.events, QStringList());
    QCOMPARE(oldFilesInFolder(), QStringList());
    QCOMPARE(backedUp(),
             QStringList({QStringLiteral("KBROEI14.DB"), QStringLiteral("KBROEI14.PX")}));

    // Nothing is left to offer.
    prompts->clear();
    m_dmod->CloseAllViews();
    m_dmod->DataModuleCreate(true);
    QCOMPARE(prompts->texts(), QStringList());
}

void TestOldCdataImport::yesUpdatesInPlaceAndAppends()
{
    const OldRecord existing = standardRecord();
    const int cultivars = count(QStringLiteral("SELECT count(*) FROM Cdata"));
    const int sizes = count(QStringLiteral("SELECT count(*) FROM Csizes"));
    writeOldTable(
        {{existing.cultivar, existing.source, existing.size, QStringLiteral("oud rood"), 123},
         {existing.cultivar, existing.source, QStringLiteral("99/+"), QStringLiteral("oud geel"),
          7},
         {QStringLiteral("Oude Tulp"), QStringLiteral("NL"), QStringLiteral("10/11"),
          QStringLiteral("paars"), 5}});
    ScopedScriptedPrompts prompts;
    prompts->queueAnswer(UserPrompts::Yes);
    m_dmod->DataModuleCreate(true);

    QCOMPARE(prompts->texts(), QStringList{Question});
    QCOMPARE(m_progress.events, QStringList({QStringLiteral("show Updaten cultivar database...."),
                                             QStringLiteral("33"), QStringLiteral("67"),
                                             QStringLiteral("100"), QStringLiteral("hide")}));
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Cdata")), cultivars + 1);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Csizes")), sizes + 2);
    const auto where = [&](const QString& size) {
        return QStringLiteral("Cultivar = '%1' AND Source = '%2' AND Size = '%3'")
            .arg(existing.cultivar, existing.source, size);
    };
    QCOMPARE(count(QStringLiteral("SELECT Aantal FROM Csizes WHERE ") + where(existing.size)), 123);
    QCOMPARE(
        count(QStringLiteral("SELECT Aantal FROM Csizes WHERE ") + where(QStringLiteral("99/+"))),
        7);
    // The cultivar's own fields come from its last old record.
    QCOMPARE(m_session->database(QStringLiteral("BROEI"))
                 .select(QStringLiteral("SELECT Kleur FROM Cdata WHERE Cultivar = '%1' AND "
                                        "Source = '%2'")
                             .arg(existing.cultivar, existing.source))
                 .rows.front()
                 .value(0)
                 .toString(),
             QStringLiteral("oud geel"));
    QCOMPARE(count(QStringLiteral("SELECT Aantal FROM Csizes WHERE Cultivar = 'Oude Tulp' AND "
                                  "Source = 'NL' AND Size = '10/11'")),
             5);
    // The views are back on their first record, the table kept aside.
    QCOMPARE(m_dmod->tbCdata()->currentIndex(), 0);
    QCOMPARE(oldFilesInFolder(), QStringList());
    QCOMPARE(backedUp().size(), 2);
}

void TestOldCdataImport::failureEndsSilentlyAndLeavesTheTable()
{
    // The second record breaks a rule of today's tables: a negative count.
    writeOldTable({{QStringLiteral("Eerste"), QStringLiteral("NL"), QStringLiteral("10/11"),
                    QStringLiteral("rood"), 1},
                   {QStringLiteral("Tweede"), QStringLiteral("NL"), QStringLiteral("10/11"),
                    QStringLiteral("rood"), -1},
                   {QStringLiteral("Derde"), QStringLiteral("NL"), QStringLiteral("10/11"),
                    QStringLiteral("rood"), 3}});
    ScopedScriptedPrompts prompts;
    prompts->queueAnswer(UserPrompts::Yes);
    m_dmod->DataModuleCreate(true);

    QCOMPARE(prompts->texts(), QStringList{Question});
    QCOMPARE(m_progress.events, QStringList({QStringLiteral("show Updaten cultivar database...."),
                                             QStringLiteral("33"), QStringLiteral("hide")}));
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Csizes WHERE Cultivar = 'Eerste'")), 1);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Cdata WHERE Cultivar IN ('Tweede', "
                                  "'Derde')")),
             0);
    QCOMPARE(oldFilesInFolder(),
             QStringList({QStringLiteral("KBROEI14.DB"), QStringLiteral("KBROEI14.PX")}));
    QVERIFY(m_dmod->tbCdata()->isActive());
    QVERIFY(!m_dmod->tbCdata()->isEditing());
}

QTEST_GUILESS_MAIN(TestOldCdataImport)
#include "tst_oldcdataimport.moc"
