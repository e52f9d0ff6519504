#pragma once

#include "DateUtils.h"

#include <QList>
#include <QObject>
#include <QString>

namespace kasplan {

// The state and behaviour of one bar calendar, without any painting: the
// selected date, the range of months, the coloured period, the message
// flags and which part of the range is in view. TBarCalendar renders it; the
// schedule calculation drives it directly, also without a screen.
//
// The view is measured in day cells: the month bar lies exactly above the
// day bar, one month column being DaysInMonth × (DayCellWidth + 1) − 1 pixels
// wide, so both bars show the same stretch of days.
class BarCalendarModel : public QObject
{
    Q_OBJECT

public:
    // Message flags.
    enum MessageFlag { ShowMessageText = 1, HidePeriod = 2 };

    // What a day cell shows; the widget maps each kind to a colour.
    enum class DayCell {
        Ordinary,       // DaysColor
        Sunday,         // SunDaysColor
        Selected,       // the system highlight colour
        SelectedSunday, // PeriodSunDaysColor
        Period,         // PeriodColor
        PeriodSunday    // PeriodSunDaysColor
    };

    // A week number drawn in a month cell, over the Tuesday dayOffset days
    // after the month's first day.
    struct WeekMark
    {
        int dayOffset;
        int weekNumber;
    };

    explicit BarCalendarModel(QObject* parent = nullptr);

    // --- Date, range and period -------------------------------------------
    TDate Date() const { return m_date; }
    TDate StartDate() const { return m_startDate; }
    TDate EndDate() const { return m_endDate; }
    int MonthRange() const { return m_monthRange; }
    int Period() const { return m_period; }
    // Setting the period only stores it (no event); the bars are repainted so
    // that they never show a period of the old length.
    void setPeriod(int days);

    // Applies d unless it is within 0.0001 day of Date.
    void SetDate(TDate d);
    // Applies d even when unchanged and fires dateChanged.
    void ForceDate(TDate d);
    void SetStartDate(TDate d);
    // Makes d's month the last month of the range.
    void SetEndMonth(TDate d);
    // -1 before the range, +1 after it, 0 inside.
    int DateInRange(TDate d) const;
    int DaysInCurrentMonth() const;
    void Rebuild();

    // --- Published properties with their refusals -------------------------
    int Day() const;
    int Month() const;
    int Year() const;
    void setDay(int day);
    void setMonth(int month);
    void setYear(int year);
    int StartMonth() const;
    int StartYear() const;
    void setStartMonth(int month);
    void setStartYear(int year);
    void setMonthRange(int months);
    bool UseCurrentDate() const { return m_useCurrentDate; }
    void setUseCurrentDate(bool use);
    bool AutoRangeAdjust() const { return m_autoRangeAdjust; }
    void setAutoRangeAdjust(bool adjust);
    int DayCellWidth() const { return m_dayCellWidth; }
    void setDayCellWidth(int pixels);

    // --- Messages ---------------------------------------------------------
    int messageFlags() const { return m_messageFlags; }
    QString messageText() const { return m_messageText; }
    void SetMessage(const QString& text, int flags);
    void ClearMessage();

    // The text of the date panel: the message text under flag 1, otherwise the
    // long date with the "<<< " and " >>>" markers for a date out of view.
    QString dateCaptionText() const;

    // --- The bars ---------------------------------------------------------
    int monthColumnCount() const { return m_monthRange; }
    int dayColumnCount() const { return m_dayColumnCount; }
    // Year and month shown by month column c.
    int monthOfColumn(int c) const;
    int yearOfColumn(int c) const;
    int monthColumnWidth(int c) const;
    // Day offset (column) of the first day of month column c.
    int firstDayOfMonthColumn(int c) const;
    // Selected columns, or -1 when the date is not in the range. They always
    // stand for Date, also after the range has moved.
    int selectedDayColumn() const { return m_selectedDay; }
    int selectedMonthColumn() const { return m_selectedMonth; }
    // Full month name of month column c in the system's language.
    QString monthCaption(int c) const;
    // The colour class of day column c.
    DayCell dayCell(int c) const;
    // Week numbers of month column c, one for each Tuesday of the month.
    QList<WeekMark> weekMarks(int c) const;

    // --- The view ---------------------------------------------------------
    // Width of the bars in pixels; the widget sets it, headless use keeps the
    // default.
    int barWidth() const { return m_barWidth; }
    void setBarWidth(int pixels);
    int leftMonth() const { return m_leftMonth; }
    int firstVisibleDay() const { return m_firstVisibleDay; }
    int visibleMonthColumns() const;
    int visibleDayColumns() const;
    // The largest first visible month column.
    int lastLeftMonth() const;
    void SetLeftMonth(int c);
    // Shows the days from day column c on, c limited so that the bar stays
    // filled; the month bar follows, its first visible month being the one
    // that holds that day. The date stays.
    void ShowFromDay(int c);
    void ScrollDays(int days) { ShowFromDay(m_firstVisibleDay + days); }
    // The first visible day moves by whole months, its day limited to the
    // month's length.
    void ScrollMonths(int months);
    void ScrollToPosition(int percent);
    // The scroll bar position (0..100) that matches the first visible month.
    int scrollPosition() const;
    // -1 left of the visible days, +1 right of them, 0 in view.
    int DayInView(TDate d) const;
    void ScrollToDate(TDate d);

    // --- User input, as the widget passes it on ---------------------------
    void selectDayColumn(int c);
    void selectMonthColumn(int c);
    void dayKeyRight();
    void dayKeyLeft();
    // The other keys of a focused day bar, each selecting the day it lands on
    // as a click on that day would: whole weeks or months (the day limited to
    // the month's length) from the date, or the first or last day of the
    // range. From a date outside the range they land on the range's edge.
    void dayKeyWeeks(int weeks);
    void dayKeyMonths(int months);
    void dayKeyFirst();
    void dayKeyLast();
    void stepMonths(int months);
    void stepDays(int days);

Q_SIGNALS:
    // OnDateChange: a date was applied.
    void dateChanged();
    // OnChange: range or date parts changed through a property.
    void changed();
    // OnLeftMonthChanged: the month bar's first visible month changed.
    void leftMonthChanged();
    // The first visible day changed, by a month or by days.
    void viewScrolled();
    // The date panel's text may have changed.
    void captionChanged();
    // The bars need repainting (selection, range, period or scroll).
    void barsChanged();

private:
    int dayColumnOf(TDate d) const;
    int monthColumnOf(TDate d) const;
    void selectDay(int c);
    void selectMonth(int c);
    void setFirstVisibleDay(int c);
    // Moves the month bar; the day bar follows and leftMonthChanged fires.
    void moveMonthBar(int c);
    void applyDateParts(int year, int month, int day);

    TDate m_date = 0;
    TDate m_startDate = 0;
    TDate m_endDate = 0;
    int m_monthRange = 12;
    int m_period = 7;
    bool m_useCurrentDate = true;
    bool m_autoRangeAdjust = false;
    int m_dayCellWidth = 3;
    int m_messageFlags = 0;
    QString m_messageText;

    int m_dayColumnCount = 0;
    int m_selectedDay = -1;
    int m_selectedMonth = -1;
    int m_barWidth = 1200;
    int m_leftMonth = 0;
    int m_firstVisibleDay = 0;
};

} // namespace kasplan
