#include "support/OtherCopy.h"
#include "support/TestDatabase.h"

#include "core/UserPrompts.h"
#include "db/TDMod.h"
#include "db/engine/EngineError.h"
#include "db/engine/TableView.h"
#include "support/ScriptedPrompts.h"

#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>

using namespace kasplan;
using kasplan::db::AbortError;
using kasplan::db::EngineError;
using kasplan::db::Field;
using State = kasplan::db::DataSet::State;

namespace {

const QString kEditBlocked =
    QStringLiteral("Error KP 2\r\nStandaard DLV/LBO cultivar records kunnen niet bewerkt\r\n"
                   "worden, alleen door u toegevoegde records (zie instellingen).\r\n"
                   "Hint: maak eerst een copie (\"C\" knop) en bewerk dan de copie!");
const QString kSizeExists =
    QStringLiteral("Error KP 11\r\nZift bestaat reeds;\r\nwijzig Zift of druk op Escape\r\n"
                   "of Annuleer wijziging (knopje boven tabel)!");

QString text(db::DataSet& view, const char* field)
{
    return view.fieldByName(QLatin1String(field))->asString();
}

QString errorText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EngineError& e) {
        return e.text();
    }
    return QStringLiteral("(no error)");
}

} // namespace

// The editing rules of the data module, through its real views: defaults,
// status, protection of delivered records, deletes, refusals and locks.
class TestEditingRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void protectedFieldsAndStatus_data();
    void protectedFieldsAndStatus();
    void refusedChangeUndoesTheWholeEdit();
    void newRecordDefaults();
    void emptySizeIsRefused();
    void duplicatesAreNamed();
    void sizeWithHarvestRecordsKeepsItsName();
    void otherRefusedPosts_data();
    void otherRefusedPosts();
    void harvestSizeTakesItsUnit();
    void deleteCultivarAsksAndCascades();
    void sizeInUseIsNotDeleted_data();
    void sizeInUseIsNotDeleted();
    void alleSizeIsAddedOnce_data();
    void alleSizeIsAddedOnce();
    void newCultivarDialog();
    void lockedRecordNamesTheOtherUser();
    void deleteRefusedByALockKeepsEverything_data();
    void deleteRefusedByALockKeepsEverything();
    void renameWaitsForTheOtherCopy();
    void stockFlagsFollowTheSizes();
    void fullDiskShowsItsOwnReason();
    void laterRulesAddToEarlierOnes();

private:
    db::TableView* cdata() const { return m_dmod->tbCdata(); }
    db::TableView* csizes() const { return m_dmod->tbCsizes(); }
    void goTo(const QString& cultivar, const QString& source)
    {
        QVERIFY(cdata()->locate({"Cultivar", "Source"}, {cultivar, source}));
    }
    int stored(const QString& table, const QString& field, const QString& value);
    QString storedFlags(const QString& cultivar, const QString& source);

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<TDMod> m_dmod;
    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
    bool m_permit = false;
    bool m_windowVisible = false;
};

void TestEditingRules::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
    m_db->addSampleRecords();
    m_prompts = std::make_unique<ScopedScriptedPrompts>();
    m_permit = false;
    m_windowVisible = false;
    m_dmod = std::make_unique<TDMod>(m_db->session());
    m_dmod->CanDelEditStdRecsHook = [this] { return m_permit; };
    m_dmod->StdOogstTypeHook = [] { return 2; };
    m_dmod->CultivarWindowExistsHook = [] { return true; };
    m_dmod->CultivarWindowVisibleHook = [this] { return m_windowVisible; };
    m_dmod->BindViews(QLatin1String(test::TestDatabase::Alias));
    m_dmod->OpenTables();
}

void TestEditingRules::cleanup()
{
    m_dmod.reset();
    m_prompts.reset();
    m_db.reset();
}

// How many stored records of table have field equal to value.
int TestEditingRules::stored(const QString& table, const QString& field, const QString& value)
{
    auto view = m_db->view(table);
    view->open();
    int n = 0;
    for (view->first(); !view->eof(); view->next())
        n += view->fieldByName(field)->asString() == value ? 1 : 0;
    return n;
}

void TestEditingRules::protectedFieldsAndStatus_data()
{
    QTest::addColumn<bool>("sizeRecord");
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("permit");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("after"); // the status afterwards, "refused" for a refusal

    const QString std = QStringLiteral("DLV/LBO");
    const QString name = QStringLiteral("Naam Aangep.");
    const QString changed = QStringLiteral("Aangepast");
    const QString added = QStringLiteral("Toegevoegd");
    const QString addedChanged = QStringLiteral("Toeg.\\Aangep.");
    const QString refused = QStringLiteral("refused");
    QTest::newRow("Kleur of standard")
        << false << std << false << "Kleur" << QVariant("rood") << std;
    QTest::newRow("Source refused")
        << false << std << false << "Source" << QVariant("BE") << refused;
    QTest::newRow("Hoofdgroep refused")
        << false << std << false << "Hoofdgroep" << QVariant(2) << refused;
    QTest::newRow("Source permitted")
        << false << std << true << "Source" << QVariant("BE") << changed;
    QTest::newRow("Cultivar permitted")
        << false << std << true << "Cultivar" << QVariant("Apel") << name;
    QTest::newRow("name changed, then Source")
        << false << name << true << "Source" << QVariant("BE") << changed;
    QTest::newRow("name changed, then Cultivar")
        << false << name << true << "Cultivar" << QVariant("Apel") << name;
    QTest::newRow("changed stays changed")
        << false << changed << true << "Cultivar" << QVariant("Apel") << changed;
    QTest::newRow("added, Cultivar")
        << false << added << false << "Cultivar" << QVariant("Apel") << addedChanged;
    QTest::newRow("added, Source")
        << false << added << false << "Source" << QVariant("BE") << addedChanged;
    QTest::newRow("added changed stays")
        << false << addedChanged << false << "Source" << QVariant("BE") << addedChanged;

    // Size records of the sample database have an empty status: standard.
    QTest::newRow("size Dk_p2_w") << true << QString() << false << "Dk_p2_w" << QVariant(21)
                                  << QString();
    QTest::newRow("size Gstagemin")
        << true << QString() << false << "Gstagemin" << QVariant(QDate(2026, 3, 1)) << QString();
    QTest::newRow("size Dk_p2 refused")
        << true << QString() << false << "Dk_p2" << QVariant(21) << refused;
    QTest::newRow("size DnaG20 permitted")
        << true << QString() << true << "DnaG20" << QVariant(14) << changed;
    QTest::newRow("size added, Kd_p1")
        << true << added << false << "Kd_p1" << QVariant(9) << addedChanged;
}

void TestEditingRules::protectedFieldsAndStatus()
{
    QFETCH(bool, sizeRecord);
    QFETCH(QString, before);
    QFETCH(bool, permit);
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(QString, after);

    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    db::TableView* view = sizeRecord ? csizes() : cdata();
    if (sizeRecord)
        QVERIFY(view->locate({"Size"}, {"11/12"}));
    // Setting the status itself is no protected change.
    view->edit();
    view->fieldByName(QStringLiteral("Status"))->setValue(before);
    view->post();

    m_permit = permit;
    view->edit();
    if (after == QLatin1String("refused")) {
        QCOMPARE(errorText([&] { view->fieldByName(field)->setValue(value); }), kEditBlocked);
        QCOMPARE(view->state(), State::Browse);
        QVERIFY(view->fieldByName(field)->value() != value);
        QCOMPARE(view->fieldByName(QStringLiteral("Status"))->asString(), before);
        return;
    }
    view->fieldByName(field)->setValue(value);
    view->post();
    QCOMPARE(view->fieldByName(field)->value(), value);
    QCOMPARE(view->fieldByName(QStringLiteral("Status"))->asString(), after);
}

void TestEditingRules::refusedChangeUndoesTheWholeEdit()
{
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    QSignalSpy notices(m_dmod.get(), &TDMod::CultivarDataChanged);
    cdata()->edit();
    cdata()->fieldByName(QStringLiteral("Kleur"))->setValue(QStringLiteral("geel"));
    QVERIFY(!notices.isEmpty());
    QCOMPARE(errorText([&] {
                 cdata()->fieldByName(QStringLiteral("Source"))->setValue(QStringLiteral("BE"));
             }),
             kEditBlocked);
    QCOMPARE(cdata()->state(), State::Browse);
    QCOMPARE(cdata()->fieldByName(QStringLiteral("Kleur"))->asString(), QString());
    QCOMPARE(stored(QStringLiteral("Cdata"), QStringLiteral("Kleur"), QStringLiteral("geel")), 0);

    // The program's own changes during a copy are not refused.
    m_dmod->setInternalEdit(true);
    cdata()->edit();
    cdata()->fieldByName(QStringLiteral("Source"))->setValue(QStringLiteral("BE"));
    cdata()->post();
    QCOMPARE(stored(QStringLiteral("Cdata"), QStringLiteral("Source"), QStringLiteral("BE")), 1);
}

void TestEditingRules::newRecordDefaults()
{
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    csizes()->append();
    QCOMPARE(csizes()->fieldByName(QStringLiteral("Status"))->asString(),
             QStringLiteral("Toegevoegd"));
    QCOMPARE(csizes()->fieldByName(QStringLiteral("DnaG20"))->value(), QVariant(0));
    QCOMPARE(csizes()->fieldByName(QStringLiteral("Cultivar"))->asString(),
             QStringLiteral("Apeldoorn"));
    csizes()->fieldByName(QStringLiteral("Size"))->setValue(QStringLiteral("10/11"));
    QCOMPARE(csizes()->fieldByName(QStringLiteral("PG_unit"))->asInteger(), 1);
    csizes()->fieldByName(QStringLiteral("Size"))->setValue(QStringLiteral("no such"));
    csizes()->cancel();

    // A new cultivar without the dialog stays in insert with its defaults.
    cdata()->append();
    QCOMPARE(cdata()->fieldByName(QStringLiteral("Status"))->asString(),
             QStringLiteral("Toegevoegd"));
    QCOMPARE(cdata()->fieldByName(QStringLiteral("StdOogstType"))->asInteger(), 2);
    cdata()->cancel();
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestEditingRules::emptySizeIsRefused()
{
    goTo(QStringLiteral("Blenda"), QStringLiteral("NL"));
    for (db::TableView* view : {csizes(), m_dmod->tbSizes()}) {
        (*m_prompts)->clear();
        view->append();
        view->fieldByName(QStringLiteral("Size"))->setValue(QStringLiteral("   "));
        QVERIFY_THROWS_EXCEPTION(AbortError, view->post());
        QCOMPARE((*m_prompts)->texts(),
                 QStringList{QStringLiteral("Error KP 8\r\nZift moet ingevuld zijn")});
        QCOMPARE((*m_prompts)->shown().first().buttons, int(UserPrompts::Ok));
        QCOMPARE(view->state(), State::Insert);
        view->cancel();
    }
}

void TestEditingRules::duplicatesAreNamed()
{
    cdata()->append();
    cdata()->fieldByName(QStringLiteral("Cultivar"))->setValue(QStringLiteral("Apeldoorn"));
    cdata()->fieldByName(QStringLiteral("Source"))->setValue(QStringLiteral("NL"));
    QCOMPARE(errorText([&] { cdata()->post(); }),
             QStringLiteral("Error KP 3\r\nCultivarnaam - Herkomst combinatie bestaat reeds;\r\n"
                            "wijzig Cultivarnaam en/of Herkomst of klik op Cancel!"));
    QCOMPARE(cdata()->state(), State::Insert);
    cdata()->cancel();

    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    m_windowVisible = true;
    csizes()->append();
    csizes()->fieldByName(QStringLiteral("Size"))->setValue(QStringLiteral("12/+"));
    QCOMPARE(errorText([&] { csizes()->post(); }), kSizeExists);
    QCOMPARE(csizes()->state(), State::Insert);
    csizes()->cancel();

    m_dmod->tbSizes()->append();
    m_dmod->tbSizes()->fieldByName(QStringLiteral("Size"))->setValue(QStringLiteral("11/12"));
    QCOMPARE(errorText([&] { m_dmod->tbSizes()->post(); }), kSizeExists);
    m_dmod->tbSizes()->cancel();
}

void TestEditingRules::sizeWithHarvestRecordsKeepsItsName()
{
    m_permit = true;
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    QVERIFY(csizes()->locate({"Size"}, {"11/12"}));
    csizes()->edit();
    csizes()->fieldByName(QStringLiteral("Size"))->setValue(QStringLiteral("10/11"));
    QCOMPARE(errorText([&] { csizes()->post(); }),
             QStringLiteral("Error KP 12\r\nKan Zift niet aanpassen als er\r\nstandaard "
                            "oogstgegevens ingevuld zijn\r\nverwijder eerst alle Std. "
                            "Oogstgegevens\r\nindien u dit Zift wilt wijzigen, of\r\nverwijder "
                            "Zift en maak opnieuw aan."));
    QCOMPARE(csizes()->state(), State::Edit);
    csizes()->cancel();
    QCOMPARE(stored(QStringLiteral("Csizes"), QStringLiteral("Size"), QStringLiteral("11/12")), 1);
}

void TestEditingRules::otherRefusedPosts_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("message");
    const QString negative =
        QStringLiteral("Error GEN 1\r\nGetal moet groter of gelijk zijn aan nul");
    const QString invalid =
        QStringLiteral("Error KP 4\r\nOngeldig getal of waarde in cultivar gegevens");
    QTest::newRow("negative count of a size") << "Csizes"
                                              << "Aantal" << QVariant(-1) << negative;
    QTest::newRow("negative harvest quantity") << "Cstdoogst"
                                               << "StdQty_per_m2" << QVariant(-2.5) << negative;
    // Without the cultivar window a duplicate size is no "Zift bestaat reeds".
    QTest::newRow("duplicate size, no window") << "Csizes"
                                               << "Size" << QVariant("12/+") << invalid;
    QTest::newRow("cultivar without name") << "Cdata"
                                           << "Cultivar" << QVariant("") << invalid;
}

void TestEditingRules::otherRefusedPosts()
{
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(QString, message);
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    QVERIFY(csizes()->locate({"Size"}, {"11/12"}));
    db::TableView* view = table == QLatin1String("Cdata")    ? cdata()
                          : table == QLatin1String("Csizes") ? csizes()
                                                             : m_dmod->tbCstdOogst();
    if (field == QLatin1String("Size") || table == QLatin1String("Cdata"))
        view->append();
    else
        view->edit();
    view->fieldByName(field)->setValue(value);
    QCOMPARE(errorText([&] { view->post(); }), message);
    QVERIFY(view->isEditing());
    QCOMPARE(view->fieldByName(field)->value(), view->fieldByName(field)->coerce(value));
    view->cancel();
}

void TestEditingRules::harvestSizeTakesItsUnit()
{
    m_db->add(QStringLiteral("Sizes"),
              {{QStringLiteral("Size"), QStringLiteral("9/10")}, {QStringLiteral("QtyUnit"), 2}});
    m_dmod->tbSizes()->refresh();
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    QVERIFY(csizes()->locate({"Size"}, {"11/12"}));
    // A pending change of the cultivar is posted before a harvest record starts.
    cdata()->edit();
    cdata()->fieldByName(QStringLiteral("Kleur"))->setValue(QStringLiteral("wit"));
    db::TableView* oogst = m_dmod->tbCstdOogst();
    oogst->append();
    QCOMPARE(cdata()->state(), State::Browse);
    QCOMPARE(stored(QStringLiteral("Cdata"), QStringLiteral("Kleur"), QStringLiteral("wit")), 1);
    oogst->fieldByName(QStringLiteral("OogstSize"))->setValue(QStringLiteral("9/10"));
    QCOMPARE(oogst->fieldByName(QStringLiteral("Qtyunit"))->asInteger(), 2);
    oogst->fieldByName(QStringLiteral("OogstSize"))->setValue(QStringLiteral("12/+"));
    QCOMPARE(oogst->fieldByName(QStringLiteral("Qtyunit"))->asInteger(), 1);
    oogst->post();
    QCOMPARE(
        stored(QStringLiteral("Cstdoogst"), QStringLiteral("OogstSize"), QStringLiteral("12/+")),
        1);
}

void TestEditingRules::deleteCultivarAsksAndCascades()
{
    const QString question =
        QStringLiteral("Weet u zeker dat u deze Cultivar plus alle gegevens per zift wilt "
                       "verwijderen?\r\nZo ja: druk op \"Ok\", zo nee: druk op \"Cancel\".");
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    (*m_prompts)->queueAnswer(UserPrompts::Cancel);
    QVERIFY_THROWS_EXCEPTION(AbortError, cdata()->deleteRecord());
    QCOMPARE((*m_prompts)->texts(), QStringList{question});
    QCOMPARE(cdata()->recordCount(), 6);
    QCOMPARE(
        stored(QStringLiteral("Csizes"), QStringLiteral("Cultivar"), QStringLiteral("Apeldoorn")),
        2);

    QSignalSpy counts(m_dmod.get(), &TDMod::CultivarCountChanged);
    (*m_prompts)->queueAnswer(UserPrompts::Ok);
    cdata()->deleteRecord();
    QCOMPARE(cdata()->recordCount(), 5);
    QCOMPARE(
        stored(QStringLiteral("Csizes"), QStringLiteral("Cultivar"), QStringLiteral("Apeldoorn")),
        0);
    QCOMPARE(stored(QStringLiteral("Cstdoogst"), QStringLiteral("Cultivar"),
                    QStringLiteral("Apeldoorn")),
             0);
    // The other Apeldoorn (empty source) and Blenda keep theirs.
    QCOMPARE(
        stored(QStringLiteral("Cdata"), QStringLiteral("Cultivar"), QStringLiteral("Apeldoorn")),
        1);
    QCOMPARE(stored(QStringLiteral("Csizes"), QStringLiteral("Cultivar"), QStringLiteral("Blenda")),
             1);
    QCOMPARE(counts.size(), 1);
    QCOMPARE(counts.first().first().toString(), m_dmod->CultivarCountText());
}

void TestEditingRules::sizeInUseIsNotDeleted_data()
{
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("usedIn"); // empty: deleted
    QTest::newRow("used by a cultivar") << "12/+"
                                        << "Cultivargegevens";
    QTest::newRow("harvested size only") << "10/11"
                                         << "Std.Oogstgegevens";
    QTest::newRow("unused") << "9/10" << QString();
}

void TestEditingRules::sizeInUseIsNotDeleted()
{
    QFETCH(QString, size);
    QFETCH(QString, usedIn);
    db::TableView* sizes = m_dmod->tbSizes();
    if (size == QLatin1String("9/10")) {
        sizes->append();
        sizes->fieldByName(QStringLiteral("Size"))->setValue(size);
        sizes->post();
    }
    QVERIFY(sizes->locate({"Size"}, {size}));
    if (usedIn.isEmpty()) {
        sizes->deleteRecord();
        QCOMPARE(stored(QStringLiteral("Sizes"), QStringLiteral("Size"), size), 0);
    } else {
        QCOMPARE(errorText([&] { sizes->deleteRecord(); }),
                 QStringLiteral("Error KPP 15\r\nKan Zift niet verwijderen,\ris ingebruik in %1.")
                     .arg(usedIn));
        QCOMPARE(stored(QStringLiteral("Sizes"), QStringLiteral("Size"), size), 1);
    }
    QVERIFY(!m_dmod->tbCstdOogstAll()->isActive());
}

void TestEditingRules::alleSizeIsAddedOnce_data()
{
    QTest::addColumn<int>("stdOogstType");
    QTest::addColumn<QString>("existing"); // a size already in the size list
    QTest::addColumn<int>("alleInList");
    QTest::addColumn<int>("alleForCultivar");
    QTest::newRow("all sizes together") << 1 << QString() << 1 << 1;
    QTest::newRow("list has ALL already") << 1 << "ALL" << 0 << 1;
    QTest::newRow("per size") << 0 << QString() << 0 << 0;
}

void TestEditingRules::alleSizeIsAddedOnce()
{
    QFETCH(int, stdOogstType);
    QFETCH(QString, existing);
    QFETCH(int, alleInList);
    QFETCH(int, alleForCultivar);
    if (!existing.isEmpty())
        m_db->add(QStringLiteral("Sizes"), {{QStringLiteral("Size"), existing}});
    m_dmod->tbSizes()->refresh();
    goTo(QStringLiteral("Blenda"), QStringLiteral("NL"));
    cdata()->edit();
    cdata()->fieldByName(QStringLiteral("StdOogstType"))->setValue(stdOogstType);
    cdata()->post();

    for (int i = 0; i < 2; ++i)
        m_dmod->EnsureAlleSize();
    QCOMPARE(stored(QStringLiteral("Sizes"), QStringLiteral("Size"), QStringLiteral("Alle")),
             alleInList);
    QCOMPARE(stored(QStringLiteral("Csizes"), QStringLiteral("Size"), QStringLiteral("Alle")),
             alleForCultivar);
    if (alleInList) {
        QVERIFY(m_dmod->tbSizes()->locate({"Size"}, {"Alle"}));
        QCOMPARE(m_dmod->tbSizes()->fieldByName(QStringLiteral("QtyUnit"))->displayText(),
                 QStringLiteral("Kg"));
        QCOMPARE(m_dmod->tbSizes()->fieldByName(QStringLiteral("Gebruikstype"))->displayText(),
                 QStringLiteral("Plantgoed"));
    }
    if (alleForCultivar) {
        QCOMPARE(csizes()->fieldByName(QStringLiteral("Size"))->asString(), QStringLiteral("Alle"));
        QCOMPARE(csizes()->fieldByName(QStringLiteral("Cultivar"))->asString(),
                 QStringLiteral("Blenda"));
        QCOMPARE(csizes()->fieldByName(QStringLiteral("Status"))->asString(),
                 QStringLiteral("Toegevoegd"));
    }
}

void TestEditingRules::newCultivarDialog()
{
    bool confirm = false;
    m_dmod->NewCultivarDialogHook = [&] {
        if (!confirm)
            return false;
        cdata()->fieldByName(QStringLiteral("Cultivar"))->setValue(QStringLiteral("Nieuw"));
        cdata()->fieldByName(QStringLiteral("StdOogstType"))->setValue(1);
        cdata()->post();
        return true;
    };
    QSignalSpy counts(m_dmod.get(), &TDMod::CultivarCountChanged);
    cdata()->append();
    QCOMPARE(cdata()->state(), State::Browse);
    QCOMPARE(cdata()->recordCount(), 6);
    QCOMPARE(counts.size(), 1);
    QCOMPARE(counts.last().first().toString(), QStringLiteral("Totaal 6 Cultivars"));

    confirm = true;
    cdata()->append();
    QCOMPARE(cdata()->state(), State::Edit);
    QCOMPARE(cdata()->fieldByName(QStringLiteral("Cultivar"))->asString(), QStringLiteral("Nieuw"));
    QCOMPARE(cdata()->recordCount(), 7);
    QCOMPARE(counts.last().first().toString(), QStringLiteral("Totaal 7 Cultivars"));
    QCOMPARE(stored(QStringLiteral("Csizes"), QStringLiteral("Cultivar"), QStringLiteral("Nieuw")),
             1);
    cdata()->cancel();
}

// The other copy runs on this computer; the message names both.
const QString kLockTail = QStringLiteral("is gelocked en wordt bewerkt door gebruiker: anna "
                                         "(computer %1)\r\n"
                                         "Cultivar- en voorraadgegevens kunnen niet worden "
                                         "aangepast.")
                              .arg(QSysInfo::machineHostName());
const QString kCultivarLocked = QStringLiteral(
    "Cultivar gegevens record met:\r\n    Cultivar: Apeldoorn\r\n    Herkomst: NL\r\n");

void TestEditingRules::lockedRecordNamesTheOtherUser()
{
    test::OtherCopy anna(m_db->location(), QStringLiteral("anna"), 60000);
    QVERIFY(anna.ready());
    QCOMPARE(anna.send({"edit", "Cdata", "Apeldoorn", "NL"}), QStringLiteral("ok"));
    QCOMPARE(anna.send({"edit", "Csizes", "Apeldoorn", "NL", "11/12"}), QStringLiteral("ok"));
    QCOMPARE(anna.send({"edit", "Cstdoogst", "Apeldoorn", "NL", "11/12", "10/11"}),
             QStringLiteral("ok"));

    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    QVERIFY(csizes()->locate({"Size"}, {"11/12"}));
    QVERIFY(m_dmod->tbCstdOogst()->locate({"OogstSize"}, {"10/11"}));
    const struct
    {
        db::TableView* view;
        QString head;
    } cases[] = {
        {cdata(), kCultivarLocked},
        {csizes(), QStringLiteral("Cultivar gegevens record met:\r\n    Cultivar: Apeldoorn\r\n"
                                  "    Zift: 11/12\r\n    Herkomst: NL\r\n")},
        {m_dmod->tbCstdOogst(),
         QStringLiteral("Cultivar Std. oogst gegevens record met:\r\n    Cultivar: Apeldoorn\r\n"
                        "    Zift: 11/12\r\n    Oogst Zift: 10/11\r\n    Herkomst: NL\r\n")},
    };
    // The lock message takes the engine's place; whoever reports the error
    // shows it, once.
    for (const auto& c : cases) {
        QCOMPARE(errorText([&] { c.view->edit(); }), c.head + kLockTail);
        QCOMPARE(c.view->state(), State::Browse);
    }
    QVERIFY((*m_prompts)->shown().isEmpty());

    // A size post must update the stock flags of the locked cultivar: the
    // post is refused as a whole, the size keeps the values typed, in edit.
    QVERIFY(csizes()->locate({"Size"}, {"12/+"}));
    csizes()->edit();
    csizes()->fieldByName(QStringLiteral("Aantal"))->setValue(1234);
    QCOMPARE(errorText([&] { csizes()->post(); }), kCultivarLocked + kLockTail);
    QCOMPARE(csizes()->state(), State::Edit);
    QCOMPARE(csizes()->fieldByName(QStringLiteral("Aantal"))->asInteger(), 1234);
    QCOMPARE(csizes()->fieldByName(QStringLiteral("Size"))->asString(), QStringLiteral("12/+"));
    QCOMPARE(cdata()->state(), State::Browse);
    QCOMPARE(stored(QStringLiteral("Csizes"), QStringLiteral("Aantal"), QStringLiteral("1234")), 0);

    // Once the other copy lets go, the same post goes through.
    QCOMPARE(anna.send({"cancel", "Cdata"}), QStringLiteral("ok"));
    csizes()->post();
    QCOMPARE(stored(QStringLiteral("Csizes"), QStringLiteral("Aantal"), QStringLiteral("1234")), 1);
    QVERIFY(cdata()->fieldByName(QStringLiteral("Broeivoorraad"))->asBoolean());
}

void TestEditingRules::deleteRefusedByALockKeepsEverything_data()
{
    QTest::addColumn<QStringList>("locked"); // the other copy's edit
    QTest::addColumn<QString>("message");
    QTest::newRow("the last size") << QStringList{"Csizes", "Apeldoorn", "NL", "12/+"}
                                   << QStringLiteral("Cultivar gegevens record met:\r\n"
                                                     "    Cultivar: Apeldoorn\r\n    Zift: 12/+\r\n"
                                                     "    Herkomst: NL\r\n") +
                                          kLockTail;
    QTest::newRow("a harvest record")
        << QStringList{"Cstdoogst", "Apeldoorn", "NL", "11/12", "11/12"}
        << QStringLiteral("Cultivar Std. oogst gegevens record met:\r\n"
                          "    Cultivar: Apeldoorn\r\n    Zift: 11/12\r\n"
                          "    Oogst Zift: 11/12\r\n    Herkomst: NL\r\n") +
               kLockTail;
    QTest::newRow("the cultivar") << QStringList{"Cdata", "Apeldoorn", "NL"}
                                  << kCultivarLocked + kLockTail;
}

void TestEditingRules::deleteRefusedByALockKeepsEverything()
{
    QFETCH(QStringList, locked);
    QFETCH(QString, message);
    test::OtherCopy anna(m_db->location(), QStringLiteral("anna"), 60000);
    QVERIFY(anna.ready());
    QCOMPARE(anna.send(QStringList{"edit"} + locked), QStringLiteral("ok"));

    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    QVERIFY(csizes()->locate({"Size"}, {"12/+"}));
    (*m_prompts)->queueAnswer(UserPrompts::Ok);
    QCOMPARE(errorText([&] { cdata()->deleteRecord(); }), message);

    // Nothing of the cascade is kept: the sizes and harvest records deleted
    // before the refusal are back, and the views show them where they were.
    const QString apeldoorn = QStringLiteral("Apeldoorn");
    QCOMPARE(stored(QStringLiteral("Cdata"), QStringLiteral("Cultivar"), apeldoorn), 2);
    QCOMPARE(stored(QStringLiteral("Csizes"), QStringLiteral("Cultivar"), apeldoorn), 2);
    QCOMPARE(stored(QStringLiteral("Cstdoogst"), QStringLiteral("Cultivar"), apeldoorn), 2);
    QCOMPARE(cdata()->recordCount(), 6);
    QCOMPARE(text(*cdata(), "Cultivar") + "/" + text(*cdata(), "Source"), "Apeldoorn/NL");
    QCOMPARE(csizes()->recordCount(), 2);
    QCOMPARE(text(*csizes(), "Size"), QStringLiteral("12/+"));
    QVERIFY(csizes()->locate({"Size"}, {"11/12"}));
    QCOMPARE(m_dmod->tbCstdOogst()->recordCount(), 2);
    for (db::TableView* view : {cdata(), csizes(), m_dmod->tbCstdOogst()})
        QCOMPARE(view->state(), State::Browse);

    // Once the other copy lets go, the delete goes through, all of it.
    QCOMPARE(anna.send({"cancel", locked.first()}), QStringLiteral("ok"));
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    (*m_prompts)->queueAnswer(UserPrompts::Ok);
    cdata()->deleteRecord();
    QCOMPARE(stored(QStringLiteral("Cdata"), QStringLiteral("Cultivar"), apeldoorn), 1);
    QCOMPARE(stored(QStringLiteral("Csizes"), QStringLiteral("Cultivar"), apeldoorn), 0);
    QCOMPARE(stored(QStringLiteral("Cstdoogst"), QStringLiteral("Cultivar"), apeldoorn), 0);
}

void TestEditingRules::renameWaitsForTheOtherCopy()
{
    test::OtherCopy anna(m_db->location(), QStringLiteral("anna"), 60000);
    QVERIFY(anna.ready());
    QCOMPARE(anna.send({"edit", "Cstdoogst", "Apeldoorn", "NL", "11/12", "10/11"}),
             QStringLiteral("ok"));
    m_permit = true;
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    cdata()->edit();
    cdata()->fieldByName(QStringLiteral("Cultivar"))->setValue(QStringLiteral("Apel"));

    // The sizes and harvest records would follow the new name under the
    // other copy's hands: the rename waits, kept in edit.
    QCOMPARE(errorText([&] { cdata()->post(); }),
             QStringLiteral("Cultivar Std. oogst gegevens record met:\r\n"
                            "    Cultivar: Apeldoorn\r\n    Zift: 11/12\r\n"
                            "    Oogst Zift: 10/11\r\n    Herkomst: NL\r\n") +
                 kLockTail);
    QCOMPARE(cdata()->state(), State::Edit);
    QCOMPARE(stored(QStringLiteral("Csizes"), QStringLiteral("Cultivar"), "Apeldoorn"), 2);

    QCOMPARE(anna.send({"cancel", "Cstdoogst"}), QStringLiteral("ok"));
    cdata()->post();
    QCOMPARE(stored(QStringLiteral("Csizes"), QStringLiteral("Cultivar"), "Apel"), 2);
    QCOMPARE(stored(QStringLiteral("Cstdoogst"), QStringLiteral("Cultivar"), "Apel"), 2);
    // Nothing of the check stays behind: the other copy edits freely.
    QCOMPARE(anna.send({"edit", "Csizes", "Apel", "NL", "12/+"}), QStringLiteral("ok"));
}

// The stored stock flags of a cultivar: forcing stock, planting stock.
QString TestEditingRules::storedFlags(const QString& cultivar, const QString& source)
{
    auto view = m_db->view(QStringLiteral("Cdata"));
    view->open();
    if (!view->locate({"Cultivar", "Source"}, {cultivar, source}))
        return QStringLiteral("missing");
    return QStringLiteral("%1%2")
        .arg(int(view->fieldByName(QStringLiteral("Broeivoorraad"))->asBoolean()))
        .arg(int(view->fieldByName(QStringLiteral("PGvoorraad"))->asBoolean()));
}

void TestEditingRules::stockFlagsFollowTheSizes()
{
    // Blenda/NL has one size, 12/+.
    goTo(QStringLiteral("Blenda"), QStringLiteral("NL"));
    csizes()->edit();
    csizes()->fieldByName(QStringLiteral("Aantal"))->setValue(300);
    csizes()->fieldByName(QStringLiteral("PG_voorraad"))->setValue(2.5);
    csizes()->post();
    QCOMPARE(storedFlags(QStringLiteral("Blenda"), QStringLiteral("NL")), QStringLiteral("11"));
    QVERIFY(cdata()->fieldByName(QStringLiteral("PGvoorraad"))->asBoolean());

    // Deleting the only size with stock clears both flags, in the view too.
    csizes()->deleteRecord();
    QCOMPARE(storedFlags(QStringLiteral("Blenda"), QStringLiteral("NL")), QStringLiteral("00"));
    QVERIFY(!cdata()->fieldByName(QStringLiteral("Broeivoorraad"))->asBoolean());
    QVERIFY(!cdata()->fieldByName(QStringLiteral("PGvoorraad"))->asBoolean());
}

void TestEditingRules::fullDiskShowsItsOwnReason()
{
    if (test::TestDatabase::onServer())
        QSKIP("a full disk is the server's, out of the test's reach");
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    m_db->fillDisk();
    cdata()->edit();
    cdata()->fieldByName(QStringLiteral("Remarks"))->setValue(QString(200000, QLatin1Char('x')));
    const QString reason = errorText([&] { cdata()->post(); });
    QVERIFY2(reason.startsWith(QLatin1String("Disk full")), qPrintable(reason));
    QCOMPARE(cdata()->state(), State::Edit);
    QCOMPARE(cdata()->fieldByName(QStringLiteral("Remarks"))->asString().size(), 200000);
    cdata()->cancel();
}

void TestEditingRules::laterRulesAddToEarlierOnes()
{
    // A window's own handlers on the views run beside the data module's.
    int posts = 0;
    int changes = 0;
    csizes()->events().afterPost.add([&](db::DataSet&) { ++posts; });
    m_dmod->dsCsizes()->handlers().onDataChange.add([&](db::DataSource&, Field*) { ++changes; });
    goTo(QStringLiteral("Blenda"), QStringLiteral("NL"));
    csizes()->edit();
    csizes()->fieldByName(QStringLiteral("Aantal"))->setValue(5);
    QVERIFY(changes > 0);
    csizes()->post();
    QCOMPARE(posts, 1);
    QCOMPARE(storedFlags(QStringLiteral("Blenda"), QStringLiteral("NL")), QStringLiteral("10"));
}

QTEST_GUILESS_MAIN(TestEditingRules)
#include "tst_editingrules.moc"
