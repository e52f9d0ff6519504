#include "core/Clock.h"
#include "schedule/BarCalendarModel.h"
#include "support/ScopedFixedClock.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <optional>

using namespace kasplan;

class TestBarCalendarModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Dutch, QLocale::Netherlands)); }
    void init() { clock.emplace(QDate(2024, 9, 15)); }
    void cleanup() { clock.reset(); }
    void startsOnToday();
    void rangeStartsOnFirstOfMonth_data();
    void rangeStartsOnFirstOfMonth();
    void setDateIgnoresTinyChanges();
    void dateOutsideRangeWithoutAdjust_data();
    void dateOutsideRangeWithoutAdjust();
    void autoRangeAdjust();
    void scrollToDateAndPosition();
    void refusedSetters();
    void dayKeysAndSelection();
    void selectionFollowsDateWhenRangeMoves();
    void periodRepaintsWithoutEvents();

private:
    std::optional<ScopedFixedClock> clock;
};

void TestBarCalendarModel::startsOnToday()
{
    BarCalendarModel cal;
    QCOMPARE(ToQDate(cal.Date()), QDate(2024, 9, 15));
    QCOMPARE(ToQDate(cal.StartDate()), QDate(2024, 9, 1));
    QCOMPARE(ToQDate(cal.EndDate()), QDate(2025, 8, 31));
    QCOMPARE(cal.MonthRange(), 12);
    QCOMPARE(cal.Period(), 7);
    QCOMPARE(cal.selectedDayColumn(), 14);
    QCOMPARE(cal.selectedMonthColumn(), 0);
    QCOMPARE(cal.dayColumnCount(), 365);
}

void TestBarCalendarModel::rangeStartsOnFirstOfMonth_data()
{
    QTest::addColumn<QDate>("today");
    QTest::newRow("first") << QDate(2024, 9, 1);
    // One day after the first of the month: the range is built all the same.
    QTest::newRow("second") << QDate(2024, 9, 2);
    QTest::newRow("last") << QDate(2024, 9, 30);
}

void TestBarCalendarModel::rangeStartsOnFirstOfMonth()
{
    QFETCH(QDate, today);
    clock.reset();
    clock.emplace(today);
    BarCalendarModel cal;
    QCOMPARE(ToQDate(cal.Date()), today);
    QCOMPARE(ToQDate(cal.StartDate()), QDate(2024, 9, 1));
    QCOMPARE(ToQDate(cal.EndDate()), QDate(2025, 8, 31));
    QCOMPARE(cal.selectedDayColumn(), today.day() - 1);
}

void TestBarCalendarModel::setDateIgnoresTinyChanges()
{
    BarCalendarModel cal;
    QSignalSpy spy(&cal, &BarCalendarModel::dateChanged);
    const TDate d = cal.Date();
    cal.SetDate(d + 0.00005);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(cal.Date(), d);
    cal.ForceDate(d);
    QCOMPARE(spy.count(), 1);
    cal.SetDate(d + 1);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(cal.Date(), d + 1);
}

void TestBarCalendarModel::dateOutsideRangeWithoutAdjust_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("before") << QDate(2024, 8, 31) << "<<< "
                            << "  ";
    QTest::newRow("after") << QDate(2025, 9, 1) << ""
                           << "   >>>";
}

void TestBarCalendarModel::dateOutsideRangeWithoutAdjust()
{
    QFETCH(QDate, date);
    QFETCH(QString, prefix);
    QFETCH(QString, suffix);
    BarCalendarModel cal;
    cal.SetDate(FromQDate(date));
    QCOMPARE(cal.selectedDayColumn(), -1);
    QCOMPARE(cal.selectedMonthColumn(), -1);
    QCOMPARE(ToQDate(cal.StartDate()), QDate(2024, 9, 1));
    const QString longDate = QLocale::system().toString(date, QLocale::LongFormat);
    QVERIFY2(cal.dateCaptionText().startsWith(prefix + longDate),
             qPrintable(cal.dateCaptionText()));
    QVERIFY2(cal.dateCaptionText().endsWith(suffix), qPrintable(cal.dateCaptionText()));
}

void TestBarCalendarModel::autoRangeAdjust()
{
    BarCalendarModel cal;
    cal.SetStartDate(EncodeDate(2024, 1, 1));
    cal.setAutoRangeAdjust(true);
    cal.SetDate(EncodeDate(2025, 2, 10));
    QCOMPARE(ToQDate(cal.StartDate()), QDate(2024, 3, 1));
    QCOMPARE(ToQDate(cal.EndDate()), QDate(2025, 2, 28));
    QCOMPARE(cal.selectedMonthColumn(), 11);
    QCOMPARE(ToQDate(cal.StartDate() + cal.selectedDayColumn()), QDate(2025, 2, 10));

    cal.SetDate(EncodeDate(2023, 7, 4));
    QCOMPARE(ToQDate(cal.StartDate()), QDate(2023, 7, 1));
    QCOMPARE(cal.selectedMonthColumn(), 0);
    QCOMPARE(cal.leftMonth(), 0);
}

void TestBarCalendarModel::scrollToDateAndPosition()
{
    BarCalendarModel cal;
    cal.setMonthRange(24);
    cal.setDayCellWidth(3);
    cal.setBarWidth(4 * 92); // about three months in view
    QSignalSpy left(&cal, &BarCalendarModel::leftMonthChanged);
    const TDate june = EncodeDate(2025, 6, 20);
    QCOMPARE(cal.DayInView(june), 1);
    cal.ScrollToDate(june);
    QCOMPARE(cal.DayInView(june), 0);
    QVERIFY(left.count() > 0);
    QCOMPARE(cal.firstVisibleDay(), cal.firstDayOfMonthColumn(cal.leftMonth()));

    cal.ScrollToDate(EncodeDate(2024, 9, 2));
    QCOMPARE(cal.leftMonth(), 0);
    QCOMPARE(cal.firstVisibleDay(), 0);

    cal.ScrollToPosition(100);
    QCOMPARE(cal.leftMonth(), cal.lastLeftMonth());
    QCOMPARE(cal.scrollPosition(), 100);
    cal.ScrollToPosition(50);
    QCOMPARE(cal.leftMonth(), qRound(cal.lastLeftMonth() * 0.5));
    cal.ScrollToPosition(0);
    QCOMPARE(cal.leftMonth(), 0);
    // Scrolled out of view, the date panel points at where the date is.
    cal.SetDate(EncodeDate(2026, 1, 10));
    cal.ScrollToPosition(0);
    QVERIFY(cal.dateCaptionText().endsWith(QStringLiteral(" >>>")));
}

void TestBarCalendarModel::refusedSetters()
{
    BarCalendarModel cal;
    QSignalSpy changed(&cal, &BarCalendarModel::changed);
    cal.setStartMonth(13);
    cal.setStartMonth(0);
    cal.setStartYear(0);
    cal.setMonthRange(0);
    cal.setDay(0);
    cal.setDay(31); // September has 30 days
    cal.setMonth(13);
    cal.setYear(0);
    cal.setDay(15); // unchanged
    QCOMPARE(changed.count(), 0);
    QCOMPARE(ToQDate(cal.Date()), QDate(2024, 9, 15));
    QCOMPARE(cal.StartMonth(), 9);
    QVERIFY(cal.UseCurrentDate());

    cal.setDay(30);
    QCOMPARE(changed.count(), 1);
    QVERIFY(!cal.UseCurrentDate());
    cal.setMonth(2); // 30 February is limited to the month
    QCOMPARE(ToQDate(cal.Date()), QDate(2024, 2, 29));
    cal.setStartMonth(12);
    QCOMPARE(ToQDate(cal.StartDate()), QDate(2024, 12, 1));
    QCOMPARE(ToQDate(cal.EndDate()), QDate(2025, 11, 30));
}

void TestBarCalendarModel::dayKeysAndSelection()
{
    BarCalendarModel cal;
    cal.selectDayColumn(40);
    QCOMPARE(ToQDate(cal.Date()), QDate(2024, 10, 11));
    QCOMPARE(cal.selectedMonthColumn(), 1);
    cal.dayKeyRight();
    QCOMPARE(ToQDate(cal.Date()), QDate(2024, 10, 12));
    cal.dayKeyLeft();
    cal.dayKeyLeft();
    QCOMPARE(ToQDate(cal.Date()), QDate(2024, 10, 10));
    cal.selectMonthColumn(5); // February: day 10 kept
    QCOMPARE(ToQDate(cal.Date()), QDate(2025, 2, 10));
    cal.stepMonths(-1);
    QCOMPARE(ToQDate(cal.Date()), QDate(2025, 1, 10));
    cal.stepDays(1);
    QCOMPARE(ToQDate(cal.Date()), QDate(2025, 1, 11));
}

void TestBarCalendarModel::selectionFollowsDateWhenRangeMoves()
{
    BarCalendarModel cal; // 15 September 2024, range from 1 September
    QCOMPARE(cal.selectedDayColumn(), 14);
    QCOMPARE(cal.dayCell(14), BarCalendarModel::DayCell::SelectedSunday);

    // The highlight stays on 15 September, not on the fifteenth column.
    cal.setStartMonth(1);
    QCOMPARE(ToQDate(cal.StartDate() + cal.selectedDayColumn()), QDate(2024, 9, 15));
    QCOMPARE(cal.selectedMonthColumn(), 8);
    QCOMPARE(cal.dayCell(14), BarCalendarModel::DayCell::Ordinary);

    cal.SetStartDate(EncodeDate(2024, 8, 20));
    QCOMPARE(ToQDate(cal.StartDate() + cal.selectedDayColumn()), QDate(2024, 9, 15));
    QCOMPARE(cal.selectedMonthColumn(), 1);

    // Moved past the date, nothing is selected.
    cal.setStartYear(2025);
    QCOMPARE(cal.selectedDayColumn(), -1);
    QCOMPARE(cal.selectedMonthColumn(), -1);
    QVERIFY(cal.dateCaptionText().startsWith(QStringLiteral("<<< ")));

    cal.setStartYear(2024);
    cal.setMonthRange(1); // August only
    QCOMPARE(cal.selectedDayColumn(), -1);
}

void TestBarCalendarModel::periodRepaintsWithoutEvents()
{
    BarCalendarModel cal;
    QSignalSpy bars(&cal, &BarCalendarModel::barsChanged);
    QSignalSpy date(&cal, &BarCalendarModel::dateChanged);
    QSignalSpy changed(&cal, &BarCalendarModel::changed);
    cal.setPeriod(21);
    QCOMPARE(cal.Period(), 21);
    QCOMPARE(cal.dayCell(14 + 20), BarCalendarModel::DayCell::Period);
    QCOMPARE(cal.dayCell(14 + 21), BarCalendarModel::DayCell::Sunday); // 6 October, after it
    QCOMPARE(bars.count(), 1);
    QCOMPARE(date.count() + changed.count(), 0);
}

QTEST_GUILESS_MAIN(TestBarCalendarModel)
#include "tst_barcalendarmodel.moc"
