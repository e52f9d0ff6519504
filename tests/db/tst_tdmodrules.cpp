#include "core/Clock.h"
#include "db/TDMod.h"
#include "db/engine/EngineError.h"
#include "db/engine/TableView.h"
#include "support/ScopedFixedClock.h"
#include "support/TestDatabase.h"

#include <QSignalSpy>
#include <QTest>

using namespace kasplan;
using kasplan::db::Field;

// The data module's handlers, calculated fields, stock flags and cultivar
// filter, through its real views on a small database.
class TestTDModRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void weekOrDayFields_data();
    void weekOrDayFields();
    void refusedEntryKeepsTheValue();
    void codedAndHiddenFields();
    void calculatedSizeFields_data();
    void calculatedSizeFields();
    void periodUnitsArePublished();
    void sizePostKeepsStockFlags();
    void mainGroupAndStockFilter();
    void hiddenCurrentRecordIsNotReturnedTo();

private:
    Field* size(const char* name) const
    {
        return m_dmod->tbCsizes()->fieldByName(QLatin1String(name));
    }
    void goToCultivar(const QString& cultivar, const QString& source)
    {
        QVERIFY(m_dmod->tbCdata()->locate({"Cultivar", "Source"}, {cultivar, source}));
    }
    void postSizeStock(const QString& cultivar, const QString& sizeName, int aantal,
                       double pgVoorraad);
    QStringList shownCultivars() const;

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<TDMod> m_dmod;
};

void TestTDModRules::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    m_db->addSampleRecords();
    m_dmod = std::make_unique<TDMod>(m_db->session());
    m_dmod->BindViews(QLatin1String(test::TestDatabase::Alias));
    m_dmod->OpenTables();
}

void TestTDModRules::cleanup()
{
    m_dmod.reset();
    m_db.reset();
}

QStringList TestTDModRules::shownCultivars() const
{
    QStringList names;
    db::TableView* cdata = m_dmod->tbCdata();
    for (cdata->first(); !cdata->eof(); cdata->next())
        names.append(cdata->fieldByName(QStringLiteral("Cultivar"))->asString());
    return names;
}

void TestTDModRules::postSizeStock(const QString& cultivar, const QString& sizeName, int aantal,
                                   double pgVoorraad)
{
    goToCultivar(cultivar, QStringLiteral("NL"));
    QVERIFY(m_dmod->tbCsizes()->locate({"Size"}, {sizeName}));
    m_dmod->tbCsizes()->edit();
    size("Aantal")->setValue(aantal);
    size("PG_voorraad")->setValue(pgVoorraad);
    m_dmod->tbCsizes()->post();
}

void TestTDModRules::weekOrDayFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("shown");

    const QVariant null;
    QTest::newRow("weeks 2,5") << "DnaG20" << 7 << "2,5" << QVariant(17) << "2,5";
    QTest::newRow("weeks 2") << "Dk_p1" << 7 << "2" << QVariant(14) << "2";
    QTest::newRow("weeks 2,3") << "Dk_p2_w" << 7 << "2,3" << QVariant(17) << "2,5";
    QTest::newRow("weeks 2,2") << "Dk_p_ice" << 7 << "2,2" << QVariant(14) << "2";
    QTest::newRow("weeks 0,25 shows empty") << "Dk_p3" << 7 << "0,25" << QVariant(0) << "";
    QTest::newRow("weeks 0,75") << "DnaG20_w" << 7 << "0,75" << QVariant(7) << "1";
    QTest::newRow("days 12") << "DnaG20_ice" << 1 << "12" << QVariant(12) << "12";
    QTest::newRow("blanks make null") << "Dk_p2" << 7 << "   " << null << "";
}

void TestTDModRules::weekOrDayFields()
{
    QFETCH(QString, field);
    QFETCH(int, unit);
    QFETCH(QString, typed);
    QFETCH(QVariant, stored);
    QFETCH(QString, shown);

    m_dmod->setTussenTunit(unit);
    m_dmod->setKperiodunit(unit);
    goToCultivar(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    Field* f = m_dmod->tbCsizes()->fieldByName(field);
    m_dmod->tbCsizes()->edit();
    f->setValue(99);
    f->setText(typed);
    m_dmod->tbCsizes()->post();
    QCOMPARE(f->value().isNull(), stored.isNull());
    if (!stored.isNull())
        QCOMPARE(f->asInteger(), stored.toInt());
    QCOMPARE(f->displayText(), shown);
    QCOMPARE(f->text(), shown);
    // Fields of the other size view show what is stored.
    m_dmod->tbAllCsizes()->refresh();
    QVERIFY(m_dmod->tbAllCsizes()->locate({"Cultivar", "Source", "Size"},
                                          {"Apeldoorn", "NL", "11/12"}));
    QCOMPARE(m_dmod->tbAllCsizes()->fieldByName(field)->displayText(),
             stored.isNull() ? QString() : stored.toString());
}

void TestTDModRules::refusedEntryKeepsTheValue()
{
    goToCultivar(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    m_dmod->tbCsizes()->edit();
    size("Dk_p1")->setValue(21);
    for (const QString& typed : {QStringLiteral("abc"), QStringLiteral("9999")}) {
        QVERIFY_THROWS_EXCEPTION(db::EngineError, size("Dk_p1")->setText(typed));
        QCOMPARE(size("Dk_p1")->asInteger(), 21);
    }
    m_dmod->tbCsizes()->cancel();
}

void TestTDModRules::codedAndHiddenFields()
{
    ScopedFixedClock clock(QDate(2025, 6, 1));
    goToCultivar(QStringLiteral("Blenda"), QStringLiteral("NL"));
    QCOMPARE(m_dmod->tbCdata()->fieldByName(QStringLiteral("Hoofdgroep"))->displayText(),
             QStringLiteral("Gladiolen GL"));
    QCOMPARE(m_dmod->tbCdata()->fieldByName(QStringLiteral("HoofdGroepAfk"))->asString(),
             QStringLiteral("GL"));

    m_dmod->tbCdata()->edit();
    Field* product = m_dmod->tbCdata()->fieldByName(QStringLiteral("ProductType"));
    product->setValue(2);
    product->setText(QStringLiteral("Rozen")); // taken only from the window's choice
    QCOMPARE(product->displayText(), QStringLiteral("Irissen"));
    m_dmod->tbCdata()->fieldByName(QStringLiteral("Hoofdgroep"))->setText(QStringLiteral("7"));
    QCOMPARE(m_dmod->tbCdata()->fieldByName(QStringLiteral("HoofdGroepAfk"))->asString(),
             QStringLiteral("HY"));
    m_dmod->tbCdata()->cancel();

    m_dmod->tbCsizes()->edit();
    size("PG_unit")->setText(QStringLiteral("stuks "));
    QCOMPARE(size("PG_unit")->asInteger(), 1);
    QCOMPARE(size("PG_unit")->displayText(), QStringLiteral("Stuks"));
    size("PG_unit")->setText(QStringLiteral("Kg"));
    QCOMPARE(size("PG_unit")->asInteger(), 0);
    size("PG_unit")->setValue(5);
    QCOMPARE(size("PG_unit")->displayText(), QStringLiteral("????"));

    size("Gstagemin")->setText(QStringLiteral("31/2"));
    QCOMPARE(size("Gstagemin")->asDate(), QDate(2025, 2, 28));
    QCOMPARE(size("Gstagemin")->displayText(), QStringLiteral("28/02"));
    size("Gstagemin")->setText(QStringLiteral("15-3"));
    QVERIFY(size("Gstagemin")->isNull());

    size("Std_Plant_dichtheid")->setValue(40.0);
    size("Std_Plant_dichtheid")->setText(QStringLiteral("12"));
    QCOMPARE(size("Std_Plant_dichtheid")->asFloat(), 40.0);
    QCOMPARE(size("Std_Plant_dichtheid")->displayText(), QString());
    m_dmod->tbCsizes()->cancel();

    QVERIFY(m_dmod->tbSizes()->locate({"Size"}, {"12/+"}));
    m_dmod->tbSizes()->edit();
    Field* use = m_dmod->tbSizes()->fieldByName(QStringLiteral("Gebruikstype"));
    use->setText(QStringLiteral("overig"));
    QCOMPARE(use->asInteger(), 3);
    use->setValue(-1);
    QCOMPARE(use->displayText(), QStringLiteral("????"));
    m_dmod->tbSizes()->cancel();
}

void TestTDModRules::calculatedSizeFields_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QVariantMap>("expected");
    const QVariant empty;
    QTest::newRow("partly filled container")
        << QVariantMap{{"PG_voorraad", 10.0}, {"PG_perfust", 4.0}, {"PG_geboekt", 1.0}}
        << QVariantMap{{"PG_fusten", 2.5},
                       {"PG_fustenused", 3},
                       {"PG_restfustqty", 2.0},
                       {"PG_Resterend", 9.0}};
    QTest::newRow("full containers")
        << QVariantMap{{"PG_voorraad", 8.0}, {"PG_perfust", 4.0}}
        << QVariantMap{{"PG_fusten", 2.0}, {"PG_fustenused", 2}, {"PG_restfustqty", empty}};
    QTest::newRow("no container size")
        << QVariantMap{{"PG_voorraad", 8.0}, {"PG_perfust", 0.0}, {"PG_geboekt", 3.0}}
        << QVariantMap{{"PG_fusten", empty},
                       {"PG_fustenused", empty},
                       {"PG_restfustqty", empty},
                       {"PG_Resterend", 5.0}};
    QTest::newRow("boxes and trays")
        << QVariantMap{{"Aantal", 1000}, {"Nperbox", 300}, {"Npertray", 0}, {"Npertray_w", 250}}
        << QVariantMap{{"Nboxes", 4}, {"Ntrays", empty}, {"Ntrays_w", 4}, {"Ntrays_ice", empty}};
    QTest::newRow("overbooked") << QVariantMap{{"Aantal", 600}, {"Geboekt", 650}}
                                << QVariantMap{{"Resterend", -50}};
}

void TestTDModRules::calculatedSizeFields()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QVariantMap, expected);
    goToCultivar(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    m_dmod->tbCsizes()->edit();
    for (auto it = stored.begin(); it != stored.end(); ++it)
        m_dmod->tbCsizes()->fieldByName(it.key())->setValue(it.value());
    m_dmod->tbCsizes()->post();
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        Field* f = m_dmod->tbCsizes()->fieldByName(it.key());
        QVERIFY2(f->isNull() == it.value().isNull(), qPrintable(it.key()));
        if (!it.value().isNull())
            QCOMPARE(f->asFloat(), it.value().toDouble());
    }
    // The overview of all sizes computes its two figures from the same record.
    if (stored.contains(QStringLiteral("PG_perfust"))) {
        QVERIFY(m_dmod->tbAllCsizes()->locate({"Cultivar", "Source", "Size"},
                                              {"Apeldoorn", "NL", "11/12"}));
        Field* fusten = m_dmod->tbAllCsizes()->fieldByName(QStringLiteral("PG_fusten"));
        QCOMPARE(fusten->isNull(), expected.value(QStringLiteral("PG_fusten")).isNull());
        QCOMPARE(fusten->asFloat(), expected.value(QStringLiteral("PG_fusten")).toDouble());
    }
}

void TestTDModRules::periodUnitsArePublished()
{
    QSignalSpy spy(m_dmod.get(), &TDMod::PeriodUnitsChanged);
    m_dmod->setTussenTunit(1);
    m_dmod->setKperiodunit(7);
    m_dmod->SetPeriodUnits();
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy[0][0].toString(), QStringLiteral("Dagen 20oC na G"));
    QCOMPARE(spy[0][1].toString(), QStringLiteral("Weken Koude:"));
    QVERIFY(!size("DnaG20_w")->isValidChar(QLatin1Char(',')));
    QVERIFY(size("DnaG20_w")->isValidChar(QLatin1Char('5')));
    QVERIFY(size("Dk_p3")->isValidChar(QLatin1Char(',')));
    QVERIFY(!size("Dk_p3")->isValidChar(QLatin1Char('-')));
}

void TestTDModRules::sizePostKeepsStockFlags()
{
    postSizeStock(QStringLiteral("Apeldoorn"), QStringLiteral("12/+"), 500, 0);
    Field* pg = m_dmod->tbCdata()->fieldByName(QStringLiteral("PGvoorraad"));
    Field* broei = m_dmod->tbCdata()->fieldByName(QStringLiteral("Broeivoorraad"));
    QCOMPARE(broei->asBoolean(), true);
    QCOMPARE(pg->asBoolean(), false);
    // The user's size record stays current.
    QCOMPARE(size("Size")->asString(), QStringLiteral("12/+"));

    postSizeStock(QStringLiteral("Blenda"), QStringLiteral("12/+"), 0, 2.5);
    QCOMPARE(pg->asBoolean(), true);
    QCOMPARE(broei->asBoolean(), false);
    postSizeStock(QStringLiteral("Blenda"), QStringLiteral("12/+"), 0, 0);
    QCOMPARE(pg->asBoolean(), false);
    QCOMPARE(broei->asBoolean(), false);
    // Stored, not only shown.
    auto fresh = m_db->view(QStringLiteral("Cdata"));
    fresh->open();
    QVERIFY(fresh->locate({"Cultivar", "Source"}, {"Apeldoorn", "NL"}));
    QCOMPARE(fresh->fieldByName(QStringLiteral("Broeivoorraad"))->asBoolean(), true);
}

void TestTDModRules::mainGroupAndStockFilter()
{
    postSizeStock(QStringLiteral("Apeldoorn"), QStringLiteral("11/12"), 1000, 0);
    postSizeStock(QStringLiteral("Blenda"), QStringLiteral("12/+"), 5, 0);

    QSignalSpy count(m_dmod.get(), &TDMod::CultivarCountChanged);
    m_dmod->SetHoofdgroepFilter(3);
    QCOMPARE(shownCultivars(), QStringList({"Blenda", "O'Brien"}));
    QCOMPARE(count.last()[0].toString(), QStringLiteral("Totaal 2 Cultivars"));

    m_dmod->setVoorraadOnly(true);
    m_dmod->ApplyCultivarFilter();
    QCOMPARE(shownCultivars(), QStringList({"Blenda"}));
    QCOMPARE(count.last()[0].toString(), QStringLiteral("Totaal 1 Cultivars"));

    m_dmod->SetHoofdgroepFilter(0);
    QCOMPARE(shownCultivars(), QStringList({"Apeldoorn", "Blenda"}));

    m_dmod->ResetStockFilters();
    QVERIFY(!m_dmod->tbCdata()->filtered());
    QVERIFY(!m_dmod->VoorraadOnly());
    QCOMPARE(m_dmod->tbCdata()->recordCount(), 6);
    QCOMPARE(count.last()[0].toString(), QStringLiteral("Totaal 6 Cultivars"));
}

void TestTDModRules::hiddenCurrentRecordIsNotReturnedTo()
{
    goToCultivar(QStringLiteral("O'Brien"), QString());
    m_dmod->SetHoofdgroepFilter(3);
    QCOMPARE(m_dmod->tbCdata()->fieldByName(QStringLiteral("Cultivar"))->asString(),
             QStringLiteral("O'Brien"));
    m_dmod->SetHoofdgroepFilter(1);
    QVERIFY(!m_dmod->tbCdata()->isEmpty());
    QCOMPARE(m_dmod->tbCdata()->fieldByName(QStringLiteral("Hoofdgroep"))->asInteger(), 1);
}

QTEST_GUILESS_MAIN(TestTDModRules)
#include "tst_tdmodrules.moc"
