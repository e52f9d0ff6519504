#pragma once

#include "BarCalendarModel.h"
#include "DateUtils.h"
#include "ForcingPeriods.h"
#include "ForcingRecord.h"
#include "PeriodSearch.h"
#include "PeriodTable.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace kasplan {

// Displays that read "gegevens ontbreken " when a calculation step finds the
// data it needs missing.
enum CalcMark {
    mkGstage = 1,      // Gcal: date caption replaced, bar hidden
    mkCooling = 2,     // Kcal: date caption replaced, bar hidden
    mkCoolingBar = 4,  // Kcal: bar hidden only
    mkHousing = 8,     // Ical: date caption replaced, bar hidden
    mkHousingBar = 16, // Ical: bar hidden only
    mkHarvestEnd = 32, // EDatePanel caption replaced
};
using CalcMarks = int;

// The calendars that can hold the input focus, as far as the schedule cares.
enum class ScheduleCalendar { None, Gcal, Kcal, Ical };

// The forcing schedule of the main window without its widgets: the three bar
// calendars (G-stage, cooling start, housing date), the harvest end, the
// housing periods of the season, the message level and memo, and the period
// table's highlights, computed from one cultivar-size record.
//
// Moving a date on a calendar recalculates the other dates, but only when
// that calendar has the input focus: the dates a calculation writes into the
// other calendars fire their date changes too, and those must not start new
// chains. The window reports the real focus with setFocusedCalendar; where
// the program itself wants a chain to run it moves the focus through the
// focus port, which by default only records it and which the window replaces
// to move the real focus (which then reports back).
class ScheduleCore : public QObject
{
    Q_OBJECT

public:
    using FocusPort = std::function<void(ScheduleCalendar)>;
    using BeepSink = std::function<void(int frequencyHz, int durationMs)>;

    // The text shown instead of a date whose data are missing.
    static const QString MissingDataText;

    explicit ScheduleCore(QObject* parent = nullptr);
    // Works on the calendars of a window (not owned), so that the calendars
    // on screen are the very ones the calculation moves.
    ScheduleCore(BarCalendarModel& gcal, BarCalendarModel& kcal, BarCalendarModel& ical,
                 QObject* parent = nullptr);
    ~ScheduleCore() override;

    // The seasons the window offers (its season up-down's range).
    static constexpr int FirstSeason = 1990;
    static constexpr int LastSeason = 3000;
    // The season from today: April to December this year, else the year before.
    static int DefaultSeasonYear(QDate today);

    // --- What the calculation works on -------------------------------------
    BarCalendarModel& Gcal() { return m_gcal; }
    BarCalendarModel& Kcal() { return m_kcal; }
    BarCalendarModel& Ical() { return m_ical; }
    const BarCalendarModel& Gcal() const { return m_gcal; }
    const BarCalendarModel& Kcal() const { return m_kcal; }
    const BarCalendarModel& Ical() const { return m_ical; }
    BarCalendarModel& calendar(ScheduleCalendar which);
    const ForcingPeriods& periods() const { return m_periods; }

    // The current cultivar-size record (not owned); null reads as a record
    // without any values.
    void setRecord(const ForcingRecord* record) { m_record = record; }
    const ForcingRecord& record() const;
    // The item index of the method list; anything but 1 or 2 works as soil.
    int BroeiMethode() const { return m_method; }
    void setBroeiMethode(int index) { m_method = index; }
    // The season start year (the season up-down's position) and its text.
    int seasonYear() const { return m_periods.seasonYear(); }
    QString SeizoenText() const { return m_seizoenText; }

    // --- Window state --------------------------------------------------------
    bool windowVisible() const { return m_windowVisible; }
    void setWindowVisible(bool visible) { m_windowVisible = visible; }
    bool windowActive() const { return m_windowActive; }
    void setWindowActive(bool active) { m_windowActive = active; }
    bool periodDatesPanelVisible() const { return m_periodDatesPanelVisible; }
    void setPeriodDatesPanelVisible(bool visible) { m_periodDatesPanelVisible = visible; }

    // --- Focus -----------------------------------------------------------------
    ScheduleCalendar focusedCalendar() const { return m_focus; }
    // The window reports where the input focus is: a calendar (or one of its
    // parts), or None when anything else, such as a button, has it.
    void setFocusedCalendar(ScheduleCalendar which) { m_focus = which; }
    bool HasFocus(ScheduleCalendar which) const { return m_focus == which; }
    // Replaces how the program moves the focus itself; an empty port restores
    // the default, which only records it.
    void setFocusPort(FocusPort port);
    void setBeepSink(BeepSink sink) { m_beep = std::move(sink); }

    // --- Results shown by the window ------------------------------------------
    int MessageLevel() const { return m_messageLevel; }
    // The harvest end; hasHarvestEnd is false until one has been set.
    TDate HarvestEnd() const { return m_harvestEnd.value_or(0); }
    bool hasHarvestEnd() const { return m_harvestEnd.has_value(); }
    QString EDatePanelCaption() const { return m_eDatePanelCaption; }
    QStringList EMemoLines() const { return m_eMemoLines; }
    bool EMemoVisible() const { return m_eMemoVisible; }
    // A schedule with an error cannot be taken over.
    bool OkButtonEnabled() const { return m_messageLevel < 2; }
    const PeriodTable& periodTable() const { return m_periodTable; }

    // --- The window's events, as far as the calculation takes part -------------
    // Shown: the season is set while the window is not yet active, so nothing
    // is calculated; then the method is applied.
    void FormShow(int seasonYear);
    // Activated: the schedule is calculated from the housing date.
    void FormActivate();
    void SetSeason(int seasonYear);
    void ResetPeriodTable();
    // The harvest-end buttons ("Maand" and "Dag", back and forward) move the
    // harvest end and recalculate backwards from it.
    void MoveHarvestEnd(int months, int days);
    // The user gives the harvest end itself; the schedule is calculated
    // backwards from it.
    void ChangeHarvestEnd(TDate d);
    // Moves the housing date into a period that has data, then recalculates.
    void AdjustHousingToData();
    // Applies the forcing method (its days after G), then AdjustHousingToData.
    void ApplyBroeiMethode();

private:
    // --- The calculation: chains started by the calendars' date changes -----
    void GstageDateChanged();
    void CoolingDateChanged();
    void HousingDateChanged();
    bool CalcFromCooling();
    bool CalcFromHousing();
    bool CalcFromHarvestEnd();
    // Ties the G-stage to the cooling start; false stops the calling chain.
    bool SetGstage();

    // The period search; false (level 2) stops the calling chain.
    bool FindHousingDate(const QString& base, int sign, TDate x, CalcMarks marks,
                         PeriodSearchResult& result);
    // The days of one period, or the average of period and the one before it.
    // period may become 4 (see CheckPeriodField).
    bool GetPeriodDays(const QString& base, int& period, CalcMarks marks, bool twoPeriods, int sign,
                       int& days);
    // A period after the last stands for period 4 (period becomes 4); false
    // when the period's field is null.
    bool CheckPeriodField(const QString& base, int& period, CalcMarks marks);

    void ShowCalcMessage(const QString& text, const QString& secondLine, CalcMarks marks);
    void ClearCalcMessages();
    void ReportMissingPeriod(int k, CalcMarks marks);
    void MarkPeriodCell(int k, const QString& base);
    void SetHarvestEnd(TDate d);

    // The focus rule: a date change counts only on the focused calendar.
    bool focusRuleAllows(ScheduleCalendar which) const;
    void moveFocus(ScheduleCalendar which) { m_focusPort(which); }
    std::optional<int> periodValue(const QString& base, int k) const;
    void showAfterLastPeriodWarning(TDate housingDate);
    void scrollToSchedule();

    struct OwnCalendars;
    ScheduleCore(std::unique_ptr<OwnCalendars> own, QObject* parent);
    ScheduleCore(std::unique_ptr<OwnCalendars> own, BarCalendarModel& gcal, BarCalendarModel& kcal,
                 BarCalendarModel& ical, QObject* parent);

    std::unique_ptr<OwnCalendars> m_own; // the calendars when no window lends its own
    BarCalendarModel& m_gcal;
    BarCalendarModel& m_kcal;
    BarCalendarModel& m_ical;
    ForcingPeriods m_periods;
    PeriodTable m_periodTable;
    const ForcingRecord* m_record = nullptr;
    int m_method = bmGrond;
    QString m_seizoenText;

    bool m_windowVisible = false;
    bool m_windowActive = false;
    bool m_periodDatesPanelVisible = true;
    ScheduleCalendar m_focus = ScheduleCalendar::None;
    FocusPort m_focusPort;
    BeepSink m_beep;

    int m_messageLevel = 0;
    std::optional<TDate> m_harvestEnd; // none until the first calculation sets one
    QString m_eDatePanelCaption;
    QStringList m_eMemoLines{QStringLiteral("Waarschuwing/Error:")};
    bool m_eMemoVisible = true;
};

} // namespace kasplan
