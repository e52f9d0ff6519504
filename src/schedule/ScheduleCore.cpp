#include "ScheduleCore.h"

#include "core/UserPrompts.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kasplan {

namespace {

const QString ColdDays = QStringLiteral("Dk_p");
const QString GreenhouseDays = QStringLiteral("Kd_p");

// String resources 65130, 65131, 65105 and 65075.
const QString MissingPeriodText =
    QStringLiteral("Error KP 1\r\nKasplan kan geen data berekenen, gegevens periode %1 ontbreken. "
                   "Indien gewenst, kunt u zelf periodegegevens invullen.");
const QString AfterLastPeriodText = QStringLiteral(
    "Warning KP 1\r\nWaarschuwing: Inhaaldatum = %1.Kasplan heeft geen gegevens voor periode "
    "na 24-3. Gegevens periode %2 zijn gebruikt voor berekening.");
const QString CultivarChangeErrorText =
    QStringLiteral("Error KPP 1\r\nFout bij veranderen Cultivar %1, geen G stadium gegevens");
const QString ReportErrorText = QStringLiteral("Meld deze foutmelding bij Zandhof Services SVP");

const QString AllMissingText = QStringLiteral("Kasplan kan geen data berekenen,");
const QString AllMissingSecondLine = QStringLiteral(
    "periodegegevens ontbreken, indien gewenst, kunt u zelf periodegegevens invullen.");
const QString InconsistentText =
    QStringLiteral("Inconsistente periodegegevens bij bepalen inhaaldatum. Controleer "
                   "periodegegevens of neem contact op met Zandhof Services.");

constexpr int BeepFrequency = 1800;
constexpr int BeepDuration = 100;

const ForcingValues NoRecord;

QString shortDate(TDate d)
{
    return QLocale::system().toString(ToQDate(d), QLocale::ShortFormat);
}

QStringList memoLines(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return text.split(lineBreak);
}

} // namespace

const QString ScheduleCore::MissingDataText = QStringLiteral("gegevens ontbreken ");

struct ScheduleCore::OwnCalendars
{
    BarCalendarModel gcal;
    BarCalendarModel kcal;
    BarCalendarModel ical;
};

ScheduleCore::ScheduleCore(QObject* parent) : ScheduleCore(std::make_unique<OwnCalendars>(), parent)
{
}

ScheduleCore::ScheduleCore(BarCalendarModel& gcal, BarCalendarModel& kcal, BarCalendarModel& ical,
                           QObject* parent)
    : ScheduleCore(nullptr, gcal, kcal, ical, parent)
{
}

ScheduleCore::ScheduleCore(std::unique_ptr<OwnCalendars> own, QObject* parent)
    : ScheduleCore(nullptr, own->gcal, own->kcal, own->ical, parent)
{
    m_own = std::move(own);
}

ScheduleCore::~ScheduleCore() = default;

ScheduleCore::ScheduleCore(std::unique_ptr<OwnCalendars> own, BarCalendarModel& gcal,
                           BarCalendarModel& kcal, BarCalendarModel& ical, QObject* parent)
    : QObject(parent), m_own(std::move(own)), m_gcal(gcal), m_kcal(kcal), m_ical(ical)
{
    setFocusPort({});
    // The main window's calendars: a 24-month range, narrow day cells; only
    // the G-stage calendar follows today by itself.
    for (BarCalendarModel* cal : {&m_gcal, &m_kcal, &m_ical}) {
        cal->setMonthRange(24);
        cal->setDayCellWidth(2);
        cal->setPeriod(7);
    }
    m_kcal.setUseCurrentDate(false);
    m_ical.setUseCurrentDate(false);

    connect(&m_gcal, &BarCalendarModel::dateChanged, this, &ScheduleCore::GstageDateChanged);
    connect(&m_kcal, &BarCalendarModel::dateChanged, this, &ScheduleCore::CoolingDateChanged);
    connect(&m_ical, &BarCalendarModel::dateChanged, this, &ScheduleCore::HousingDateChanged);
}

int ScheduleCore::DefaultSeasonYear(QDate today)
{
    return today.month() >= 4 ? today.year() : today.year() - 1;
}

BarCalendarModel& ScheduleCore::calendar(ScheduleCalendar which)
{
    switch (which) {
    case ScheduleCalendar::Kcal:
        return m_kcal;
    case ScheduleCalendar::Ical:
        return m_ical;
    default:
        return m_gcal;
    }
}

const ForcingRecord& ScheduleCore::record() const
{
    return m_record ? *m_record : NoRecord;
}

void ScheduleCore::setFocusPort(FocusPort port)
{
    if (port)
        m_focusPort = std::move(port);
    else
        m_focusPort = [this](ScheduleCalendar which) { setFocusedCalendar(which); };
}

bool ScheduleCore::focusRuleAllows(ScheduleCalendar which) const
{
    return m_periodDatesPanelVisible && HasFocus(which);
}

std::optional<int> ScheduleCore::periodValue(const QString& base, int k) const
{
    const QString field = PeriodFieldName(base, k, m_method);
    if (record().isNull(field))
        return std::nullopt;
    const int value = record().intValue(field);
    // The bulbs spend at least their housing day in the greenhouse: counted
    // as 0, the harvest would end the day before they are housed.
    if (base == GreenhouseDays)
        return std::max(value, 1);
    return value;
}

// --- The window's events ----------------------------------------------------------

void ScheduleCore::FormShow(int seasonYear)
{
    m_windowVisible = true;
    SetSeason(seasonYear);
    ApplyBroeiMethode();
}

void ScheduleCore::FormActivate()
{
    m_windowActive = true;
    AdjustHousingToData();
}

void ScheduleCore::SetSeason(int seasonYear)
{
    m_periods.SetPeriodDates(seasonYear);
    m_seizoenText = QStringLiteral("%1/%2").arg(seasonYear).arg(seasonYear + 1);
    m_gcal.SetDate(EncodeDate(seasonYear, 9, 15));
    for (BarCalendarModel* cal : {&m_gcal, &m_kcal, &m_ical}) {
        cal->SetStartDate(EncodeDate(seasonYear, 1, 1));
        cal->setMonthRange(24);
    }
    m_gcal.SetLeftMonth(0);
    if (m_windowActive)
        moveFocus(ScheduleCalendar::Gcal);
    // Each move recalculates when Gcal has the focus.
    m_gcal.SetDate(m_gcal.Date() + 1);
    m_gcal.SetDate(m_gcal.Date() - 1);
    GstageDateChanged();
}

void ScheduleCore::ResetPeriodTable()
{
    m_periodTable.Reset(m_method);
}

void ScheduleCore::MoveHarvestEnd(int months, int days)
{
    // Without a harvest end there is nothing to move; counting from day 0
    // would plan the schedule in 1899.
    if (!m_harvestEnd)
        return;
    ChangeHarvestEnd(IncDate(0, months, days, *m_harvestEnd));
}

void ScheduleCore::ChangeHarvestEnd(TDate d)
{
    SetHarvestEnd(d);
    CalcFromHarvestEnd();
}

// --- The chains ---------------------------------------------------------------------

void ScheduleCore::GstageDateChanged()
{
    if (!focusRuleAllows(ScheduleCalendar::Gcal))
        return;
    ClearCalcMessages();
    m_kcal.SetDate(m_gcal.Date() + m_gcal.Period());
    CalcFromCooling();
}

void ScheduleCore::CoolingDateChanged()
{
    if (!focusRuleAllows(ScheduleCalendar::Kcal))
        return;
    ClearCalcMessages();
    if (SetGstage())
        CalcFromCooling();
}

void ScheduleCore::HousingDateChanged()
{
    if (!focusRuleAllows(ScheduleCalendar::Ical))
        return;
    if (CalcFromHousing())
        scrollToSchedule();
}

void ScheduleCore::scrollToSchedule()
{
    m_gcal.ScrollToDate(m_gcal.Date() - 2);
    m_ical.ScrollToDate(HarvestEnd() + 2);
    m_ical.ScrollToDate(m_ical.Date());
}

bool ScheduleCore::CalcFromCooling()
{
    PeriodSearchResult found;
    if (!FindHousingDate(ColdDays, +1, m_kcal.Date(), mkCoolingBar + mkHousing + mkHarvestEnd,
                         found))
        return false;
    m_kcal.setPeriod(found.days);
    m_ical.SetDate(found.date);
    int period = found.period;
    int days = 0;
    if (!GetPeriodDays(GreenhouseDays, period, mkHousingBar + mkHarvestEnd, found.twoPeriods, +1,
                       days))
        return false;
    m_ical.setPeriod(days);
    SetHarvestEnd(m_ical.Date() + days - 1);
    scrollToSchedule();
    return true;
}

bool ScheduleCore::CalcFromHousing()
{
    ClearCalcMessages();
    int period = m_periods.PeriodOfDate(m_ical.Date());
    int days = 0;
    // Without cold days the greenhouse days can still give the harvest end.
    if (GetPeriodDays(ColdDays, period, mkGstage + mkCooling + mkHousingBar, false, -1, days)) {
        m_kcal.SetDate(m_ical.Date() + days);
        m_kcal.setPeriod(std::abs(days));
        if (!SetGstage())
            return false;
    }
    // A housing date after the last period has become period 4 above, warned once.
    if (!GetPeriodDays(GreenhouseDays, period, mkHarvestEnd, false, +1, days))
        return false;
    m_ical.setPeriod(days);
    SetHarvestEnd(m_ical.Date() + days - 1);
    return true;
}

bool ScheduleCore::CalcFromHarvestEnd()
{
    ClearCalcMessages();
    PeriodSearchResult found;
    if (!FindHousingDate(GreenhouseDays, -1, HarvestEnd() + 1, mkGstage + mkCooling + mkHousing,
                         found))
        return false;
    // date = harvest end + 1 − greenhouse days, so the harvest end stays as given.
    m_ical.SetDate(found.date);
    m_ical.setPeriod(std::abs(found.days));
    int period = found.period;
    int days = 0;
    if (!GetPeriodDays(ColdDays, period, mkGstage + mkCooling, found.twoPeriods, -1, days))
        return false;
    m_kcal.SetDate(m_ical.Date() + days);
    m_kcal.setPeriod(std::abs(days));
    if (!SetGstage())
        return false;
    m_gcal.ScrollToDate(m_gcal.Date() - 2);
    m_ical.ScrollToDate(HarvestEnd() + 2);
    return true;
}

bool ScheduleCore::SetGstage()
{
    const TDate coolingStart = m_kcal.Date();
    const auto gstagemin = record().value(QStringLiteral("Gstagemin"));
    if (!gstagemin || !m_windowVisible) {
        m_gcal.SetDate(coolingStart - m_gcal.Period());
        return true;
    }
    m_gcal.setPeriod(DnaG20Value(record(), m_method));
    const TDate earliest = m_periods.GstageminInSeason(*gstagemin);
    const int d = static_cast<int>(std::lround(coolingStart - earliest));
    if (d < m_gcal.Period()) {
        // Too early: move the cooling start. With the focus on Kcal that date
        // change recalculates the whole schedule; this chain stops.
        moveFocus(ScheduleCalendar::Kcal);
        m_kcal.SetDate(earliest + m_gcal.Period());
        return false;
    }
    // The 20 °C period runs from the season's Gstagemin to the day before the
    // cooling start, so the G-stage is where it begins: its bar then ends
    // where the cooling bar starts. Gcal lacks the focus, so this date change
    // starts no chain of its own.
    m_gcal.setPeriod(d);
    m_gcal.SetDate(earliest);
    return true;
}

void ScheduleCore::ApplyBroeiMethode()
{
    m_gcal.setPeriod(DnaG20Value(record(), m_method));
    AdjustHousingToData();
}

void ScheduleCore::AdjustHousingToData()
{
    if (!m_windowActive)
        return;
    try {
        TDate housing = m_ical.Date();
        const int p = m_periods.PeriodOfDate(housing);
        if (p <= 4 && !periodValue(ColdDays, p)) {
            bool moved = false;
            for (int i = p - 1; i >= 1 && !moved; --i) {
                if (periodValue(ColdDays, i)) {
                    housing = m_periods.boundary(i) - 1; // last day of period i
                    moved = true;
                }
            }
            for (int j = p + 1; j <= 4 && !moved; ++j) {
                if (periodValue(ColdDays, j)) {
                    housing = m_periods.boundary(j - 1); // first day of period j
                    moved = true;
                }
            }
        }
        m_ical.ForceDate(housing);
        moveFocus(ScheduleCalendar::Ical);
        HousingDateChanged();
    } catch (const std::exception&) {
        QString cultivar;
        try {
            cultivar = record().cultivarName();
        } catch (const std::exception&) {
        }
        UserPrompts::current().showWarning(CultivarChangeErrorText.arg(cultivar) +
                                           QLatin1Char('\r') + ReportErrorText);
    }
}

// --- Period search and period days ----------------------------------------------

bool ScheduleCore::FindHousingDate(const QString& base, int sign, TDate x, CalcMarks marks,
                                   PeriodSearchResult& result)
{
    PeriodValues values;
    for (int k = 1; k <= 4; ++k)
        values[k - 1] = periodValue(base, k);
    result = SearchHousingPeriod(m_periods, values, sign, x);

    using Outcome = PeriodSearchResult::Outcome;
    switch (result.outcome) {
    case Outcome::Found:
        if (result.afterLastPeriod && BroeiMethodeOf(m_method) != bmIJstulpen)
            showAfterLastPeriodWarning(result.date);
        break;
    case Outcome::MissingPeriod:
        ReportMissingPeriod(result.period, marks);
        break;
    case Outcome::AllMissing:
        ShowCalcMessage(AllMissingText, AllMissingSecondLine, marks);
        m_messageLevel = 2;
        break;
    case Outcome::Inconsistent:
        ShowCalcMessage(InconsistentText, {}, marks);
        m_messageLevel = 2;
        break;
    }

    if (m_messageLevel == 2) {
        ResetPeriodTable();
    } else {
        MarkPeriodCell(result.period, base);
        if (result.twoPeriods)
            MarkPeriodCell(result.period - 1, base);
    }
    return m_messageLevel < 2;
}

bool ScheduleCore::CheckPeriodField(const QString& base, int& period, CalcMarks marks)
{
    bool afterLastPeriod = false;
    if (period > 4) {
        period = 4;
        afterLastPeriod = true;
    }
    if (!periodValue(base, period)) {
        ReportMissingPeriod(period, marks);
        return false;
    }
    if (afterLastPeriod && BroeiMethodeOf(m_method) != bmIJstulpen)
        showAfterLastPeriodWarning(m_ical.Date());
    return true;
}

bool ScheduleCore::GetPeriodDays(const QString& base, int& period, CalcMarks marks, bool twoPeriods,
                                 int sign, int& days)
{
    days = 0;
    if (!CheckPeriodField(base, period, marks))
        return false;
    days = sign * *periodValue(base, period);
    if (twoPeriods && period > 1) {
        int before = period - 1;
        if (!CheckPeriodField(base, before, marks)) {
            days = 0;
            return false;
        }
        days = TwoPeriodDays(sign, *periodValue(base, before), *periodValue(base, period));
    }
    MarkPeriodCell(period, base);
    if (twoPeriods)
        MarkPeriodCell(period - 1, base);
    return true;
}

// --- Reporting -----------------------------------------------------------------------

void ScheduleCore::showAfterLastPeriodWarning(TDate housingDate)
{
    ShowCalcMessage(AfterLastPeriodText.arg(shortDate(housingDate), PeriodLabel(4)), {}, 0);
    m_messageLevel = std::max(m_messageLevel, 1);
}

void ScheduleCore::ShowCalcMessage(const QString& text, const QString& secondLine, CalcMarks marks)
{
    // Only the first message of a chain beeps.
    if (m_messageLevel == 0 && m_beep)
        m_beep(BeepFrequency, BeepDuration);

    const int captionAndBar = BarCalendarModel::ShowMessageText | BarCalendarModel::HidePeriod;
    const int barOnly = BarCalendarModel::HidePeriod;
    if (marks & mkGstage)
        m_gcal.SetMessage(MissingDataText, captionAndBar);
    if (marks & mkCooling)
        m_kcal.SetMessage(MissingDataText, captionAndBar);
    if (marks & mkCoolingBar)
        m_kcal.SetMessage(MissingDataText, barOnly);
    if (marks & mkHousing)
        m_ical.SetMessage(MissingDataText, captionAndBar);
    if (marks & mkHousingBar)
        m_ical.SetMessage(MissingDataText, barOnly);
    if (marks & mkHarvestEnd)
        m_eDatePanelCaption = MissingDataText;

    m_eMemoLines = memoLines(text);
    if (!secondLine.isEmpty())
        m_eMemoLines += memoLines(secondLine);
    m_eMemoVisible = true;
}

void ScheduleCore::ClearCalcMessages()
{
    ResetPeriodTable();
    m_messageLevel = 0;
    m_gcal.ClearMessage();
    m_kcal.ClearMessage();
    m_ical.ClearMessage();
    m_eMemoVisible = false;
    m_eMemoLines.clear();
}

void ScheduleCore::ReportMissingPeriod(int k, CalcMarks marks)
{
    ShowCalcMessage(MissingPeriodText.arg(PeriodLabel(k)), {}, marks);
    m_messageLevel = 2;
}

void ScheduleCore::MarkPeriodCell(int k, const QString& base)
{
    m_periodTable.Mark(k, base, m_method);
}

void ScheduleCore::SetHarvestEnd(TDate d)
{
    m_harvestEnd = d;
    m_eDatePanelCaption =
        QLocale::system().toString(ToQDate(d), QLocale::LongFormat) + QStringLiteral("  ");
}

} // namespace kasplan
