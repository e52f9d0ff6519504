#include "core/Clock.h"
#include "schedule/calendar/BarCalendarLayout.h"
#include "schedule/calendar/TBarCalendar.h"
#include "schedule/calendar/TCalendarUpDown.h"
#include "schedule/calendar/TDayGrid.h"
#include "schedule/calendar/TMonthBar.h"
#include "support/ScopedFixedClock.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

using namespace kasplan;

namespace {

QFont pixelFont(int pixels)
{
    QFont font;
    font.setPixelSize(pixels);
    return font;
}

// The fonts and widths the main window gives its calendars.
void likeMainWindow(TBarCalendar& cal)
{
    cal.setLabelFont(pixelFont(18));
    cal.setDateCapFont(pixelFont(15));
    cal.setDateFont(pixelFont(18));
    cal.setMonthFont(pixelFont(15));
    cal.setDatePanelWidth(251);
    cal.setDateCaptionWidth(170);
    cal.setUDBtnWidth(50);
    cal.setLUDBtnWidth(0);
}

// Shows the calendar at the given size: a hidden widget gets its resize event
// (and so its arrangement) only when it is shown.
void showAt(TBarCalendar& cal, QSize size)
{
    cal.resize(size);
    cal.show();
    QVERIFY(QTest::qWaitForWindowExposed(&cal));
}

// A palette colour as it lands in an 8-bit image.
QColor opaque(const QColor& color)
{
    return QColor(color.rgb());
}

QColor pixelAt(const QImage& image, const QWidget* part, QPoint pos)
{
    return image.pixelColor(part->geometry().topLeft() + pos);
}

} // namespace

class TestBarCalendar : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_clock.emplace(QDate(2025, 1, 15)); }
    void cleanup() { m_clock.reset(); }

    void defaults();
    void dayCellColours_data();
    void dayCellColours();
    void monthWidthFollowsDayCellWidth_data();
    void monthWidthFollowsDayCellWidth();
    void weekNumbers_data();
    void weekNumbers();
    void upDownHalves_data();
    void upDownHalves();
    void dayBarArrowKeys();
    void dayBarOtherKeys_data();
    void dayBarOtherKeys();
    void pointingAtADayNamesIt_data();
    void pointingAtADayNamesIt();
    void monthsStayAboveTheirDaysScrolledByDays();
    void clicksOnCells();
    void datePanelText();
    void layoutOfMainWindowCalendar();
    void layoutForAnySize_data();
    void layoutForAnySize();
    void scrollBarFollowsMonthBar();
    void focusOfCalendarAndParts();

private:
    std::optional<ScopedFixedClock> m_clock;
};

void TestBarCalendar::defaults()
{
    TBarCalendar cal;
    QCOMPARE(cal.size(), QSize(200, 60));
    QCOMPARE(ToQDate(cal.Date()), QDate(2025, 1, 15));
    QVERIFY(cal.UseCurrentDate());
    QCOMPARE(cal.MonthRange(), 12);
    QCOMPARE(cal.Period(), 7);
    QCOMPARE(cal.DayCellWidth(), 3);
    QCOMPARE(cal.LabelText(), QStringLiteral("LabelText"));
    QCOMPARE(cal.DateCaption(), QStringLiteral("DateCaption"));
    QCOMPARE(cal.PeriodColor(), QColor(0, 0, 255));
    QCOMPARE(cal.PeriodSunDaysColor(), QColor(255, 0, 0));
    QCOMPARE(cal.DaysColor(), cal.palette().color(QPalette::Base));
    QCOMPARE(cal.MonthsColor(), cal.palette().color(QPalette::Base));
    QCOMPARE(cal.SunDaysColor(), cal.palette().color(QPalette::Button));
    QCOMPARE(cal.LabelColor(), cal.palette().color(QPalette::Button));
    QCOMPARE(cal.DatePanelWidth(), 200 / 3);
    QVERIFY(!cal.AddScrollBar() && !cal.OmitMonthBar() && !cal.OmitDayBar());
    QVERIFY(!cal.ShowWeeknrs() && !cal.AutoRangeAdjust());
    QVERIFY(cal.scrollBar()->isHidden());
    QCOMPARE(cal.monthUpDown()->toolTip(), QStringLiteral("Maand terug/verder"));
    QCOMPARE(cal.dayUpDown()->toolTip(), QStringLiteral("Dag terug/verder"));
    QCOMPARE(cal.leftDayUpDown()->toolTip(), QStringLiteral("Dag terug/verder"));
    // The published names work through Qt's property system as well.
    QVERIFY(cal.setProperty("Period", 21));
    QCOMPARE(cal.Period(), 21);
}

void TestBarCalendar::dayCellColours_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("flags");
    // One letter per day from Sunday 12 to Thursday 23 January 2025:
    // H highlight, P PeriodColor, X PeriodSunDaysColor, S SunDaysColor,
    // O DaysColor.
    QTest::addColumn<QString>("expected");
    QTest::newRow("Wednesday, period 7") << QDate(2025, 1, 15) << 7 << 0 << "SOOHPPPXPPOO";
    QTest::newRow("message flag 2") << QDate(2025, 1, 15) << 7 << 2 << "SOOHOOOSOOOO";
    QTest::newRow("message flag 1 only") << QDate(2025, 1, 15) << 7 << 1 << "SOOHPPPXPPOO";
    QTest::newRow("selected Sunday") << QDate(2025, 1, 19) << 3 << 0 << "SOOOOOOXPPOO";
    QTest::newRow("period 1") << QDate(2025, 1, 15) << 1 << 0 << "SOOHOOOSOOOO";
}

void TestBarCalendar::dayCellColours()
{
    QFETCH(QDate, date);
    QFETCH(int, period);
    QFETCH(int, flags);
    QFETCH(QString, expected);

    TBarCalendar cal;
    showAt(cal, QSize(400, 80));
    cal.setStartYear(2025);
    cal.setStartMonth(1);
    cal.setDaysColor(QColor(255, 255, 255));
    cal.setSunDaysColor(QColor(200, 200, 200));
    cal.setPeriodColor(QColor(10, 20, 200));
    cal.setPeriodSunDaysColor(QColor(220, 0, 0));
    cal.setPeriod(period);
    cal.SetDate(FromQDate(date));
    if (flags)
        cal.SetMessage(QStringLiteral("gegevens ontbreken "), flags);

    const QMap<QChar, QColor> colours{{u'H', opaque(cal.dayBar()->highlightColor())},
                                      {u'P', cal.PeriodColor()},
                                      {u'X', cal.PeriodSunDaysColor()},
                                      {u'S', cal.SunDaysColor()},
                                      {u'O', cal.DaysColor()}};
    const QImage image = cal.grab().toImage();
    const int y = cal.dayBar()->height() / 2;
    QString seen;
    for (int day = 12; day <= 23; ++day) {
        const int column = day - 1;
        // Every pixel of the cell, not only one, carries the colour.
        for (int dx = 0; dx < cal.DayCellWidth(); ++dx) {
            const QColor pixel =
                pixelAt(image, cal.dayBar(), QPoint(cal.dayBar()->columnLeft(column) + dx, y));
            QVERIFY2(colours.values().contains(pixel),
                     qPrintable(QStringLiteral("day %1: %2").arg(day).arg(pixel.name())));
            if (dx == 0)
                seen += colours.key(pixel);
        }
    }
    QCOMPARE(seen, expected);
}

void TestBarCalendar::monthWidthFollowsDayCellWidth_data()
{
    QTest::addColumn<int>("cellWidth");
    QTest::addColumn<int>("januaryWidth");
    QTest::newRow("2 pixels") << 2 << 92;
    QTest::newRow("3 pixels") << 3 << 123;
    QTest::newRow("1 pixel") << 1 << 61;
}

void TestBarCalendar::monthWidthFollowsDayCellWidth()
{
    QFETCH(int, cellWidth);
    QFETCH(int, januaryWidth);

    TBarCalendar cal;
    showAt(cal, QSize(600, 80));
    cal.setStartYear(2025);
    cal.setStartMonth(1);
    cal.setDayCellWidth(cellWidth);
    cal.setMonthsColor(QColor(250, 250, 210));
    cal.setDaysColor(QColor(250, 250, 210));
    const QColor line = opaque(cal.monthBar()->gridLineColor());
    QVERIFY(line != cal.MonthsColor());

    // Without the focus frame over the bars' edges.
    if (QWidget* focus = QApplication::focusWidget())
        focus->clearFocus();
    const QImage image = cal.grab().toImage();
    // The month bar's first grid line ends January; the top row holds no text.
    int monthLine = -1;
    for (int x = 0; x < cal.monthBar()->width() && monthLine < 0; ++x)
        if (pixelAt(image, cal.monthBar(), QPoint(x, 0)) == line)
            monthLine = x;
    QCOMPARE(monthLine, januaryWidth);

    // Below it the day bar has a grid line after each of January's 31 days,
    // the last one in the same place.
    int dayLines = 0;
    int lastDayLine = -1;
    for (int x = 0; x <= januaryWidth; ++x) {
        if (pixelAt(image, cal.dayBar(), QPoint(x, 1)) == line) {
            ++dayLines;
            lastDayLine = x;
        }
    }
    QCOMPARE(dayLines, 31);
    QCOMPARE(lastDayLine, monthLine);
    QCOMPARE(cal.monthBar()->geometry().left(), cal.dayBar()->geometry().left());
}

void TestBarCalendar::weekNumbers_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("lastDay");
    QTest::addColumn<int>("lastWeek");
    QTest::addColumn<QList<int>>("weeks");
    // 31 December 2024 is a Tuesday in week 1 of 2025.
    QTest::newRow("December 2024") << 2024 << 31 << 1 << QList<int>{49, 50, 51, 52, 1};
    // 29 December 2020 is a Tuesday in week 53, 2020 having 53 weeks.
    QTest::newRow("December 2020") << 2020 << 29 << 53 << QList<int>{49, 50, 51, 52, 53};
}

void TestBarCalendar::weekNumbers()
{
    QFETCH(int, year);
    QFETCH(int, lastDay);
    QFETCH(int, lastWeek);
    QFETCH(QList<int>, weeks);

    TBarCalendar cal;
    showAt(cal, QSize(1250, 90));
    cal.setMonthFont(pixelFont(15));
    cal.setDayCellWidth(2);
    cal.setStartYear(year);
    cal.setStartMonth(1);
    cal.SetDate(EncodeDate(year, 6, 1));
    const int december = 11;
    const TMonthBar* bar = cal.monthBar();
    const QRect cell = bar->cellRect(december);
    QVERIFY(cell.right() < bar->width());

    const QImage before = cal.grab().toImage();
    cal.setShowWeeknrs(true);
    const QImage after = cal.grab().toImage();

    const QList<TMonthBar::WeekNumberLabel> labels = bar->weekNumberLabels(december);
    QList<int> seen;
    for (const auto& label : labels)
        seen.append(label.weekNumber);
    QCOMPARE(seen, weeks);

    const TMonthBar::WeekNumberLabel& last = labels.last();
    QCOMPARE(last.text, QString::number(lastWeek));
    QCOMPARE(WeekNumber(EncodeDate(year, 12, lastDay)), lastWeek);
    // Over the last Tuesday the label would run out of the cell: it ends at
    // the cell's right edge instead. The others stand over their Tuesday.
    QCOMPARE(last.rect.left() + last.rect.width(), cell.left() + cell.width());
    QVERIFY(last.rect.left() < cell.left() + 3 * (lastDay - 1));
    const int firstTuesday = labels.first().rect.left() - cell.left();
    QCOMPARE(firstTuesday % 3, 0);
    QCOMPARE(DayOfWeek(EncodeDate(year, 12, 1 + firstTuesday / 3)), int(Tuesday));
    QCOMPARE(last.rect.top(), cell.height() - fontPixelHeight(bar->weekNumberFont()) - 1);

    // Something is drawn there now that was not before.
    int changed = 0;
    const QRect area = last.rect.intersected(bar->rect()).translated(bar->pos());
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            if (before.pixelColor(x, y) == cal.MonthsColor() &&
                after.pixelColor(x, y) != cal.MonthsColor())
                ++changed;
    QVERIFY2(changed > 3, qPrintable(QString::number(changed)));
}

void TestBarCalendar::upDownHalves_data()
{
    QTest::addColumn<QString>("part");
    QTest::addColumn<int>("x");
    QTest::addColumn<QDate>("expected");
    QTest::addColumn<QString>("event");

    // Month up-down 50 wide: 25 is its middle, 24 to 26 do nothing.
    const QDate start(2025, 1, 31);
    QTest::newRow("month, left edge") << "month" << 0 << QDate(2024, 12, 31) << "MonthLeft";
    QTest::newRow("month, last left pixel") << "month" << 23 << QDate(2024, 12, 31) << "MonthLeft";
    QTest::newRow("month, middle 24") << "month" << 24 << start << "";
    QTest::newRow("month, middle 25") << "month" << 25 << start << "";
    QTest::newRow("month, middle 26") << "month" << 26 << start << "";
    QTest::newRow("month, right") << "month" << 27 << QDate(2025, 2, 28) << "MonthRight";
    QTest::newRow("day, left") << "day" << 3 << QDate(2025, 1, 30) << "DayLeft";
    QTest::newRow("day, middle") << "day" << 25 << start << "";
    QTest::newRow("day, right") << "day" << 49 << QDate(2025, 2, 1) << "DayRight";
    // The left day up-down is 34 wide: 16 to 18 do nothing.
    QTest::newRow("left day, left") << "leftday" << 15 << QDate(2025, 1, 30) << "DayLeft";
    QTest::newRow("left day, middle") << "leftday" << 18 << start << "";
    QTest::newRow("left day, right") << "leftday" << 19 << QDate(2025, 2, 1) << "DayRight";
}

void TestBarCalendar::upDownHalves()
{
    QFETCH(QString, part);
    QFETCH(int, x);
    QFETCH(QDate, expected);
    QFETCH(QString, event);

    TBarCalendar cal;
    showAt(cal, QSize(700, 90));
    cal.setUDBtnWidth(50);
    cal.setLUDBtnWidth(34);
    cal.SetDate(EncodeDate(2025, 1, 31));
    TCalendarUpDown* upDown = part == QLatin1String("month") ? cal.monthUpDown()
                              : part == QLatin1String("day") ? cal.dayUpDown()
                                                             : cal.leftDayUpDown();
    QCOMPARE(upDown->width(), part == QLatin1String("leftday") ? 34 : 50);

    QSignalSpy dateChange(&cal, &TBarCalendar::OnDateChange);
    QMap<QString, QDate> fired; // event name -> Date when it fired
    const auto record = [&](const QString& name) {
        return [&, name](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) {
            fired.insert(name, ToQDate(cal.Date()));
        };
    };
    connect(&cal, &TBarCalendar::MonthLeft, this, record(QStringLiteral("MonthLeft")));
    connect(&cal, &TBarCalendar::MonthRight, this, record(QStringLiteral("MonthRight")));
    connect(&cal, &TBarCalendar::DayLeft, this, record(QStringLiteral("DayLeft")));
    connect(&cal, &TBarCalendar::DayRight, this, record(QStringLiteral("DayRight")));

    QTest::mouseClick(upDown, Qt::LeftButton, {}, QPoint(x, upDown->height() / 2));

    QCOMPARE(ToQDate(cal.Date()), expected);
    if (event.isEmpty()) {
        QVERIFY(fired.isEmpty());
        QCOMPARE(dateChange.count(), 0);
    } else {
        QCOMPARE(fired.keys(), QStringList{event});
        // The event comes after the date has moved.
        QCOMPARE(fired.value(event), expected);
        QCOMPARE(dateChange.count(), 1);
    }
}

void TestBarCalendar::dayBarArrowKeys()
{
    TBarCalendar cal;
    showAt(cal, QSize(399, 80)); // January to March exactly in view
    cal.setStartYear(2025);
    cal.setStartMonth(1);
    cal.SetDate(EncodeDate(2025, 1, 15));
    TDayGrid* bar = cal.dayBar();

    QTest::keyClick(bar, Qt::Key_Right);
    QCOMPARE(ToQDate(cal.Date()), QDate(2025, 1, 16));
    QTest::keyClick(bar, Qt::Key_Left);
    QTest::keyClick(bar, Qt::Key_Left);
    QCOMPARE(ToQDate(cal.Date()), QDate(2025, 1, 14));

    // Stepping onto the last visible day moves the month bar one month on,
    // and the day bar with it.
    const BarCalendarModel& m = cal.model();
    QCOMPARE(m.leftMonth(), 0);
    const int lastVisible = m.firstVisibleDay() + m.visibleDayColumns() - 1;
    cal.SetDate(cal.model().StartDate() + lastVisible - 1);
    QCOMPARE(m.leftMonth(), 0);
    QSignalSpy left(&cal, &TBarCalendar::OnLeftMonthChanged);
    QTest::keyClick(bar, Qt::Key_Right);
    QCOMPARE(m.selectedDayColumn(), lastVisible);
    QCOMPARE(m.leftMonth(), 1);
    QCOMPARE(m.firstVisibleDay(), 31);
    QCOMPARE(left.count(), 1);
    QCOMPARE(m.DayInView(cal.Date()), 0);

    // Back at the first visible day, the left arrow moves a month back.
    cal.SetDate(EncodeDate(2025, 2, 2));
    QTest::keyClick(bar, Qt::Key_Left);
    QCOMPARE(ToQDate(cal.Date()), QDate(2025, 2, 1));
    QCOMPARE(m.leftMonth(), 0);
}

void TestBarCalendar::dayBarOtherKeys_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<QDate>("to");
    // The range is 2025; the date as a click on the day it lands on sets it.
    QTest::newRow("down, a week on")
        << QDate(2025, 1, 15) << int(Qt::Key_Down) << QDate(2025, 1, 22);
    QTest::newRow("up, a week back") << QDate(2025, 1, 15) << int(Qt::Key_Up) << QDate(2025, 1, 8);
    QTest::newRow("up, stops at the first day")
        << QDate(2025, 1, 3) << int(Qt::Key_Up) << QDate(2025, 1, 1);
    QTest::newRow("page down, a month on, the day limited")
        << QDate(2025, 1, 31) << int(Qt::Key_PageDown) << QDate(2025, 2, 28);
    QTest::newRow("page up, a month back")
        << QDate(2025, 3, 31) << int(Qt::Key_PageUp) << QDate(2025, 2, 28);
    QTest::newRow("page down, stops at the last day")
        << QDate(2025, 12, 10) << int(Qt::Key_PageDown) << QDate(2025, 12, 31);
    QTest::newRow("home") << QDate(2025, 6, 10) << int(Qt::Key_Home) << QDate(2025, 1, 1);
    QTest::newRow("end") << QDate(2025, 6, 10) << int(Qt::Key_End) << QDate(2025, 12, 31);
    QTest::newRow("down from before the range")
        << QDate(2024, 11, 20) << int(Qt::Key_Down) << QDate(2025, 1, 1);
    QTest::newRow("up from after the range")
        << QDate(2026, 2, 1) << int(Qt::Key_Up) << QDate(2025, 12, 31);
}

void TestBarCalendar::dayBarOtherKeys()
{
    QFETCH(QDate, from);
    QFETCH(int, key);
    QFETCH(QDate, to);

    TBarCalendar cal;
    showAt(cal, QSize(399, 80));
    cal.setStartYear(2025);
    cal.setStartMonth(1);
    cal.SetDate(FromQDate(from));
    QSignalSpy dateChange(&cal, &TBarCalendar::OnDateChange);

    QTest::keyClick(cal.dayBar(), Qt::Key(key));
    QCOMPARE(ToQDate(cal.Date()), to);
    QCOMPARE(dateChange.count(), 1);
    // Selected and in view, as after a click on the day.
    const BarCalendarModel& m = cal.model();
    QCOMPARE(m.selectedDayColumn(), int(cal.Date() - m.StartDate()));
    QCOMPARE(m.DayInView(cal.Date()), 0);
    QCOMPARE(m.selectedMonthColumn(), to.month() - 1);
}

void TestBarCalendar::pointingAtADayNamesIt_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("tip");
    QTest::newRow("mid-January") << QDate(2025, 1, 15) << "woensdag 15 januari 2025, week 3";
    QTest::newRow("week 1 of the next year")
        << QDate(2025, 12, 29) << "maandag 29 december 2025, week 1";
}

void TestBarCalendar::pointingAtADayNamesIt()
{
    QFETCH(QDate, day);
    QFETCH(QString, tip);
    TBarCalendar cal;
    showAt(cal, QSize(399, 80));
    cal.setStartYear(2025);
    cal.setStartMonth(1);
    cal.ScrollToDate(FromQDate(day));
    TDayGrid* days = cal.dayBar();
    const QPoint at(days->columnLeft(int(FromQDate(day) - cal.model().StartDate())) + 1, 5);
    QVERIFY(days->rect().contains(at));

    QHelpEvent help(QEvent::ToolTip, at, days->mapToGlobal(at));
    QApplication::sendEvent(days, &help);
    QTRY_COMPARE(QToolTip::text(), tip);
    QToolTip::hideText();
}

void TestBarCalendar::monthsStayAboveTheirDaysScrolledByDays()
{
    TBarCalendar cal;
    showAt(cal, QSize(600, 80));
    cal.setStartYear(2025);
    cal.setStartMonth(1);
    cal.setMonthsColor(QColor(250, 250, 210));
    cal.setDaysColor(QColor(250, 250, 210));
    cal.model().ScrollDays(10);
    QCOMPARE(cal.model().firstVisibleDay(), 10);
    QCOMPARE(cal.model().leftMonth(), 0);
    if (QWidget* focus = QApplication::focusWidget())
        focus->clearFocus();

    // January's end line in the month bar lies over its last day's line:
    // 21 days of 3 + 1 pixels are left of it.
    const QImage image = cal.grab().toImage();
    const QColor line = opaque(cal.monthBar()->gridLineColor());
    int monthLine = -1;
    for (int x = 0; x < cal.monthBar()->width() && monthLine < 0; ++x)
        if (pixelAt(image, cal.monthBar(), QPoint(x, 0)) == line)
            monthLine = x;
    QCOMPARE(monthLine, 21 * 4 - 1);
    QCOMPARE(pixelAt(image, cal.dayBar(), QPoint(monthLine, 1)), line);
    // A click there picks January, just right of it February.
    QCOMPARE(cal.monthBar()->columnAt(monthLine - 1), 0);
    QCOMPARE(cal.monthBar()->columnAt(monthLine + 1), 1);
}

void TestBarCalendar::clicksOnCells()
{
    TBarCalendar cal;
    showAt(cal, QSize(700, 80));
    cal.setStartYear(2025);
    cal.setStartMonth(1);
    cal.SetDate(EncodeDate(2025, 1, 31));

    TDayGrid* days = cal.dayBar();
    QTest::mouseClick(days, Qt::LeftButton, {}, QPoint(days->columnLeft(40) + 1, 5));
    QCOMPARE(ToQDate(cal.Date()), QDate(2025, 2, 10));

    // A month cell keeps the day, limited to the month's length.
    cal.SetDate(EncodeDate(2025, 1, 31));
    TMonthBar* months = cal.monthBar();
    QTest::mouseClick(months, Qt::LeftButton, {}, months->cellRect(1).center());
    QCOMPARE(ToQDate(cal.Date()), QDate(2025, 2, 28));
    QTest::keyClick(months, Qt::Key_Right);
    QCOMPARE(ToQDate(cal.Date()), QDate(2025, 3, 28));
}

void TestBarCalendar::datePanelText()
{
    TBarCalendar cal;
    showAt(cal, QSize(700, 80));
    const QString longDate = QLocale::system().toString(QDate(2025, 1, 15), QLocale::LongFormat);
    QCOMPARE(cal.datePanel()->text(), longDate + QStringLiteral("  "));

    cal.SetMessage(QStringLiteral("gegevens ontbreken "), 3);
    QCOMPARE(cal.datePanel()->text(), QStringLiteral("gegevens ontbreken "));
    cal.ClearMessage();
    QCOMPARE(cal.datePanel()->text(), longDate + QStringLiteral("  "));

    // Scrolled away from the date, the panel points to where it is.
    cal.setMonthRange(24);
    cal.ScrollToPosition(100);
    QCOMPARE(cal.datePanel()->text(), QStringLiteral("<<< ") + longDate + QStringLiteral("  "));
}

void TestBarCalendar::layoutOfMainWindowCalendar()
{
    TBarCalendar cal;
    likeMainWindow(cal);
    showAt(cal, QSize(692, 89));
    // Head h = 18 + 6 + 2 + 1 = 27, month bar round(1.8 * 15) = 27 at top 31,
    // day bar 89 - 27 - 27 - 5 - 2 = 28 at top 59, bars 692 - 50 - 4 - 2 wide.
    QCOMPARE(cal.datePanel()->geometry(), QRect(692 - 251 - 1 - 1, 2, 251, 27));
    QCOMPARE(cal.captionPanel()->geometry(), QRect(439 - 170 + 1, 2, 170, 27));
    QCOMPARE(cal.labelPanel()->geometry(), QRect(2, 2, 270 - 2 - 1, 27));
    QCOMPARE(cal.monthBar()->geometry(), QRect(2, 31, 636, 27));
    QCOMPARE(cal.dayBar()->geometry(), QRect(2, 59, 636, 28));
    QCOMPARE(cal.monthUpDown()->geometry(), QRect(640, 31, 50, 27));
    QCOMPARE(cal.dayUpDown()->geometry(), QRect(640, 59, 50, 28));
    QVERIFY(cal.leftDayUpDown()->isHidden());

    // Growing the calendar gives the day bar the height, the bars the width.
    showAt(cal, QSize(800, 150));
    QCOMPARE(cal.dayBar()->geometry(), QRect(2, 59, 800 - 56, 150 - 61));
    QCOMPARE(cal.model().barWidth(), 800 - 56);

    // A left day up-down sits right of the date panel; a scroll bar takes
    // the space under the day bar.
    cal.setLUDBtnWidth(30);
    cal.setAddScrollBar(true);
    QCOMPARE(cal.leftDayUpDown()->geometry(), QRect(800 - 30 - 2, 2, 30, 18 + 8));
    QCOMPARE(cal.datePanel()->geometry().right() + 1, cal.leftDayUpDown()->x());
    const int scrollHeight = cal.scrollBar()->height();
    QVERIFY(scrollHeight > 0);
    QCOMPARE(cal.dayBar()->height(), 150 - 61 - scrollHeight);
    QCOMPARE(cal.scrollBar()->geometry(), QRect(0, 59 + cal.dayBar()->height(), 800, scrollHeight));

    cal.setOmitMonthBar(true);
    QVERIFY(cal.monthBar()->isHidden());
    QCOMPARE(cal.dayBar()->y(), 27 + 4 + 1);
}

void TestBarCalendar::layoutForAnySize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("scrollBar");
    QTest::newRow("main window") << QSize(692, 89) << false;
    QTest::newRow("created size") << QSize(200, 60) << false;
    QTest::newRow("narrower than the panels") << QSize(300, 60) << true;
    QTest::newRow("tiny") << QSize(40, 12) << true;
    QTest::newRow("a single pixel") << QSize(1, 1) << false;
    QTest::newRow("tall and wide") << QSize(1600, 400) << true;
}

void TestBarCalendar::layoutForAnySize()
{
    QFETCH(QSize, size);
    QFETCH(bool, scrollBar);
    TBarCalendar cal;
    likeMainWindow(cal);
    cal.setLUDBtnWidth(20);
    cal.setAddScrollBar(scrollBar);
    showAt(cal, size);

    const QList<QWidget*> parts{cal.labelPanel(),    cal.captionPanel(), cal.datePanel(),
                                cal.leftDayUpDown(), cal.monthUpDown(),  cal.dayUpDown(),
                                cal.monthBar(),      cal.dayBar(),       cal.scrollBar()};
    for (const QWidget* part : parts) {
        QVERIFY2(part->width() >= 0 && part->height() >= 0, qPrintable(part->objectName()));
        if (part->width() > 0 && size.width() >= 200)
            QVERIFY2(part->x() >= 0 && part->x() + part->width() <= size.width(),
                     qPrintable(part->objectName()));
    }
    // The head panels are in a row, the label left of the caption left of
    // the date, and the date panel never wider than fits.
    QVERIFY(cal.datePanel()->width() <= std::max(0, size.width() - 4));
    QVERIFY(cal.captionPanel()->x() <= cal.datePanel()->x() + 1);
    // The bars and up-downs share their rows; the day bar ends at the scroll
    // bar, or two bevels above the bottom.
    QCOMPARE(cal.monthUpDown()->y(), cal.monthBar()->y());
    QCOMPARE(cal.dayUpDown()->y(), cal.dayBar()->y());
    QCOMPARE(cal.dayUpDown()->height(), cal.dayBar()->height());
    if (cal.dayBar()->height() > 0) {
        QCOMPARE(cal.dayBar()->y() + cal.dayBar()->height() +
                     (scrollBar ? cal.scrollBar()->height() : 0),
                 size.height() - 2);
    }
    QCOMPARE(cal.monthBar()->width(), std::max(0, size.width() - 56));
    QCOMPARE(cal.model().barWidth(), std::max(1, cal.dayBar()->width()));
    // Painting at this size is safe.
    QVERIFY(!cal.grab().isNull());
}

void TestBarCalendar::scrollBarFollowsMonthBar()
{
    TBarCalendar cal;
    showAt(cal, QSize(600, 100));
    cal.setMonthRange(24);
    cal.setAddScrollBar(true);
    QScrollBar* bar = cal.scrollBar();
    QVERIFY(!bar->isHidden());
    const BarCalendarModel& m = cal.model();
    const int span = m.monthColumnCount() - m.visibleMonthColumns();
    QVERIFY(span > 2);

    QSignalSpy left(&cal, &TBarCalendar::OnLeftMonthChanged);
    cal.SetLeftMonth(2);
    QCOMPARE(left.count(), 1);
    QCOMPARE(bar->value(), qRound(100.0 * 2 / span));

    bar->setValue(100);
    QCOMPARE(m.leftMonth(), m.lastLeftMonth());
    QCOMPARE(m.firstVisibleDay(), m.firstDayOfMonthColumn(m.leftMonth()));
    QCOMPARE(left.count(), 2);
    bar->setValue(0);
    QCOMPARE(m.leftMonth(), 0);
}

void TestBarCalendar::focusOfCalendarAndParts()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* first = new TBarCalendar(&window);
    auto* second = new TBarCalendar(&window);
    layout->addWidget(first);
    layout->addWidget(second);
    window.resize(700, 200);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QSignalSpy firstFocus(first, &TBarCalendar::focusEntered);
    QSignalSpy secondFocus(second, &TBarCalendar::focusEntered);
    first->setCalendarFocus();
    QVERIFY(first->HasFocus());
    QVERIFY(!second->HasFocus());
    QCOMPARE(firstFocus.count(), 1);

    // Pressing an up-down gives it the focus before the date moves.
    bool focusedWhenMoved = false;
    connect(second, &TBarCalendar::OnDateChange, this,
            [&] { focusedWhenMoved = second->HasFocus(); });
    QTest::mouseClick(second->monthUpDown(), Qt::LeftButton, {}, QPoint(2, 5));
    QVERIFY(focusedWhenMoved);
    QVERIFY(second->HasFocus());
    QVERIFY(!first->HasFocus());
    QCOMPARE(secondFocus.count(), 1);

    first->monthBar()->setFocus(Qt::TabFocusReason);
    QVERIFY(first->HasFocus());
    QCOMPARE(firstFocus.count(), 2);
}

QTEST_MAIN(TestBarCalendar)
#include "tst_barcalendar.moc"
