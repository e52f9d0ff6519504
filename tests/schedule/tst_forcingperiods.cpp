#include "schedule/ForcingPeriods.h"

#include <QTest>

using namespace kasplan;

class TestForcingPeriods : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { periods.SetPeriodDates(2024); }
    void periodOfDate_data();
    void periodOfDate();
    void periodPosition_data();
    void periodPosition();
    void fieldNames_data();
    void fieldNames();
    void labels();
    void gstageminInSeason_data();
    void gstageminInSeason();
    void dnaG20ReadsNullAsZero();

private:
    ForcingPeriods periods;
};

void TestForcingPeriods::periodOfDate_data()
{
    QTest::addColumn<double>("date");
    QTest::addColumn<int>("period");
    QTest::newRow("1 feb, before the season") << EncodeDate(2024, 2, 1) << 1;
    QTest::newRow("16 dec") << EncodeDate(2024, 12, 16) << 1;
    QTest::newRow("17 dec") << EncodeDate(2024, 12, 17) << 2;
    QTest::newRow("just under 17 dec counts as 17 dec") << EncodeDate(2024, 12, 17) - 0.0005 << 2;
    QTest::newRow("well under 17 dec") << EncodeDate(2024, 12, 17) - 0.01 << 1;
    QTest::newRow("24 jan") << EncodeDate(2025, 1, 24) << 2;
    QTest::newRow("25 jan") << EncodeDate(2025, 1, 25) << 3;
    QTest::newRow("24 feb") << EncodeDate(2025, 2, 24) << 3;
    QTest::newRow("25 feb") << EncodeDate(2025, 2, 25) << 4;
    QTest::newRow("24 mar") << EncodeDate(2025, 3, 24) << 4;
    QTest::newRow("25 mar") << EncodeDate(2025, 3, 25) << 5;
    QTest::newRow("next autumn") << EncodeDate(2025, 10, 1) << 5;
}

void TestForcingPeriods::periodOfDate()
{
    QFETCH(double, date);
    QFETCH(int, period);
    QCOMPARE(periods.PeriodOfDate(date), period);
}

void TestForcingPeriods::periodPosition_data()
{
    QTest::addColumn<int>("k");
    QTest::addColumn<double>("date");
    QTest::addColumn<int>("position");
    QTest::newRow("p1, long before") << 1 << EncodeDate(2000, 1, 1) << 0;
    QTest::newRow("p1, 17 dec") << 1 << EncodeDate(2024, 12, 17) << 1;
    QTest::newRow("p1, far after") << 1 << EncodeDate(2026, 1, 1) << 1;
    QTest::newRow("p2, 16 dec") << 2 << EncodeDate(2024, 12, 16) << -1;
    QTest::newRow("p2, 17 dec") << 2 << EncodeDate(2024, 12, 17) << 0;
    QTest::newRow("p2, 25 jan") << 2 << EncodeDate(2025, 1, 25) << 1;
    QTest::newRow("p3, 24 jan") << 3 << EncodeDate(2025, 1, 24) << -1;
    QTest::newRow("p3, 24 feb") << 3 << EncodeDate(2025, 2, 24) << 0;
    QTest::newRow("p4, 24 feb") << 4 << EncodeDate(2025, 2, 24) << -1;
    QTest::newRow("p4, 24 mar") << 4 << EncodeDate(2025, 3, 24) << 0;
    QTest::newRow("p4, 25 mar") << 4 << EncodeDate(2025, 3, 25) << 1;
    QTest::newRow("p5, 24 mar") << 5 << EncodeDate(2025, 3, 24) << -1;
    QTest::newRow("p5, 25 mar") << 5 << EncodeDate(2025, 3, 25) << 0;
}

void TestForcingPeriods::periodPosition()
{
    QFETCH(int, k);
    QFETCH(double, date);
    QFETCH(int, position);
    QCOMPARE(periods.PeriodPosition(k, date), position);
}

void TestForcingPeriods::fieldNames_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("name");
    QTest::newRow("soil") << "Dk_p" << 3 << 0 << "Dk_p3";
    QTest::newRow("water") << "Kd_p" << 2 << 1 << "Kd_p2_w";
    for (int k = 1; k <= 4; ++k)
        QTest::addRow("ice, period %d", k) << "Dk_p" << k << 2 << "Dk_p_ice";
    QTest::newRow("ice, greenhouse") << "Kd_p" << 4 << 2 << "Kd_p_ice";
    QTest::newRow("no method, -1") << "Dk_p" << 1 << -1 << "Dk_p1";
    QTest::newRow("no method, -1, greenhouse") << "Kd_p" << 4 << -1 << "Kd_p4";
    QTest::newRow("unknown method 7") << "Kd_p" << 2 << 7 << "Kd_p2";
}

void TestForcingPeriods::fieldNames()
{
    QFETCH(QString, base);
    QFETCH(int, k);
    QFETCH(int, method);
    QFETCH(QString, name);
    QCOMPARE(PeriodFieldName(base, k, method), name);
}

void TestForcingPeriods::labels()
{
    QCOMPARE(PeriodLabel(1), QStringLiteral("tot 17/12"));
    QCOMPARE(PeriodLabel(2), QStringLiteral("17/12-24/1"));
    QCOMPARE(PeriodLabel(3), QStringLiteral("25/1-24/2"));
    QCOMPARE(PeriodLabel(4), QStringLiteral("25/2-24/3"));
    QCOMPARE(PeriodLabel(5), QString());
    QCOMPARE(PeriodLabel(0), QString());
}

void TestForcingPeriods::gstageminInSeason_data()
{
    QTest::addColumn<int>("season");
    QTest::addColumn<QDate>("stored");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("29 feb, non-leap start year")
        << 2025 << QDate(2024, 2, 29) << QDate(2025, 2, 28);
    QTest::newRow("29 feb, leap start year") << 2024 << QDate(2020, 2, 29) << QDate(2024, 2, 29);
    QTest::newRow("stored year has no effect") << 2024 << QDate(1997, 9, 10) << QDate(2024, 9, 10);
}

void TestForcingPeriods::gstageminInSeason()
{
    QFETCH(int, season);
    QFETCH(QDate, stored);
    QFETCH(QDate, expected);
    periods.SetPeriodDates(season);
    QCOMPARE(ToQDate(periods.GstageminInSeason(FromQDate(stored))), expected);
}

void TestForcingPeriods::dnaG20ReadsNullAsZero()
{
    ForcingValues record;
    record.set(QStringLiteral("DnaG20"), 21);
    record.set(QStringLiteral("DnaG20_w"), 0);
    QCOMPARE(DnaG20Value(record, 0), 21);
    QCOMPARE(DnaG20Value(record, -1), 21);
    QCOMPARE(DnaG20Value(record, 1), 0);
    QVERIFY(!record.isNull(QStringLiteral("DnaG20_w")));
    QCOMPARE(DnaG20Value(record, 2), 0);
    QVERIFY(record.isNull(QStringLiteral("DnaG20_ice")));
}

QTEST_APPLESS_MAIN(TestForcingPeriods)
#include "tst_forcingperiods.moc"
