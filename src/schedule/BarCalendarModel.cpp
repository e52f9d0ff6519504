#include "BarCalendarModel.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace kasplan {

namespace {

constexpr double SameDateTolerance = 0.0001;

int roundToInt(double value)
{
    return static_cast<int>(std::lround(value));
}

TDate firstOfMonth(TDate d)
{
    int y, m, day;
    DecodeDate(d, y, m, day);
    return EncodeDate(y, m, 1);
}

} // namespace

BarCalendarModel::BarCalendarModel(QObject* parent) : QObject(parent)
{
    m_date = Today();
    // A start a day away from today always differs from it, so SetStartDate
    // applies on every day of the month.
    m_startDate = m_date + 1;
    SetStartDate(m_date);
    ForceDate(m_date);
}

// --- Date, range and period -----------------------------------------------

void BarCalendarModel::SetDate(TDate d)
{
    if (std::abs(d - m_date) > SameDateTolerance)
        ForceDate(d);
}

void BarCalendarModel::ForceDate(TDate d)
{
    m_date = d;
    switch (DateInRange(d)) {
    case 0:
        selectDay(dayColumnOf(d));
        selectMonth(monthColumnOf(d));
        break;
    case 1:
        if (m_autoRangeAdjust) {
            SetEndMonth(d);
            selectDay(dayColumnOf(d));
            SetLeftMonth(m_monthRange - 1);
            selectMonth(monthColumnOf(d));
        } else {
            m_selectedDay = m_selectedMonth = -1;
        }
        break;
    default:
        if (m_autoRangeAdjust) {
            SetStartDate(d);
            selectDay(dayColumnOf(d));
            SetLeftMonth(0);
            selectMonth(monthColumnOf(d));
        } else {
            m_selectedDay = m_selectedMonth = -1;
        }
        break;
    }
    Q_EMIT captionChanged();
    Q_EMIT dateChanged();
    Rebuild();
}

void BarCalendarModel::SetStartDate(TDate d)
{
    if (std::abs(d - m_startDate) <= SameDateTolerance)
        return;
    m_startDate = firstOfMonth(d);
    Rebuild();
    setFirstVisibleDay(0);
    moveMonthBar(0);
    Q_EMIT changed();
}

void BarCalendarModel::SetEndMonth(TDate d)
{
    const TDate first = firstOfMonth(d);
    m_startDate = IncDate(0, -(m_monthRange - 1), 0, first);
    Rebuild();
    Q_EMIT changed();
}

int BarCalendarModel::DateInRange(TDate d) const
{
    if (d < m_startDate)
        return -1;
    if (d > m_endDate)
        return 1;
    return 0;
}

int BarCalendarModel::DaysInCurrentMonth() const
{
    return DaysInMonth(Year(), Month());
}

void BarCalendarModel::Rebuild()
{
    m_endDate = IncDate(0, m_monthRange, -1, m_startDate);
    m_dayColumnCount = roundToInt(m_endDate - m_startDate) + 1;
    // Keep the view inside the (possibly smaller) range.
    m_leftMonth = std::clamp(m_leftMonth, 0, std::max(0, m_monthRange - 1));
    m_firstVisibleDay = std::clamp(m_firstVisibleDay, 0, std::max(0, m_dayColumnCount - 1));
    // A moved range must not leave the highlight on a column that now stands
    // for another day: the selection follows Date, without scrolling.
    if (DateInRange(m_date) == 0) {
        m_selectedDay = dayColumnOf(m_date);
        m_selectedMonth = monthColumnOf(m_date);
    } else {
        m_selectedDay = m_selectedMonth = -1;
    }
    Q_EMIT barsChanged();
}

void BarCalendarModel::setPeriod(int days)
{
    if (days == m_period)
        return;
    m_period = days;
    Q_EMIT barsChanged();
}

// --- Published properties ---------------------------------------------------

int BarCalendarModel::Day() const
{
    return ToQDate(m_date).day();
}

int BarCalendarModel::Month() const
{
    return ToQDate(m_date).month();
}

int BarCalendarModel::Year() const
{
    return ToQDate(m_date).year();
}

void BarCalendarModel::applyDateParts(int year, int month, int day)
{
    m_useCurrentDate = false;
    SetDate(EncodeDate(year, month, std::min(day, DaysInMonth(year, month))));
    Q_EMIT changed();
}

void BarCalendarModel::setDay(int day)
{
    if (day < 1 || day > DaysInCurrentMonth() || day == Day())
        return;
    applyDateParts(Year(), Month(), day);
}

void BarCalendarModel::setMonth(int month)
{
    if (month < 1 || month > 12 || month == Month())
        return;
    applyDateParts(Year(), month, Day());
}

void BarCalendarModel::setYear(int year)
{
    if (year < 1 || year > 9999 || year == Year())
        return;
    applyDateParts(year, Month(), Day());
}

int BarCalendarModel::StartMonth() const
{
    return ToQDate(m_startDate).month();
}

int BarCalendarModel::StartYear() const
{
    return ToQDate(m_startDate).year();
}

void BarCalendarModel::setStartMonth(int month)
{
    if (month < 1 || month > 12 || month == StartMonth())
        return;
    m_startDate = EncodeDate(StartYear(), month, 1);
    Rebuild();
    Q_EMIT changed();
}

void BarCalendarModel::setStartYear(int year)
{
    if (year < 1 || year > 9999 || year == StartYear())
        return;
    m_startDate = EncodeDate(year, StartMonth(), 1);
    Rebuild();
    Q_EMIT changed();
}

void BarCalendarModel::setMonthRange(int months)
{
    if (months < 1 || months == m_monthRange)
        return;
    m_monthRange = months;
    Rebuild();
    Q_EMIT changed();
}

void BarCalendarModel::setUseCurrentDate(bool use)
{
    m_useCurrentDate = use;
    if (use) {
        SetDate(Today());
        Rebuild();
    }
}

void BarCalendarModel::setAutoRangeAdjust(bool adjust)
{
    if (adjust == m_autoRangeAdjust)
        return;
    m_autoRangeAdjust = adjust;
    ForceDate(m_date);
}

void BarCalendarModel::setDayCellWidth(int pixels)
{
    if (pixels < 1)
        return;
    m_dayCellWidth = pixels;
    Rebuild();
}

// --- Messages -----------------------------------------------------------------

void BarCalendarModel::SetMessage(const QString& text, int flags)
{
    m_messageFlags |= flags;
    m_messageText = text;
    if (flags & ShowMessageText)
        Q_EMIT captionChanged();
    if (flags & HidePeriod)
        Q_EMIT barsChanged();
}

void BarCalendarModel::ClearMessage()
{
    m_messageFlags = 0;
    Q_EMIT captionChanged();
    Q_EMIT barsChanged();
}

QString BarCalendarModel::dateCaptionText() const
{
    if (m_messageFlags & ShowMessageText)
        return m_messageText;
    QString text =
        QLocale::system().toString(ToQDate(m_date), QLocale::LongFormat) + QStringLiteral("  ");
    const int column = dayColumnOf(m_date);
    if (DateInRange(m_date) < 0 || column < m_firstVisibleDay)
        text.prepend(QStringLiteral("<<< "));
    if (DateInRange(m_date) > 0 || column >= m_firstVisibleDay + visibleDayColumns())
        text.append(QStringLiteral(" >>>"));
    return text;
}

// --- The bars -----------------------------------------------------------------

int BarCalendarModel::monthOfColumn(int c) const
{
    return (StartMonth() + c - 1) % 12 + 1;
}

int BarCalendarModel::yearOfColumn(int c) const
{
    return StartYear() + (StartMonth() + c - 1) / 12;
}

int BarCalendarModel::monthColumnWidth(int c) const
{
    return DaysInMonth(yearOfColumn(c), monthOfColumn(c)) * (m_dayCellWidth + 1) - 1;
}

int BarCalendarModel::firstDayOfMonthColumn(int c) const
{
    return roundToInt(EncodeDate(yearOfColumn(c), monthOfColumn(c), 1) - m_startDate);
}

QString BarCalendarModel::monthCaption(int c) const
{
    return QLocale::system().standaloneMonthName(monthOfColumn(c), QLocale::LongFormat);
}

BarCalendarModel::DayCell BarCalendarModel::dayCell(int c) const
{
    const TDate d = m_startDate + c;
    const bool sunday = DayOfWeek(d) == Sunday;
    if (c == m_selectedDay && DateInRange(m_date) == 0)
        return sunday ? DayCell::SelectedSunday : DayCell::Selected;
    if (m_date < d && d <= m_date + m_period - 1 && !(m_messageFlags & HidePeriod))
        return sunday ? DayCell::PeriodSunday : DayCell::Period;
    return sunday ? DayCell::Sunday : DayCell::Ordinary;
}

QList<BarCalendarModel::WeekMark> BarCalendarModel::weekMarks(int c) const
{
    const int year = yearOfColumn(c);
    const int month = monthOfColumn(c);
    const TDate first = EncodeDate(year, month, 1);
    // Offset of the month's first Tuesday: the weekday three days earlier
    // counts back from Saturday (7) to it.
    const int firstTuesday = 7 - DayOfWeek(first - 3);
    QList<WeekMark> marks;
    for (int offset = firstTuesday; offset < DaysInMonth(year, month); offset += 7)
        marks.append({offset, WeekNumber(first + offset)});
    return marks;
}

int BarCalendarModel::monthColumnOf(TDate d) const
{
    const QDate date = ToQDate(d);
    return (date.month() - StartMonth()) + 12 * (date.year() - StartYear());
}

int BarCalendarModel::dayColumnOf(TDate d) const
{
    return roundToInt(d - m_startDate);
}

void BarCalendarModel::selectDay(int c)
{
    m_selectedDay = c;
    // A selected cell is always brought into view.
    if (c < m_firstVisibleDay)
        setFirstVisibleDay(c);
    else if (c >= m_firstVisibleDay + visibleDayColumns())
        setFirstVisibleDay(c - visibleDayColumns() + 1);
}

void BarCalendarModel::selectMonth(int c)
{
    m_selectedMonth = c;
    if (c < m_leftMonth) {
        moveMonthBar(c);
    } else if (c >= m_leftMonth + visibleMonthColumns()) {
        // Scroll right just far enough for c to be the last visible month.
        int left = c;
        int width = monthColumnWidth(c) + 1;
        while (left > 0 && width + monthColumnWidth(left - 1) + 1 <= m_barWidth + 1) {
            --left;
            width += monthColumnWidth(left) + 1;
        }
        moveMonthBar(left);
    }
}

// --- The view -----------------------------------------------------------------

void BarCalendarModel::setBarWidth(int pixels)
{
    m_barWidth = std::max(1, pixels);
    Q_EMIT barsChanged();
    Q_EMIT captionChanged();
}

int BarCalendarModel::visibleMonthColumns() const
{
    int count = 0;
    int width = 0;
    for (int c = m_leftMonth; c < m_monthRange; ++c) {
        width += monthColumnWidth(c) + 1;
        if (width > m_barWidth + 1)
            break;
        ++count;
    }
    return std::max(1, count);
}

int BarCalendarModel::visibleDayColumns() const
{
    const int fit = (m_barWidth + 1) / (m_dayCellWidth + 1);
    return std::clamp(fit, 1, std::max(1, m_dayColumnCount - m_firstVisibleDay));
}

int BarCalendarModel::lastLeftMonth() const
{
    return std::max(0, m_monthRange - visibleMonthColumns());
}

void BarCalendarModel::setFirstVisibleDay(int c)
{
    c = std::clamp(c, 0, std::max(0, m_dayColumnCount - 1));
    if (c == m_firstVisibleDay)
        return;
    m_firstVisibleDay = c;
    Q_EMIT viewScrolled();
}

void BarCalendarModel::moveMonthBar(int c)
{
    c = std::clamp(c, 0, std::max(0, m_monthRange - 1));
    if (c == m_leftMonth)
        return;
    m_leftMonth = c;
    setFirstVisibleDay(std::max(0, firstDayOfMonthColumn(c)));
    Rebuild();
    Q_EMIT leftMonthChanged();
}

void BarCalendarModel::SetLeftMonth(int c)
{
    moveMonthBar(std::clamp(c, 0, lastLeftMonth()));
    // The day bar always starts at the first visible month, even when the
    // month bar did not move.
    setFirstVisibleDay(std::max(0, firstDayOfMonthColumn(m_leftMonth)));
    Q_EMIT barsChanged();
}

void BarCalendarModel::ShowFromDay(int c)
{
    // As far as the bar stays filled, or as far as the month bar scrolls.
    const int fit = (m_barWidth + 1) / (m_dayCellWidth + 1);
    const int last = std::max(m_dayColumnCount - fit, firstDayOfMonthColumn(lastLeftMonth()));
    c = std::clamp(c, 0, std::max(0, last));
    if (c == m_firstVisibleDay)
        return;
    const int left = monthColumnOf(m_startDate + c);
    const bool monthMoved = left != m_leftMonth;
    m_leftMonth = left;
    setFirstVisibleDay(c);
    Q_EMIT barsChanged();
    Q_EMIT captionChanged();
    if (monthMoved)
        Q_EMIT leftMonthChanged();
}

void BarCalendarModel::ScrollMonths(int months)
{
    const TDate first = IncDate(0, months, 0, m_startDate + m_firstVisibleDay);
    ShowFromDay(dayColumnOf(first));
}

void BarCalendarModel::ScrollToPosition(int percent)
{
    SetLeftMonth(roundToInt(lastLeftMonth() * percent / 100.0));
    Q_EMIT captionChanged();
}

int BarCalendarModel::scrollPosition() const
{
    const int span = m_monthRange - visibleMonthColumns();
    if (span <= 0)
        return 0;
    return std::clamp(roundToInt(100.0 * m_leftMonth / span), 0, 100);
}

int BarCalendarModel::DayInView(TDate d) const
{
    const TDate first = m_startDate + m_firstVisibleDay;
    if (d < first)
        return -1;
    if (d >= first + visibleDayColumns())
        return 1;
    return 0;
}

void BarCalendarModel::ScrollToDate(TDate d)
{
    while (DayInView(d) < 0 && m_leftMonth > 0)
        moveMonthBar(m_leftMonth - 1);
    while (DayInView(d) > 0 && m_leftMonth < lastLeftMonth())
        moveMonthBar(m_leftMonth + 1);
    Q_EMIT captionChanged();
}

// --- User input -----------------------------------------------------------------

void BarCalendarModel::selectDayColumn(int c)
{
    if (c < 0 || c >= m_dayColumnCount)
        return;
    SetDate(m_startDate + c);
    selectMonth(monthColumnOf(m_date));
    Q_EMIT barsChanged();
}

void BarCalendarModel::selectMonthColumn(int c)
{
    if (c < 0 || c >= m_monthRange)
        return;
    const int year = yearOfColumn(c);
    const int month = monthOfColumn(c);
    SetDate(EncodeDate(year, month, std::min(Day(), DaysInMonth(year, month))));
}

void BarCalendarModel::dayKeyRight()
{
    if (m_selectedDay < 0 || m_selectedDay >= m_dayColumnCount - 1)
        return;
    SetDate(m_startDate + m_selectedDay + 1);
    const int lastVisible = m_firstVisibleDay + visibleDayColumns() - 1;
    if (m_selectedDay >= lastVisible && m_selectedDay != m_dayColumnCount - 1 &&
        m_leftMonth != m_monthRange - 1)
        moveMonthBar(std::min(m_leftMonth + 1, lastLeftMonth()));
}

void BarCalendarModel::dayKeyLeft()
{
    if (m_selectedDay <= 0)
        return;
    SetDate(m_startDate + m_selectedDay - 1);
    if (m_selectedDay <= m_firstVisibleDay && m_leftMonth > 0)
        moveMonthBar(m_leftMonth - 1);
}

void BarCalendarModel::dayKeyWeeks(int weeks)
{
    selectDayColumn(std::clamp(dayColumnOf(m_date) + 7 * weeks, 0, m_dayColumnCount - 1));
}

void BarCalendarModel::dayKeyMonths(int months)
{
    const int c = dayColumnOf(IncDate(0, months, 0, m_date));
    selectDayColumn(std::clamp(c, 0, m_dayColumnCount - 1));
}

void BarCalendarModel::dayKeyFirst()
{
    selectDayColumn(0);
}

void BarCalendarModel::dayKeyLast()
{
    selectDayColumn(m_dayColumnCount - 1);
}

void BarCalendarModel::stepMonths(int months)
{
    SetDate(IncDate(0, months, 0, m_date));
}

void BarCalendarModel::stepDays(int days)
{
    SetDate(m_date + days);
}

} // namespace kasplan
