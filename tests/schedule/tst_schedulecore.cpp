#include "core/Clock.h"
#include "core/UserPrompts.h"
#include "schedule/ForcingRecordJson.h"
#include "schedule/ScheduleCore.h"
#include "support/ScriptedPrompts.h"

#include <QLocale>
#include <QTest>

#include <stdexcept>

using namespace kasplan;

Q_DECLARE_METATYPE(ScheduleCalendar)

namespace {

// Soil, season 2024/2025: the parameters of the worked examples.
const char* const Standard = R"({"Dk_p1": 105, "Dk_p2": 98, "Dk_p3": 91, "Dk_p4": 84,
                                 "Kd_p1": 28, "Kd_p2": 24, "Kd_p3": 21, "Kd_p4": 18})";

ForcingValues parseRecord(const QByteArray& json)
{
    QString error;
    const auto record = ForcingRecordFromJson(json, error);
    if (!record)
        qFatal("test record: %s", qPrintable(error));
    return *record;
}

void setToday(QDate today)
{
    Clock::install(std::make_unique<FixedClock>(today));
}

// The main window as far as the schedule goes: shown, then activated for the
// first time, with every beep counted.
class Window
{
public:
    explicit Window(const QByteArray& json, int method = bmGrond, int season = 2024)
        : m_record(parseRecord(json))
    {
        init(&m_record, method, season);
    }
    Window(const ForcingRecord* record, int season) { init(record, bmGrond, season); }

    ScheduleCore core;
    QList<QPair<int, int>> beeps;

    // The user moves a date on a calendar, which therefore has the focus.
    void move(ScheduleCalendar which, QDate date)
    {
        core.setFocusedCalendar(which);
        core.calendar(which).SetDate(FromQDate(date));
    }
    // A harvest-end button has the focus while its chain runs.
    void harvestEnd(QDate date)
    {
        core.setFocusedCalendar(ScheduleCalendar::None);
        core.ChangeHarvestEnd(FromQDate(date));
    }
    QDate date(ScheduleCalendar which) { return ToQDate(core.calendar(which).Date()); }
    QDate harvestEnd() const { return ToQDate(core.HarvestEnd()); }
    QString caption(ScheduleCalendar which) { return core.calendar(which).dateCaptionText(); }
    bool barHidden(ScheduleCalendar which)
    {
        return core.calendar(which).messageFlags() & BarCalendarModel::HidePeriod;
    }

private:
    void init(const ForcingRecord* record, int method, int season)
    {
        core.setRecord(record);
        core.setBroeiMethode(method);
        core.setBeepSink([this](int hz, int ms) { beeps.append({hz, ms}); });
        core.FormShow(season);
        core.FormActivate();
    }

    ForcingValues m_record;
};

QString shortDate(QDate d)
{
    return QLocale::system().toString(d, QLocale::ShortFormat);
}

QStringList afterLastPeriodWarning(QDate housing)
{
    return {QStringLiteral("Warning KP 1"),
            QStringLiteral("Waarschuwing: Inhaaldatum = %1.Kasplan heeft geen gegevens voor "
                           "periode na 24-3. Gegevens periode 25/2-24/3 zijn gebruikt voor "
                           "berekening.")
                .arg(shortDate(housing))};
}

QStringList missingPeriodError(const QString& label)
{
    return {QStringLiteral("Error KP 1"),
            QStringLiteral("Kasplan kan geen data berekenen, gegevens periode %1 ontbreken. "
                           "Indien gewenst, kunt u zelf periodegegevens invullen.")
                .arg(label)};
}

constexpr auto G = ScheduleCalendar::Gcal;
constexpr auto K = ScheduleCalendar::Kcal;
constexpr auto I = ScheduleCalendar::Ical;

// A record whose every read fails once it is broken, as a closed table would.
class BrokenRecord : public ForcingValues
{
public:
    bool broken = false;
    std::optional<double> value(const QString& field) const override
    {
        if (broken)
            throw std::runtime_error("table closed");
        return ForcingValues::value(field);
    }
};

} // namespace

class TestScheduleCore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { setToday(QDate(2024, 10, 15)); }
    void cleanup() { Clock::install(nullptr); }

    void workedExamples_data();
    void workedExamples();
    void focusRule_data();
    void focusRule();
    void warningAfter24March_data();
    void warningAfter24March();
    void iceTulips();
    void allColdDaysNull();
    void nonNeighboursAreInconsistent();
    void setGstageCorrection_data();
    void setGstageCorrection();
    void gstageEndsWhereCoolingStarts_data();
    void gstageEndsWhereCoolingStarts();
    void gstageminIgnoredWhileWindowHidden();
    void focusPortCarriesTheProgramsFocusMoves();
    void harvestEndButtons_data();
    void harvestEndButtons();
    void harvestEndButtonsNeedAHarvestEnd();
    void oneBeepPerChain_data();
    void oneBeepPerChain();
    void adjustHousingToData_data();
    void adjustHousingToData();
    void adjustHousingFailureShowsKpp1();
    void showingWithoutActivationCalculatesNothing();
    void setSeasonWhileActive();
    void defaultSeason_data();
    void defaultSeason();
    void periodTableBinding_data();
    void periodTableBinding();
};

void TestScheduleCore::workedExamples_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<ScheduleCalendar>("moved"); // None: the harvest end
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QDate>("cooling");
    QTest::addColumn<int>("coldDays");
    QTest::addColumn<QDate>("housing");
    QTest::addColumn<int>("greenhouseDays");
    QTest::addColumn<QDate>("harvestEnd");
    QTest::addColumn<QStringList>("marked");
    QTest::addColumn<int>("level");

    const QByteArray standard = Standard;
    QTest::newRow("cooling start 1 October")
        << standard << K << QDate(2024, 10, 1) << QDate(2024, 10, 1) << 98 << QDate(2025, 1, 7)
        << 24 << QDate(2025, 1, 30) << QStringList{"wk2", "kd2"} << 0;
    QTest::newRow("harvest end 30 January, backward")
        << standard << ScheduleCalendar::None << QDate(2025, 1, 30) << QDate(2024, 10, 1) << 98
        << QDate(2025, 1, 7) << 24 << QDate(2025, 1, 30) << QStringList{"wk2", "kd2"} << 0;
    QTest::newRow("boundary of periods 1 and 2")
        << QByteArray(R"({"Dk_p1": 112, "Dk_p2": 98, "Dk_p3": 91, "Dk_p4": 84,
                          "Kd_p1": 28, "Kd_p2": 24, "Kd_p3": 21, "Kd_p4": 18})")
        << K << QDate(2024, 9, 1) << QDate(2024, 9, 1) << 105 << QDate(2024, 12, 15) << 26
        << QDate(2025, 1, 9) << QStringList{"wk1", "wk2", "kd1", "kd2"} << 0;
    QTest::newRow("84 cold days everywhere, housing after 24 March")
        << QByteArray(R"({"Dk_p1": 84, "Dk_p2": 84, "Dk_p3": 84, "Dk_p4": 84,
                          "Kd_p1": 28, "Kd_p2": 24, "Kd_p3": 21, "Kd_p4": 18})")
        << K << QDate(2025, 1, 1) << QDate(2025, 1, 1) << 84 << QDate(2025, 3, 26) << 18
        << QDate(2025, 4, 12) << QStringList{"wk4", "kd4"} << 1;
    // 17 Dec (+1) and 16 Dec (-1): (98 + 97) / 2 = 97 with the half day dropped.
    QTest::newRow("averaging drops the half day")
        << QByteArray(R"({"Dk_p1": 98, "Dk_p2": 97, "Dk_p3": 91, "Dk_p4": 84,
                          "Kd_p1": 28, "Kd_p2": 24, "Kd_p3": 21, "Kd_p4": 18})")
        << K << QDate(2024, 9, 10) << QDate(2024, 9, 10) << 97 << QDate(2024, 12, 16) << 26
        << QDate(2025, 1, 10) << QStringList{"wk1", "wk2", "kd1", "kd2"} << 0;
    // Zero greenhouse days still mean the housing day itself: the harvest
    // never ends before the bulbs are housed, both ways round.
    const QByteArray zeros(R"({"Dk_p1": 0, "Dk_p2": 0, "Dk_p3": 0, "Dk_p4": 0,
                               "Kd_p1": 0, "Kd_p2": 0, "Kd_p3": 0, "Kd_p4": 0})");
    QTest::newRow("all zeros, from the cooling start")
        << zeros << K << QDate(2024, 10, 1) << QDate(2024, 10, 1) << 0 << QDate(2024, 10, 1) << 1
        << QDate(2024, 10, 1) << QStringList{"wk1", "kd1"} << 0;
    QTest::newRow("all zeros, from the harvest end")
        << zeros << ScheduleCalendar::None << QDate(2024, 11, 5) << QDate(2024, 11, 5) << 0
        << QDate(2024, 11, 5) << 1 << QDate(2024, 11, 5) << QStringList{"wk1", "kd1"} << 0;
}

void TestScheduleCore::workedExamples()
{
    QFETCH(QByteArray, record);
    QFETCH(ScheduleCalendar, moved);
    QFETCH(QDate, date);
    QFETCH(QDate, cooling);
    QFETCH(int, coldDays);
    QFETCH(QDate, housing);
    QFETCH(int, greenhouseDays);
    QFETCH(QDate, harvestEnd);
    QFETCH(QStringList, marked);
    QFETCH(int, level);

    Window w(record);
    if (moved == ScheduleCalendar::None)
        w.harvestEnd(date);
    else
        w.move(moved, date);

    QCOMPARE(w.date(K), cooling);
    QCOMPARE(w.core.Kcal().Period(), coldDays);
    QCOMPARE(w.date(I), housing);
    QCOMPARE(w.core.Ical().Period(), greenhouseDays);
    QCOMPARE(w.harvestEnd(), harvestEnd);
    // Without DnaG20 and Gstagemin the G-stage is the cooling start.
    QCOMPARE(w.date(G), cooling);
    QCOMPARE(w.core.periodTable().markedCells(), marked);
    QCOMPARE(w.core.MessageLevel(), level);
    QCOMPARE(w.core.OkButtonEnabled(), true);
    QCOMPARE(w.core.EDatePanelCaption(),
             QLocale::system().toString(harvestEnd, QLocale::LongFormat) + QStringLiteral("  "));
}

void TestScheduleCore::focusRule_data()
{
    QTest::addColumn<ScheduleCalendar>("focus");
    QTest::addColumn<bool>("panelVisible");
    QTest::addColumn<bool>("recalculates");
    QTest::newRow("Kcal has the focus") << K << true << true;
    QTest::newRow("Gcal has the focus") << G << true << false;
    QTest::newRow("Ical has the focus") << I << true << false;
    QTest::newRow("a button has the focus") << ScheduleCalendar::None << true << false;
    QTest::newRow("panel hidden") << K << false << false;
}

void TestScheduleCore::focusRule()
{
    QFETCH(ScheduleCalendar, focus);
    QFETCH(bool, panelVisible);
    QFETCH(bool, recalculates);

    Window w(Standard);
    const QDate housingBefore = w.date(I);
    const QDate harvestEndBefore = w.harvestEnd();
    w.core.setPeriodDatesPanelVisible(panelVisible);
    w.core.setFocusedCalendar(focus);
    w.core.Kcal().SetDate(FromQDate(QDate(2024, 10, 1)));

    QCOMPARE(w.date(K), QDate(2024, 10, 1));
    QCOMPARE(w.date(I), recalculates ? QDate(2025, 1, 7) : housingBefore);
    QCOMPARE(w.harvestEnd(), recalculates ? QDate(2025, 1, 30) : harvestEndBefore);
}

void TestScheduleCore::warningAfter24March_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<ScheduleCalendar>("moved");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QDate>("housing");
    QTest::addColumn<QDate>("cooling");

    const QByteArray water = R"({"Dk_p1_w": 84, "Dk_p2_w": 84, "Dk_p3_w": 84, "Dk_p4_w": 84,
                                 "Kd_p1_w": 28, "Kd_p2_w": 24, "Kd_p3_w": 21, "Kd_p4_w": 18})";
    const QByteArray ice = R"({"Dk_p_ice": 84, "Kd_p_ice": 18})";
    QTest::newRow("soil, from the cooling start")
        << int(bmGrond) << QByteArray(Standard) << K << QDate(2025, 1, 8) << QDate(2025, 4, 2)
        << QDate(2025, 1, 8);
    QTest::newRow("water, from the cooling start")
        << int(bmWater) << water << K << QDate(2025, 1, 1) << QDate(2025, 3, 26)
        << QDate(2025, 1, 1);
    // Cold and greenhouse days both come from period 4; only the first warns.
    QTest::newRow("soil, housing date set by the user")
        << int(bmGrond) << QByteArray(Standard) << I << QDate(2025, 3, 30) << QDate(2025, 3, 30)
        << QDate(2025, 1, 5);
    QTest::newRow("soil, housing on 25 March")
        << int(bmGrond) << QByteArray(Standard) << I << QDate(2025, 3, 25) << QDate(2025, 3, 25)
        << QDate(2024, 12, 31);
    QTest::newRow("ice, from the cooling start")
        << int(bmIJstulpen) << ice << K << QDate(2025, 1, 1) << QDate(2025, 3, 26)
        << QDate(2025, 1, 1);
    QTest::newRow("ice, housing date set by the user")
        << int(bmIJstulpen) << ice << I << QDate(2025, 3, 30) << QDate(2025, 3, 30)
        << QDate(2025, 1, 5);
}

void TestScheduleCore::warningAfter24March()
{
    QFETCH(int, method);
    QFETCH(QByteArray, record);
    QFETCH(ScheduleCalendar, moved);
    QFETCH(QDate, date);
    QFETCH(QDate, housing);
    QFETCH(QDate, cooling);

    Window w(record, method);
    w.beeps.clear();
    w.move(moved, date);

    QCOMPARE(w.date(I), housing);
    QCOMPARE(w.date(K), cooling);
    QCOMPARE(w.core.Ical().Period(), 18);
    QCOMPARE(w.harvestEnd(), housing.addDays(17));
    if (method == bmIJstulpen) {
        QCOMPARE(w.core.MessageLevel(), 0);
        QCOMPARE(w.core.EMemoVisible(), false);
        QCOMPARE(w.beeps.size(), 0);
        QCOMPARE(w.core.periodTable().markedCells(), QStringList());
    } else {
        QCOMPARE(w.core.MessageLevel(), 1);
        QCOMPARE(w.core.EMemoVisible(), true);
        QCOMPARE(w.core.EMemoLines(), afterLastPeriodWarning(housing));
        QCOMPARE(w.beeps, (QList<QPair<int, int>>{{1800, 100}}));
        QCOMPARE(w.core.periodTable().markedCells(), (QStringList{"wk4", "kd4"}));
        QCOMPARE(w.core.OkButtonEnabled(), true);
    }
}

void TestScheduleCore::iceTulips()
{
    // Water fields that would give another answer must not be read.
    Window w(R"({"Dk_p_ice": 100, "Kd_p_ice": 20, "Dk_p2": 50, "Kd_p2": 10})", bmIJstulpen);
    w.move(K, QDate(2024, 10, 1));

    QCOMPARE(w.date(I), QDate(2025, 1, 9));
    QCOMPARE(w.core.Kcal().Period(), 100);
    QCOMPARE(w.core.Ical().Period(), 20);
    QCOMPARE(w.harvestEnd(), QDate(2025, 1, 28));
    QCOMPARE(w.core.MessageLevel(), 0);
    QCOMPARE(w.core.periodTable().markedCells(), QStringList());
    QCOMPARE(w.core.periodTable().headersVisible(), false);
    QCOMPARE(w.core.periodTable().lastHeaderText(), QStringLiteral("IJstulpen"));
    QCOMPARE(w.core.periodTable().cellColor(QStringLiteral("wk4")), PeriodTable::CellColor::Silver);
}

void TestScheduleCore::allColdDaysNull()
{
    Window w(R"({"Kd_p1": 28, "Kd_p2": 24, "Kd_p3": 21, "Kd_p4": 18})");
    w.beeps.clear();
    const QDate housingBefore = w.date(I);

    w.move(K, QDate(2024, 10, 1));
    QCOMPARE(w.core.EMemoLines(),
             (QStringList{"Kasplan kan geen data berekenen,",
                          "periodegegevens ontbreken, indien gewenst, kunt u zelf "
                          "periodegegevens invullen."}));
    QCOMPARE(w.core.MessageLevel(), 2);
    QCOMPARE(w.core.OkButtonEnabled(), false);
    QCOMPARE(w.caption(I), ScheduleCore::MissingDataText);
    QCOMPARE(w.core.EDatePanelCaption(), QStringLiteral("gegevens ontbreken "));
    QVERIFY(w.barHidden(K));
    QVERIFY(w.barHidden(I));
    QVERIFY(w.caption(K) != ScheduleCore::MissingDataText);
    QVERIFY(!w.barHidden(G));
    QCOMPARE(w.date(I), housingBefore);
    QCOMPARE(w.core.periodTable().markedCells(), QStringList());
    QCOMPARE(w.beeps.size(), 1);

    // From the housing date the error names the housing date's own period,
    // and the greenhouse days still give the harvest end.
    w.move(I, QDate(2024, 12, 1));
    QCOMPARE(w.core.EMemoLines(), missingPeriodError(QStringLiteral("tot 17/12")));
    QCOMPARE(w.core.MessageLevel(), 2);
    QCOMPARE(w.caption(G), ScheduleCore::MissingDataText);
    QCOMPARE(w.caption(K), ScheduleCore::MissingDataText);
    QVERIFY(w.caption(I) != ScheduleCore::MissingDataText);
    QVERIFY(w.barHidden(I));
    QCOMPARE(w.harvestEnd(), QDate(2024, 12, 28));
    QCOMPARE(w.core.periodTable().markedCells(), QStringList{"kd1"});
}

void TestScheduleCore::nonNeighboursAreInconsistent()
{
    // From 1 October: 20 Nov lies in period 1 and 29 Jan in period 3, but
    // 30 Nov does not lie in period 2.
    Window w(R"({"Dk_p1": 50, "Dk_p2": 60, "Dk_p3": 120, "Dk_p4": 130,
                 "Kd_p1": 28, "Kd_p2": 24, "Kd_p3": 21, "Kd_p4": 18})");
    w.move(K, QDate(2024, 10, 1));
    QCOMPARE(w.core.EMemoLines(),
             QStringList{"Inconsistente periodegegevens bij bepalen inhaaldatum. Controleer "
                         "periodegegevens of neem contact op met Zandhof Services."});
    QCOMPARE(w.core.MessageLevel(), 2);
    QCOMPARE(w.core.OkButtonEnabled(), false);
    QCOMPARE(w.core.periodTable().markedCells(), QStringList());
    QCOMPARE(w.caption(I), ScheduleCore::MissingDataText);
    QCOMPARE(w.core.EDatePanelCaption(), ScheduleCore::MissingDataText);
    QVERIFY(w.barHidden(K));
}

void TestScheduleCore::setGstageCorrection_data()
{
    QTest::addColumn<int>("storedYear");
    QTest::addColumn<QDate>("moved");
    QTest::addColumn<QDate>("cooling");
    QTest::addColumn<int>("gstageDays");
    QTest::addColumn<QDate>("housing");
    QTest::newRow("20 Sep is too early")
        << 2024 << QDate(2024, 9, 20) << QDate(2024, 10, 1) << 21 << QDate(2025, 1, 7);
    QTest::newRow("stored year has no effect")
        << 1997 << QDate(2024, 9, 20) << QDate(2024, 10, 1) << 21 << QDate(2025, 1, 7);
    QTest::newRow("30 Sep, one day too early")
        << 2031 << QDate(2024, 9, 30) << QDate(2024, 10, 1) << 21 << QDate(2025, 1, 7);
    QTest::newRow("2 Oct keeps, 22 days after G")
        << 2024 << QDate(2024, 10, 2) << QDate(2024, 10, 2) << 22 << QDate(2025, 1, 8);
    QTest::newRow("15 Oct keeps, 35 days after G")
        << 2024 << QDate(2024, 10, 15) << QDate(2024, 10, 15) << 35 << QDate(2025, 1, 21);
}

void TestScheduleCore::setGstageCorrection()
{
    QFETCH(int, storedYear);
    QFETCH(QDate, moved);
    QFETCH(QDate, cooling);
    QFETCH(int, gstageDays);
    QFETCH(QDate, housing);

    ForcingValues record = parseRecord(Standard);
    record.set(QStringLiteral("Gstagemin"), EncodeDate(storedYear, 9, 10));
    record.set(QStringLiteral("DnaG20"), 21);
    Window w(&record, 2024);
    w.beeps.clear();
    w.move(K, moved);

    QCOMPARE(w.date(K), cooling);
    QCOMPARE(w.core.Gcal().Period(), gstageDays);
    QCOMPARE(w.date(I), housing);
    QCOMPARE(w.harvestEnd(), housing.addDays(23));
    QCOMPARE(w.core.Kcal().Period(), 98);
    // The G-stage is the season's earliest one, its bar ending at the cooling start.
    QCOMPARE(w.date(G), QDate(2024, 9, 10));
    QCOMPARE(w.core.focusedCalendar(), K);
    QCOMPARE(w.core.MessageLevel(), 0);
    QCOMPARE(w.beeps.size(), 0);
}

void TestScheduleCore::gstageEndsWhereCoolingStarts_data()
{
    QTest::addColumn<QDate>("gstagemin"); // only day and month count
    QTest::addColumn<int>("season");
    // What the user does: "activate" (the first schedule only), "cooling",
    // "housing", "harvest end", "gstage" (all with date) or "season"
    // (date's year is the new season).
    QTest::addColumn<QString>("action");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QDate>("gstage");

    const QDate august(1999, 8, 10);
    const QDate october(2031, 10, 10);
    const QDate leapDay(2000, 2, 29);
    QTest::newRow("August, first schedule")
        << august << 2024 << "activate" << QDate() << QDate(2024, 8, 10);
    QTest::newRow("August, cooling start later")
        << august << 2024 << "cooling" << QDate(2024, 10, 15) << QDate(2024, 8, 10);
    QTest::newRow("August, cooling start too early")
        << august << 2024 << "cooling" << QDate(2024, 8, 20) << QDate(2024, 8, 10);
    QTest::newRow("August, housing date")
        << august << 2024 << "housing" << QDate(2025, 1, 10) << QDate(2024, 8, 10);
    QTest::newRow("August, harvest end")
        << august << 2024 << "harvest end" << QDate(2025, 1, 30) << QDate(2024, 8, 10);
    QTest::newRow("August, G-stage moved by the user")
        << august << 2024 << "gstage" << QDate(2024, 9, 1) << QDate(2024, 9, 1);
    QTest::newRow("August, next season")
        << august << 2024 << "season" << QDate(2025, 1, 1) << QDate(2025, 9, 15);
    QTest::newRow("October, first schedule")
        << october << 2024 << "activate" << QDate() << QDate(2024, 10, 10);
    QTest::newRow("October, cooling start too early")
        << october << 2024 << "cooling" << QDate(2024, 10, 1) << QDate(2024, 10, 10);
    QTest::newRow("October, housing date too early for it")
        << october << 2024 << "housing" << QDate(2024, 12, 20) << QDate(2024, 10, 10);
    QTest::newRow("October, harvest end")
        << october << 2024 << "harvest end" << QDate(2025, 3, 1) << QDate(2024, 10, 10);
    QTest::newRow("29 February, non-leap season, first schedule")
        << leapDay << 2025 << "activate" << QDate() << QDate(2025, 2, 28);
    QTest::newRow("29 February, non-leap season, cooling start")
        << leapDay << 2025 << "cooling" << QDate(2025, 10, 1) << QDate(2025, 2, 28);
    QTest::newRow("29 February, non-leap season, harvest end")
        << leapDay << 2025 << "harvest end" << QDate(2026, 1, 30) << QDate(2025, 2, 28);
    QTest::newRow("29 February, leap season, housing date")
        << leapDay << 2024 << "housing" << QDate(2025, 1, 10) << QDate(2024, 2, 29);
}

void TestScheduleCore::gstageEndsWhereCoolingStarts()
{
    QFETCH(QDate, gstagemin);
    QFETCH(int, season);
    QFETCH(QString, action);
    QFETCH(QDate, date);
    QFETCH(QDate, gstage);

    ForcingValues record = parseRecord(Standard);
    record.set(QStringLiteral("Gstagemin"), FromQDate(gstagemin));
    record.set(QStringLiteral("DnaG20"), 21);
    Window w(&record, season);
    const auto gstageEndsAtCooling = [&w](const char* when) {
        QVERIFY2(w.date(G).addDays(w.core.Gcal().Period()) == w.date(K), when);
        QVERIFY2(w.core.Gcal().Period() >= 21, when);
        QVERIFY2(!w.barHidden(G) && w.core.MessageLevel() < 2, when);
    };
    gstageEndsAtCooling("after the first schedule");

    if (action == QLatin1String("cooling"))
        w.move(K, date);
    else if (action == QLatin1String("housing"))
        w.move(I, date);
    else if (action == QLatin1String("gstage"))
        w.move(G, date);
    else if (action == QLatin1String("harvest end"))
        w.harvestEnd(date);
    else if (action == QLatin1String("season"))
        w.core.SetSeason(date.year());
    QCOMPARE(w.date(G), gstage);
    gstageEndsAtCooling("after the user's move");
    if (action == QLatin1String("harvest end"))
        QCOMPARE(w.harvestEnd(), date);

    // The harvest-end buttons from there keep it so.
    w.core.setFocusedCalendar(ScheduleCalendar::None);
    w.core.MoveHarvestEnd(1, 0);
    gstageEndsAtCooling("after a month forward");
    w.core.MoveHarvestEnd(0, -1);
    gstageEndsAtCooling("after a day back");
}

void TestScheduleCore::gstageminIgnoredWhileWindowHidden()
{
    ForcingValues record = parseRecord(Standard);
    record.set(QStringLiteral("Gstagemin"), EncodeDate(2024, 9, 10));
    record.set(QStringLiteral("DnaG20"), 21);
    Window w(&record, 2024);
    w.core.setWindowVisible(false);
    const int gstageDays = w.core.Gcal().Period();
    w.move(K, QDate(2024, 9, 20));

    QCOMPARE(w.date(K), QDate(2024, 9, 20));
    QCOMPARE(w.date(G), QDate(2024, 9, 20).addDays(-gstageDays));
    QCOMPARE(w.date(I), QDate(2024, 12, 27));
}

void TestScheduleCore::focusPortCarriesTheProgramsFocusMoves()
{
    ForcingValues record = parseRecord(Standard);
    record.set(QStringLiteral("Gstagemin"), EncodeDate(2024, 9, 10));
    record.set(QStringLiteral("DnaG20"), 21);

    // A window whose real focus does not follow the program's requests: the
    // chains that need the focus do not run.
    ScheduleCore core;
    QList<ScheduleCalendar> requested;
    core.setFocusPort([&requested](ScheduleCalendar which) { requested.append(which); });
    core.setRecord(&record);
    core.FormShow(2024);
    core.FormActivate();
    QCOMPARE(requested, QList<ScheduleCalendar>{I});
    QCOMPARE(core.focusedCalendar(), ScheduleCalendar::None);
    QVERIFY(!core.hasHarvestEnd());

    // The user moves the housing date; the cooling start it gives (18 Aug) is
    // too early, so SetGstage asks for Kcal's focus to recalculate from 1 Oct.
    requested.clear();
    core.setFocusedCalendar(I);
    core.Ical().SetDate(FromQDate(QDate(2024, 12, 1)));
    QCOMPARE(requested, QList<ScheduleCalendar>{K});
    QCOMPARE(ToQDate(core.Kcal().Date()), QDate(2024, 10, 1));
    QCOMPARE(ToQDate(core.Ical().Date()), QDate(2024, 12, 1));
    QVERIFY(!core.hasHarvestEnd());

    // The default port moves the focus, and the nested chain runs.
    core.setFocusPort({});
    core.Ical().SetDate(FromQDate(QDate(2024, 12, 2)));
    QCOMPARE(core.focusedCalendar(), K);
    QCOMPARE(ToQDate(core.Kcal().Date()), QDate(2024, 10, 1));
    QCOMPARE(ToQDate(core.Ical().Date()), QDate(2025, 1, 7));
    QCOMPARE(ToQDate(core.HarvestEnd()), QDate(2025, 1, 30));
}

void TestScheduleCore::harvestEndButtons_data()
{
    QTest::addColumn<int>("season");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<int>("months");
    QTest::addColumn<int>("days");
    QTest::addColumn<QDate>("harvestEnd");
    QTest::addColumn<QDate>("housing");
    QTest::addColumn<QDate>("cooling");
    QTest::newRow("Maand back from 31 March")
        << 2024 << QDate(2025, 3, 31) << -1 << 0 << QDate(2025, 2, 28) << QDate(2025, 2, 8)
        << QDate(2024, 11, 9);
    QTest::newRow("Maand back from 31 March, leap year")
        << 2023 << QDate(2024, 3, 31) << -1 << 0 << QDate(2024, 2, 29) << QDate(2024, 2, 9)
        << QDate(2023, 11, 10);
    QTest::newRow("Maand forward from 31 January")
        << 2024 << QDate(2025, 1, 31) << 1 << 0 << QDate(2025, 2, 28) << QDate(2025, 2, 8)
        << QDate(2024, 11, 9);
    QTest::newRow("Dag back") << 2024 << QDate(2025, 1, 30) << 0 << -1 << QDate(2025, 1, 29)
                              << QDate(2025, 1, 6) << QDate(2024, 9, 30);
    QTest::newRow("Dag forward") << 2024 << QDate(2025, 1, 30) << 0 << 1 << QDate(2025, 1, 31)
                                 << QDate(2025, 1, 8) << QDate(2024, 10, 2);
}

void TestScheduleCore::harvestEndButtons()
{
    QFETCH(int, season);
    QFETCH(QDate, start);
    QFETCH(int, months);
    QFETCH(int, days);
    QFETCH(QDate, harvestEnd);
    QFETCH(QDate, housing);
    QFETCH(QDate, cooling);

    Window w(Standard, bmGrond, season);
    w.harvestEnd(start);
    w.core.MoveHarvestEnd(months, days);

    QCOMPARE(w.harvestEnd(), harvestEnd);
    QCOMPARE(w.date(I), housing);
    QCOMPARE(w.date(K), cooling);
    QCOMPARE(w.date(I).addDays(w.core.Ical().Period() - 1), harvestEnd);
    QCOMPARE(w.date(K).addDays(w.core.Kcal().Period()), housing);
    QCOMPARE(w.core.MessageLevel(), 0);
}

void TestScheduleCore::harvestEndButtonsNeedAHarvestEnd()
{
    // No greenhouse days: the first calculation cannot set a harvest end.
    Window w(R"({"Dk_p1": 105})");
    QVERIFY(!w.core.hasHarvestEnd());
    const QDate housing = w.date(I);
    w.beeps.clear();
    w.core.setFocusedCalendar(ScheduleCalendar::None);
    w.core.MoveHarvestEnd(0, 1);
    QVERIFY(!w.core.hasHarvestEnd());
    QCOMPARE(w.date(I), housing);
    QCOMPARE(w.beeps.size(), 0);
}

void TestScheduleCore::oneBeepPerChain_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<ScheduleCalendar>("moved");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("level");
    QTest::addColumn<QStringList>("memo");

    // Neither cold nor greenhouse days for the housing date: two errors.
    QTest::newRow("two errors") << QByteArray(R"({"Dk_p4": 84, "Kd_p4": 18})") << I
                                << QDate(2024, 12, 1) << 2
                                << missingPeriodError(QStringLiteral("tot 17/12"));
    // The warning for 26 March, then period 4's greenhouse days are missing.
    QTest::newRow("warning, then error")
        << QByteArray(R"({"Dk_p1": 84, "Dk_p2": 84, "Dk_p3": 84, "Dk_p4": 84, "Kd_p1": 28})") << K
        << QDate(2025, 1, 1) << 2 << missingPeriodError(QStringLiteral("25/2-24/3"));
}

void TestScheduleCore::oneBeepPerChain()
{
    QFETCH(QByteArray, record);
    QFETCH(ScheduleCalendar, moved);
    QFETCH(QDate, date);
    QFETCH(int, level);
    QFETCH(QStringList, memo);

    Window w(record);
    w.beeps.clear();
    w.move(moved, date);
    QCOMPARE(w.core.MessageLevel(), level);
    QCOMPARE(w.core.EMemoLines(), memo);
    QCOMPARE(w.beeps, (QList<QPair<int, int>>{{1800, 100}}));

    // The next chain starts at level 0 and beeps again.
    w.move(moved, date.addDays(1));
    QCOMPARE(w.beeps.size(), 2);
}

void TestScheduleCore::adjustHousingToData_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QDate>("housing");
    QTest::addColumn<QDate>("cooling");

    const QByteArray kd = R"("Kd_p1": 28, "Kd_p2": 24, "Kd_p3": 21, "Kd_p4": 18)";
    QTest::newRow("period 1 without data: first day of period 2")
        << QDate(2024, 10, 15) << "{\"Dk_p2\": 98, \"Dk_p3\": 91, \"Dk_p4\": 84, " + kd + "}"
        << QDate(2024, 12, 17) << QDate(2024, 9, 10);
    QTest::newRow("period 3 without data: last day of period 2")
        << QDate(2025, 2, 10) << "{\"Dk_p1\": 105, \"Dk_p2\": 98, " + kd + "}" << QDate(2025, 1, 24)
        << QDate(2024, 10, 18);
    QTest::newRow("period 3 without data: first day of period 4")
        << QDate(2025, 2, 10) << "{\"Dk_p4\": 84, " + kd + "}" << QDate(2025, 2, 25)
        << QDate(2024, 12, 3);
    QTest::newRow("period with data: today stays")
        << QDate(2025, 2, 10) << QByteArray(Standard) << QDate(2025, 2, 10) << QDate(2024, 11, 11);
    QTest::newRow("after 24 March: today stays")
        << QDate(2025, 4, 1) << "{\"Dk_p1\": 105, " + kd + "}" << QDate(2025, 4, 1) << QDate();
}

void TestScheduleCore::adjustHousingToData()
{
    QFETCH(QDate, today);
    QFETCH(QByteArray, record);
    QFETCH(QDate, housing);
    QFETCH(QDate, cooling);

    setToday(today);
    Window w(record);
    QCOMPARE(w.date(I), housing);
    QCOMPARE(w.core.focusedCalendar(), I);
    QVERIFY(w.core.hasHarvestEnd());
    if (cooling.isValid())
        QCOMPARE(w.date(K), cooling);
    else
        QCOMPARE(w.caption(K), ScheduleCore::MissingDataText);
}

void TestScheduleCore::adjustHousingFailureShowsKpp1()
{
    ScopedScriptedPrompts prompts;
    BrokenRecord record;
    record.setCultivarName(QStringLiteral("Apeldoorn"));
    record.set(QStringLiteral("Dk_p1"), 105);
    Window w(&record, 2024);
    QCOMPARE(prompts->shown().size(), 0);

    record.broken = true;
    w.core.FormActivate();
    QCOMPARE(prompts->shown().size(), 1);
    QCOMPARE(prompts->shown().at(0).kind, UserPrompts::Kind::Warning);
    QCOMPARE(prompts->shown().at(0).buttons, int(UserPrompts::Ok));
    QCOMPARE(prompts->shown().at(0).text,
             QStringLiteral("Error KPP 1\r\nFout bij veranderen Cultivar Apeldoorn, geen G "
                            "stadium gegevens\rMeld deze foutmelding bij Zandhof Services SVP"));
}

void TestScheduleCore::showingWithoutActivationCalculatesNothing()
{
    ScheduleCore core;
    ForcingValues record = parseRecord(Standard);
    core.setRecord(&record);
    core.FormShow(2024);

    QCOMPARE(core.SeizoenText(), QStringLiteral("2024/2025"));
    QCOMPARE(ToQDate(core.Gcal().Date()), QDate(2024, 9, 15));
    QCOMPARE(ToQDate(core.Kcal().Date()), QDate(2024, 10, 15));
    QCOMPARE(ToQDate(core.Ical().Date()), QDate(2024, 10, 15));
    QVERIFY(!core.hasHarvestEnd());
    QCOMPARE(core.focusedCalendar(), ScheduleCalendar::None);
}

void TestScheduleCore::setSeasonWhileActive()
{
    ForcingValues record = parseRecord(Standard);
    record.set(QStringLiteral("DnaG20"), 21);
    Window w(&record, 2024);
    w.core.SetSeason(2025);

    QCOMPARE(w.core.SeizoenText(), QStringLiteral("2025/2026"));
    QCOMPARE(w.core.focusedCalendar(), G);
    for (const auto which : {G, K, I}) {
        QCOMPARE(ToQDate(w.core.calendar(which).StartDate()), QDate(2025, 1, 1));
        QCOMPARE(ToQDate(w.core.calendar(which).EndDate()), QDate(2026, 12, 31));
    }
    // From the G-stage on 15 September: 21 days after G, then period 2 of the new season.
    QCOMPARE(w.date(G), QDate(2025, 9, 15));
    QCOMPARE(w.date(K), QDate(2025, 10, 6));
    QCOMPARE(w.date(I), QDate(2026, 1, 12));
    QCOMPARE(w.harvestEnd(), QDate(2026, 2, 4));
}

void TestScheduleCore::defaultSeason_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("season");
    QTest::newRow("15 March") << QDate(2025, 3, 15) << 2024;
    QTest::newRow("31 March") << QDate(2025, 3, 31) << 2024;
    QTest::newRow("1 April") << QDate(2025, 4, 1) << 2025;
    QTest::newRow("15 April") << QDate(2025, 4, 15) << 2025;
    QTest::newRow("31 December") << QDate(2024, 12, 31) << 2024;
    QTest::newRow("1 January") << QDate(2025, 1, 1) << 2024;
}

void TestScheduleCore::defaultSeason()
{
    QFETCH(QDate, today);
    QFETCH(int, season);
    QCOMPARE(ScheduleCore::DefaultSeasonYear(today), season);
}

void TestScheduleCore::periodTableBinding_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("field");
    QTest::newRow("soil wk3") << 0 << "wk3"
                              << "Dk_p3";
    QTest::newRow("no method kd4") << -1 << "kd4"
                                   << "Kd_p4";
    QTest::newRow("water kd2") << 1 << "kd2"
                               << "Kd_p2_w";
    QTest::newRow("water WnaG") << 1 << "WnaG"
                                << "DnaG20_w";
    QTest::newRow("ice wk1 unbound") << 2 << "wk1"
                                     << "";
    QTest::newRow("ice wk4") << 2 << "wk4"
                             << "Dk_p_ice";
    QTest::newRow("ice kd4") << 2 << "kd4"
                             << "Kd_p_ice";
}

void TestScheduleCore::periodTableBinding()
{
    QFETCH(int, method);
    QFETCH(QString, cell);
    QFETCH(QString, field);
    QCOMPARE(PeriodTable::BoundField(cell, method), field);
}

QTEST_APPLESS_MAIN(TestScheduleCore)
#include "tst_schedulecore.moc"
