#include "db/rules/CultivarFilter.h"
#include "db/rules/StockFigures.h"

#include <QTest>

using namespace kasplan;

class TestStockFigures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void plantingStockInContainers_data();
    void plantingStockInContainers();
    void boxesAndTrays_data();
    void boxesAndTrays();
    void remainingStock();
    void allSizesView();
    void stockFlags();
    void filterRules_data();
    void filterRules();
    void filterTextAndCount();
};

void TestStockFigures::plantingStockInContainers_data()
{
    QTest::addColumn<double>("voorraad");
    QTest::addColumn<double>("perfust");
    QTest::addColumn<QVariant>("fusten");
    QTest::addColumn<QVariant>("fustenused");
    QTest::addColumn<QVariant>("restfustqty");
    const QVariant empty;
    QTest::newRow("10 / 4") << 10.0 << 4.0 << QVariant(2.5) << QVariant(3) << QVariant(2.0);
    QTest::newRow("8 / 4") << 8.0 << 4.0 << QVariant(2.0) << QVariant(2) << empty;
    QTest::newRow("a hair above whole") << 2.0000000001 << 1.0 << QVariant(2.0000000001)
                                        << QVariant(2) << QVariant(2.0000000001 - 2.0);
    QTest::newRow("just under whole")
        << 1.99 << 1.0 << QVariant(1.99) << QVariant(2) << QVariant(0.99);
    QTest::newRow("less than one container")
        << 1.0 << 4.0 << QVariant(0.25) << QVariant(1) << QVariant(1.0);
    QTest::newRow("no stock") << 0.0 << 4.0 << QVariant(0.0) << QVariant(0) << empty;
    QTest::newRow("perfust 0") << 10.0 << 0.0 << empty << empty << empty;
    QTest::newRow("perfust 1e-15") << 10.0 << 1e-15 << empty << empty << empty;
    QTest::newRow("perfust negative") << 10.0 << -4.0 << empty << empty << empty;
}

void TestStockFigures::plantingStockInContainers()
{
    QFETCH(double, voorraad);
    QFETCH(double, perfust);
    QFETCH(QVariant, fusten);
    QFETCH(QVariant, fustenused);
    QFETCH(QVariant, restfustqty);
    SizeStock size;
    size.PG_voorraad = voorraad;
    size.PG_perfust = perfust;
    size.PG_geboekt = 1.5;
    const QVariantMap fields = StockFigures::CsizesCalcFields(size);
    QCOMPARE(fields.value("PG_fusten").isNull(), fusten.isNull());
    if (!fusten.isNull())
        QCOMPARE(fields.value("PG_fusten").toDouble(), fusten.toDouble());
    QCOMPARE(fields.value("PG_fustenused").isNull(), fustenused.isNull());
    if (!fustenused.isNull())
        QCOMPARE(fields.value("PG_fustenused").toLongLong(), fustenused.toLongLong());
    QCOMPARE(fields.value("PG_restfustqty").isNull(), restfustqty.isNull());
    if (!restfustqty.isNull())
        QCOMPARE(fields.value("PG_restfustqty").toDouble(), restfustqty.toDouble());
    // The remaining planting stock needs no containers.
    QCOMPARE(fields.value("PG_Resterend").toDouble(), voorraad - 1.5);
}

void TestStockFigures::boxesAndTrays_data()
{
    QTest::addColumn<qint64>("aantal");
    QTest::addColumn<qint64>("per");
    QTest::addColumn<QVariant>("needed");
    QTest::newRow("1000 / 300") << qint64(1000) << qint64(300) << QVariant(4);
    QTest::newRow("1000 / 250") << qint64(1000) << qint64(250) << QVariant(4);
    QTest::newRow("1001 / 250") << qint64(1001) << qint64(250) << QVariant(5);
    QTest::newRow("1 / 1") << qint64(1) << qint64(1) << QVariant(1);
    QTest::newRow("no stock") << qint64(0) << qint64(250) << QVariant(0);
    QTest::newRow("per 0") << qint64(1000) << qint64(0) << QVariant();
    QTest::newRow("per negative") << qint64(1000) << qint64(-5) << QVariant();
}

void TestStockFigures::boxesAndTrays()
{
    QFETCH(qint64, aantal);
    QFETCH(qint64, per);
    QFETCH(QVariant, needed);
    // Each container field uses its own divisor; the others stay empty.
    const struct
    {
        const char* result;
        qint64 SizeStock::*divisor;
    } pairs[] = {{"Nboxes", &SizeStock::Nperbox},
                 {"Ntrays", &SizeStock::Npertray},
                 {"Ntrays_w", &SizeStock::Npertray_w},
                 {"Ntrays_ice", &SizeStock::Npertray_ice}};
    for (const auto& pair : pairs) {
        SizeStock size;
        size.Aantal = aantal;
        size.*pair.divisor = per;
        const QVariantMap fields = StockFigures::CsizesCalcFields(size);
        for (const auto& other : pairs) {
            const QVariant value = fields.value(other.result);
            if (&other != &pair) {
                QVERIFY2(value.isNull(), other.result);
                continue;
            }
            QCOMPARE(value.isNull(), needed.isNull());
            if (!needed.isNull())
                QCOMPARE(value.toLongLong(), needed.toLongLong());
        }
    }
}

void TestStockFigures::remainingStock()
{
    SizeStock size;
    size.Aantal = 600;
    size.Geboekt = 650;
    QCOMPARE(StockFigures::CsizesCalcFields(size).value("Resterend").toLongLong(), -50);
    // Long fields at their extremes do not overflow.
    size.Aantal = std::numeric_limits<qint32>::min();
    size.Geboekt = std::numeric_limits<qint32>::max();
    QCOMPARE(StockFigures::CsizesCalcFields(size).value("Resterend").toLongLong(),
             qint64(std::numeric_limits<qint32>::min()) - std::numeric_limits<qint32>::max());
}

void TestStockFigures::allSizesView()
{
    SizeStock size;
    size.PG_voorraad = 10;
    size.PG_perfust = 4;
    size.PG_geboekt = 3;
    QVariantMap fields = StockFigures::AllCsizesCalcFields(size);
    QCOMPARE(fields.keys(), QStringList({"PG_fusten", "PG_resterend"}));
    QCOMPARE(fields.value("PG_fusten").toDouble(), 2.5);
    QCOMPARE(fields.value("PG_resterend").toDouble(), 7.0);
    size.PG_perfust = 0;
    fields = StockFigures::AllCsizesCalcFields(size);
    QVERIFY(fields.value("PG_fusten").isNull());
    QCOMPARE(fields.value("PG_resterend").toDouble(), 7.0);
}

void TestStockFigures::stockFlags()
{
    StockFlags none;
    none.add(0, 0);
    none.add(1e-16, 0);
    none.add(-3, -1);
    QVERIFY(!none.PGvoorraad());
    QVERIFY(!none.Broeivoorraad());

    StockFlags both;
    both.add(0.5, 0);
    QVERIFY(both.PGvoorraad());
    QVERIFY(!both.complete());
    both.add(0, 1);
    QVERIFY(both.Broeivoorraad());
    QVERIFY(both.complete());
}

void TestStockFigures::filterRules_data()
{
    QTest::addColumn<bool>("voorraadOnly");
    QTest::addColumn<bool>("pgVoorraadOnly");
    QTest::addColumn<bool>("pg");
    QTest::addColumn<bool>("broei");
    QTest::addColumn<bool>("shown");
    QTest::newRow("no switch, no stock") << false << false << false << false << true;
    QTest::newRow("forcing only, has forcing") << true << false << false << true << true;
    QTest::newRow("forcing only, planting only") << true << false << true << false << false;
    QTest::newRow("planting only, has planting") << false << true << true << false << true;
    QTest::newRow("planting only, forcing only") << false << true << false << true << false;
    QTest::newRow("both switches, either stock") << true << true << false << true << true;
    QTest::newRow("both switches, no stock") << true << true << false << false << false;
}

void TestStockFigures::filterRules()
{
    QFETCH(bool, voorraadOnly);
    QFETCH(bool, pgVoorraadOnly);
    QFETCH(bool, pg);
    QFETCH(bool, broei);
    QFETCH(bool, shown);
    QCOMPARE(CultivarFilter::Accepts(voorraadOnly, pgVoorraadOnly, pg, broei), shown);
}

void TestStockFigures::filterTextAndCount()
{
    QCOMPARE(CultivarFilter::HoofdgroepFilterText(0), QString());
    QCOMPARE(CultivarFilter::HoofdgroepFilterText(3), QStringLiteral("(Hoofdgroep = '3')"));
    QCOMPARE(CultivarFilter::HoofdgroepFilterText(10), QStringLiteral("(Hoofdgroep = '10')"));
    QVERIFY(!CultivarFilter::FilterOn(QString(), false, false));
    QVERIFY(CultivarFilter::FilterOn(QStringLiteral("(Hoofdgroep = '3')"), false, false));
    QVERIFY(CultivarFilter::FilterOn(QString(), true, false));
    QVERIFY(CultivarFilter::FilterOn(QString(), false, true));
    QCOMPARE(CultivarFilter::CountText(12), QStringLiteral("Totaal 12 Cultivars"));
}

QTEST_APPLESS_MAIN(TestStockFigures)
#include "tst_stockfigures.moc"
