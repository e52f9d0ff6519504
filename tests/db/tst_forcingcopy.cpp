#include "support/OtherCopy.h"
#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

#include "db/TDMod.h"
#include "db/engine/EngineError.h"
#include "db/engine/TableView.h"

#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>

using namespace kasplan;
using kasplan::db::EngineError;
using State = kasplan::db::DataSet::State;

namespace {

struct Pair
{
    const char* target;
    const char* source;
};

const Pair kPairs[] = {
    {"Dk_p1_w", "Dk_p1"},
    {"Dk_p2_w", "Dk_p2"},
    {"Dk_p3_w", "Dk_p3"},
    {"Dk_p4_w", "Dk_p4"},
    {"Kd_p1_w", "Kd_p1"},
    {"Kd_p2_w", "Kd_p2"},
    {"Kd_p3_w", "Kd_p3"},
    {"Kd_p4_w", "Kd_p4"},
    {"Npertray_w", "Npertray"},
    {"DnaG20_w", "DnaG20"},
    {"Kostprijs_w", "Kostprijs"},
    {"Oogstdagen_w", "Oogstdagen"},
    {"Oogstverdeling_w", "Oogstverdeling"},
    {"Dk_p_ice", "Dk_p4"},
    {"Kd_p_ice", "Kd_p4"},
    {"Npertray_ice", "Npertray"},
    {"DnaG20_ice", "DnaG20"},
    {"Kostprijs_ice", "Kostprijs"},
    {"Oogstdagen_ice", "Oogstdagen"},
    {"Oogstverdeling_ice", "Oogstverdeling"},
};

struct SizeId
{
    const char* cultivar;
    const char* source;
    const char* size;
};

// In list order.
const SizeId kSizes[] = {
    {"Apeldoorn", "NL", "11/12"},
    {"Blenda", "NL", "10/11"},
    {"Blenda", "NL", "12/+"},
    {"O'Brien", "", "12/+"},
};

// The other copy runs on this computer.
const QString kLockTail = QStringLiteral("is gelocked en wordt bewerkt door gebruiker: anna "
                                         "(computer %1)\r\n"
                                         "Cultivar- en voorraadgegevens kunnen niet worden "
                                         "aangepast.")
                              .arg(QSysInfo::machineHostName());

} // namespace

// The soil forcing data copied to the water and ice data, for one size and
// for the cultivar list, through the data module's real views.
class TestForcingCopy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void copiesTheCurrentSize();
    void cultivarWithoutSizesGetsNone();
    void listCopyFollowsTheFilter_data();
    void listCopyFollowsTheFilter();
    void lockedSizeStopsTheRunAndKeepsWhatWasCopied();
    void progressCanStopTheRun();

private:
    // The stored size record's fields by name.
    QVariantMap stored(const SizeId& id);
    bool copied(const SizeId& id);
    bool untouched(const SizeId& id);
    void goTo(const QString& cultivar, const QString& source);

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
    std::unique_ptr<TDMod> m_dmod;
};

void TestForcingCopy::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
    const auto cdata = [this](const char* cultivar, const char* source, int group) {
        m_db->add(QStringLiteral("Cdata"),
                  {{QStringLiteral("Cultivar"), QString::fromUtf8(cultivar)},
                   {QStringLiteral("Source"), QString::fromUtf8(source)},
                   {QStringLiteral("Hoofdgroep"), group},
                   {QStringLiteral("Status"), QStringLiteral("DLV/LBO")},
                   {QStringLiteral("Broeivoorraad"), false}});
    };
    cdata("Apeldoorn", "NL", 1);
    cdata("Blenda", "NL", 3);
    cdata("O'Brien", "", 3);
    cdata("Zebra", "US", 0);
    int n = 0;
    for (const SizeId& id : kSizes) {
        ++n;
        QVariantMap values{{QStringLiteral("Cultivar"), QString::fromUtf8(id.cultivar)},
                           {QStringLiteral("Source"), QString::fromUtf8(id.source)},
                           {QStringLiteral("Size"), QString::fromUtf8(id.size)},
                           {QStringLiteral("Status"), QStringLiteral("DLV/LBO")},
                           {QStringLiteral("Aantal"), 50},
                           {QStringLiteral("Npertray"), 100 + n},
                           {QStringLiteral("DnaG20"), 14 + n},
                           {QStringLiteral("Kostprijs"), 0.25 * n},
                           {QStringLiteral("Oogstdagen"), 5 + n},
                           {QStringLiteral("Oogstverdeling"), n % 3}};
        for (int p = 1; p <= 4; ++p) {
            values.insert(QStringLiteral("Dk_p%1").arg(p), 70 + 7 * p + n);
            values.insert(QStringLiteral("Kd_p%1").arg(p), 20 + p + n);
        }
        // Water and ice data that the copy replaces.
        for (const Pair& pair : kPairs)
            values.insert(QLatin1String(pair.target), 9);
        // Empty soil values are copied as well.
        if (n == 2) {
            values.remove(QStringLiteral("Dk_p2"));
            values.remove(QStringLiteral("Kd_p4"));
        }
        m_db->add(QStringLiteral("Csizes"), values);
    }
    m_prompts = std::make_unique<ScopedScriptedPrompts>();
    m_dmod = std::make_unique<TDMod>(m_db->session());
    m_dmod->CultivarWindowExistsHook = [] { return true; };
    m_dmod->CultivarWindowVisibleHook = [] { return true; };
    m_dmod->BindViews(QLatin1String(test::TestDatabase::Alias));
    m_dmod->OpenTables();
}

void TestForcingCopy::cleanup()
{
    m_dmod.reset();
    m_prompts.reset();
    m_db.reset();
}

QVariantMap TestForcingCopy::stored(const SizeId& id)
{
    auto view = m_db->view(QStringLiteral("Csizes"));
    view->open();
    QVariantMap values;
    if (view->locate({QStringLiteral("Cultivar"), QStringLiteral("Source"), QStringLiteral("Size")},
                     {QString::fromUtf8(id.cultivar), QString::fromUtf8(id.source),
                      QString::fromUtf8(id.size)})) {
        for (db::Field* f : view->fields())
            values.insert(f->fieldName(), f->value());
    }
    return values;
}

bool TestForcingCopy::copied(const SizeId& id)
{
    const QVariantMap values = stored(id);
    bool same = !values.isEmpty();
    for (const Pair& pair : kPairs) {
        if (!db::sameValue(values.value(QLatin1String(pair.target)),
                           values.value(QLatin1String(pair.source)))) {
            qWarning("%s/%s/%s: %s differs from %s", id.cultivar, id.source, id.size, pair.target,
                     pair.source);
            same = false;
        }
    }
    return same;
}

bool TestForcingCopy::untouched(const SizeId& id)
{
    const QVariantMap values = stored(id);
    bool same = !values.isEmpty();
    for (const Pair& pair : kPairs)
        same = same && values.value(QLatin1String(pair.target)) == QVariant(9);
    return same;
}

void TestForcingCopy::goTo(const QString& cultivar, const QString& source)
{
    QVERIFY(m_dmod->tbCdata()->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                                      {cultivar, source}));
}

void TestForcingCopy::copiesTheCurrentSize()
{
    goTo(QStringLiteral("Blenda"), QStringLiteral("NL"));
    QVERIFY(m_dmod->tbCsizes()->locate({QStringLiteral("Size")}, {QStringLiteral("10/11")}));
    m_dmod->CopySoilToWaterIce();

    QCOMPARE(m_dmod->tbCsizes()->state(), State::Browse);
    QVERIFY(copied(kSizes[1]));
    QVERIFY(stored(kSizes[1]).value(QStringLiteral("Dk_p2_w")).isNull());
    QCOMPARE(stored(kSizes[1]).value(QStringLiteral("Dk_p_ice")),
             stored(kSizes[1]).value(QStringLiteral("Dk_p4")));
    // Water and ice values are not protected: a delivered size stays one.
    QCOMPARE(stored(kSizes[1]).value(QStringLiteral("Status")),
             QVariant(QStringLiteral("DLV/LBO")));
    for (const SizeId& other : {kSizes[0], kSizes[2], kSizes[3]})
        QVERIFY(untouched(other));
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestForcingCopy::cultivarWithoutSizesGetsNone()
{
    goTo(QStringLiteral("Zebra"), QStringLiteral("US"));
    m_dmod->CopySoilToWaterIce();
    QCOMPARE(m_dmod->tbCsizes()->state(), State::Browse);
    QVERIFY(m_dmod->tbCsizes()->isEmpty());
    auto all = m_db->view(QStringLiteral("Csizes"));
    all->open();
    QCOMPARE(all->recordCount(), int(std::size(kSizes)));
}

void TestForcingCopy::listCopyFollowsTheFilter_data()
{
    QTest::addColumn<int>("hoofdgroep");
    QTest::addColumn<QList<int>>("listedSizes");
    QTest::newRow("Alle") << 0 << QList<int>{0, 1, 2, 3};
    QTest::newRow("Tulpen TU") << 1 << QList<int>{0};
    QTest::newRow("Gladiolen GL") << 3 << QList<int>{1, 2, 3};
    QTest::newRow("Dahlia DA, none listed") << 4 << QList<int>{};
}

void TestForcingCopy::listCopyFollowsTheFilter()
{
    QFETCH(int, hoofdgroep);
    QFETCH(QList<int>, listedSizes);
    m_dmod->SetHoofdgroepFilter(hoofdgroep);
    db::TableView* cdata = m_dmod->tbCdata();
    const QString current =
        cdata->isEmpty() ? QString() : cdata->fieldByName(QStringLiteral("Cultivar"))->asString();
    // A change the user was typing is kept, not lost to the run.
    if (!cdata->isEmpty()) {
        cdata->edit();
        cdata->fieldByName(QStringLiteral("Kleur"))->setValue(QStringLiteral("geel"));
    }
    QSignalSpy changed(m_dmod.get(), &TDMod::CultivarDataChanged);

    QVERIFY(m_dmod->CopySoilToWaterIceForList());

    for (int i = 0; i < int(std::size(kSizes)); ++i) {
        if (listedSizes.contains(i))
            QVERIFY2(copied(kSizes[i]), kSizes[i].cultivar);
        else
            QVERIFY2(untouched(kSizes[i]), kSizes[i].cultivar);
    }
    // The views stay where they were and show again; the schedule hears.
    QCOMPARE(cdata->state(), State::Browse);
    if (!current.isEmpty()) {
        QCOMPARE(cdata->fieldByName(QStringLiteral("Cultivar"))->asString(), current);
        QCOMPARE(cdata->fieldByName(QStringLiteral("Kleur"))->asString(), QStringLiteral("geel"));
        QVERIFY(!changed.isEmpty());
    }
    QVERIFY(!cdata->controlsDisabled());
    QVERIFY(!m_dmod->tbCsizes()->controlsDisabled());
    // A posted size brings its cultivar's stock flags up to date.
    auto flags = m_db->view(QStringLiteral("Cdata"));
    flags->open();
    QVERIFY(flags->locate({QStringLiteral("Cultivar")}, {QStringLiteral("Blenda")}));
    QCOMPARE(flags->fieldByName(QStringLiteral("Broeivoorraad"))->asBoolean(),
             listedSizes.contains(1));
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestForcingCopy::lockedSizeStopsTheRunAndKeepsWhatWasCopied()
{
    test::OtherCopy anna(m_db->location(), QStringLiteral("anna"), 60000);
    QVERIFY(anna.ready());
    QCOMPARE(anna.send({"edit", "Csizes", "Blenda", "NL", "12/+"}), QStringLiteral("ok"));
    goTo(QStringLiteral("O'Brien"), QString());

    QString error;
    try {
        m_dmod->CopySoilToWaterIceForList();
    } catch (const EngineError& e) {
        error = e.text();
    }
    QCOMPARE(error, QStringLiteral("Cultivar gegevens record met:\r\n    Cultivar: Blenda\r\n"
                                   "    Zift: 12/+\r\n    Herkomst: NL\r\n") +
                        kLockTail);
    QVERIFY(copied(kSizes[0]));
    QVERIFY(copied(kSizes[1]));
    QVERIFY(untouched(kSizes[2]));
    QVERIFY(untouched(kSizes[3]));
    QCOMPARE(m_dmod->tbCdata()->fieldByName(QStringLiteral("Cultivar"))->asString(),
             QStringLiteral("O'Brien"));
    QVERIFY(!m_dmod->tbCdata()->controlsDisabled());
    QVERIFY(!m_dmod->tbCsizes()->controlsDisabled());

    // The other copy's record is its own again once it lets go.
    QCOMPARE(anna.send({"cancel", "Csizes"}), QStringLiteral("ok"));
    QVERIFY(m_dmod->CopySoilToWaterIceForList());
    QVERIFY(copied(kSizes[2]));
    QVERIFY(copied(kSizes[3]));
}

void TestForcingCopy::progressCanStopTheRun()
{
    QList<std::pair<int, int>> heard;
    const bool complete = m_dmod->CopySoilToWaterIceForList([&](int done, int total) {
        heard.append({done, total});
        return done < 2;
    });
    QVERIFY(!complete);
    QCOMPARE(heard, (QList<std::pair<int, int>>{{1, 4}, {2, 4}}));
    QVERIFY(copied(kSizes[0]));
    QVERIFY(copied(kSizes[1]));
    QVERIFY(copied(kSizes[2]));
    QVERIFY(untouched(kSizes[3]));
}

QTEST_GUILESS_MAIN(TestForcingCopy)
#include "tst_forcingcopy.moc"
