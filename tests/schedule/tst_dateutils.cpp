#include "schedule/DateUtils.h"

#include <QTest>

using namespace kasplan;

class TestDateUtils : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dayNumbers();
    void daysInMonth_data();
    void daysInMonth();
    void incDate_data();
    void incDate();
    void limitedDayIsNotRestored();
    void yearBounds();
    void dayOfYear();
    void weekNumber_data();
    void weekNumber();
    void weekNumberAgreesWithIso();
};

void TestDateUtils::dayNumbers()
{
    QCOMPARE(EncodeDate(1899, 12, 30), 0.0);
    QCOMPARE(EncodeDate(1900, 1, 1), 2.0);
    QCOMPARE(DayOfWeek(EncodeDate(2024, 12, 29)), int(Sunday));
    QCOMPARE(DayOfWeek(EncodeDate(2025, 1, 1)), int(Wednesday));
    QCOMPARE(DayOfWeek(EncodeDate(1899, 12, 30)), int(Saturday));
    QCOMPARE(DayOfWeek(EncodeDate(1800, 1, 1)), int(Wednesday));
    int y, m, d;
    DecodeDate(EncodeDate(2025, 2, 28) + 0.75, y, m, d);
    QCOMPARE(QDate(y, m, d), QDate(2025, 2, 28));
}

void TestDateUtils::daysInMonth_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("days");
    QTest::newRow("1900 feb, century") << 1900 << 2 << 28;
    QTest::newRow("2000 feb, 400 years") << 2000 << 2 << 29;
    QTest::newRow("2024 feb, leap") << 2024 << 2 << 29;
    QTest::newRow("2025 feb") << 2025 << 2 << 28;
    QTest::newRow("april") << 2025 << 4 << 30;
    QTest::newRow("december") << 2025 << 12 << 31;
}

void TestDateUtils::daysInMonth()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, days);
    QCOMPARE(DaysInMonth(year, month), days);
}

void TestDateUtils::incDate_data()
{
    QTest::addColumn<int>("years");
    QTest::addColumn<int>("months");
    QTest::addColumn<int>("days");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("31 jan +1 month") << 0 << 1 << 0 << QDate(2025, 1, 31) << QDate(2025, 2, 28);
    QTest::newRow("31 mar -1 month, leap")
        << 0 << -1 << 0 << QDate(2024, 3, 31) << QDate(2024, 2, 29);
    QTest::newRow("15 jan -1 month") << 0 << -1 << 0 << QDate(2025, 1, 15) << QDate(2024, 12, 15);
    QTest::newRow("15 may -17 months")
        << 0 << -17 << 0 << QDate(2025, 5, 15) << QDate(2023, 12, 15);
    QTest::newRow("29 feb +1 year") << 1 << 0 << 0 << QDate(2024, 2, 29) << QDate(2025, 2, 28);
    QTest::newRow("24 months -1 day") << 0 << 24 << -1 << QDate(2024, 1, 1) << QDate(2025, 12, 31);
    QTest::newRow("1 jan -1 month") << 0 << -1 << 0 << QDate(2025, 1, 1) << QDate(2024, 12, 1);
    QTest::newRow("15 jun +12 months") << 0 << 12 << 0 << QDate(2024, 6, 15) << QDate(2025, 6, 15);
    QTest::newRow("15 dec -12 months")
        << 0 << -12 << 0 << QDate(2024, 12, 15) << QDate(2023, 12, 15);
    QTest::newRow("15 dec +1 month") << 0 << 1 << 0 << QDate(2024, 12, 15) << QDate(2025, 1, 15);
    QTest::newRow("31 dec -24 months")
        << 0 << -24 << 0 << QDate(2025, 12, 31) << QDate(2023, 12, 31);
    QTest::newRow("years then months") << 1 << -1 << 3 << QDate(2024, 3, 31) << QDate(2025, 3, 3);
    QTest::newRow("days only, over new year")
        << 0 << 0 << 5 << QDate(2024, 12, 30) << QDate(2025, 1, 4);
}

void TestDateUtils::incDate()
{
    QFETCH(int, years);
    QFETCH(int, months);
    QFETCH(int, days);
    QFETCH(QDate, from);
    QFETCH(QDate, expected);
    QCOMPARE(ToQDate(IncDate(years, months, days, FromQDate(from))), expected);
}

void TestDateUtils::limitedDayIsNotRestored()
{
    const TDate feb = IncDate(0, 1, 0, EncodeDate(2025, 1, 30));
    QCOMPARE(ToQDate(feb), QDate(2025, 2, 28));
    QCOMPARE(ToQDate(IncDate(0, 1, 0, feb)), QDate(2025, 3, 28));
}

void TestDateUtils::yearBounds()
{
    QVERIFY_THROWS_EXCEPTION(DateError, EncodeDate(0, 1, 1));
    QVERIFY_THROWS_EXCEPTION(DateError, EncodeDate(10000, 1, 1));
    QVERIFY_THROWS_EXCEPTION(DateError, EncodeDate(2025, 2, 29));
    QVERIFY_THROWS_EXCEPTION(DateError, EncodeDate(2025, 13, 1));
    QVERIFY_THROWS_EXCEPTION(DateError, IncDate(0, 1, 0, EncodeDate(9999, 12, 1)));
    QCOMPARE(ToQDate(EncodeDate(9999, 12, 31)), QDate(9999, 12, 31));
}

void TestDateUtils::dayOfYear()
{
    QCOMPARE(DayOfYear(EncodeDate(2024, 12, 31)), 366);
    QCOMPARE(DayOfYear(EncodeDate(2025, 12, 31)), 365);
    QCOMPARE(DayOfYear(EncodeDate(2025, 1, 1) + 0.5), 1);
    QCOMPARE(ToQDate(FirstDayOfYear(EncodeDate(2025, 7, 4))), QDate(2025, 1, 1));
    QCOMPARE(ToQDate(LastDayOfYear(EncodeDate(2025, 7, 4))), QDate(2025, 12, 31));
}

void TestDateUtils::weekNumber_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("week");
    QTest::newRow("29 dec 2014") << QDate(2014, 12, 29) << 1;
    QTest::newRow("1 jan 2016") << QDate(2016, 1, 1) << 53;
    QTest::newRow("31 dec 2024") << QDate(2024, 12, 31) << 1;
    QTest::newRow("3 jan 2021") << QDate(2021, 1, 3) << 53;
    QTest::newRow("4 jan 2021") << QDate(2021, 1, 4) << 1;
    QTest::newRow("31 dec 2020") << QDate(2020, 12, 31) << 53;
    QTest::newRow("1 jan 2023, sunday") << QDate(2023, 1, 1) << 52;
    QTest::newRow("mid year") << QDate(2025, 7, 4) << 27;
}

void TestDateUtils::weekNumber()
{
    QFETCH(QDate, date);
    QFETCH(int, week);
    QCOMPARE(WeekNumber(FromQDate(date)), week);
}

void TestDateUtils::weekNumberAgreesWithIso()
{
    // Every day of three decades, against an independent ISO 8601 reckoning.
    for (QDate d(2000, 1, 1); d <= QDate(2030, 12, 31); d = d.addDays(1)) {
        if (WeekNumber(FromQDate(d)) != d.weekNumber())
            QFAIL(qPrintable(d.toString(Qt::ISODate)));
    }
}

QTEST_APPLESS_MAIN(TestDateUtils)
#include "tst_dateutils.moc"
