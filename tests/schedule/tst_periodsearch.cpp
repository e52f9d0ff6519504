#include "schedule/PeriodSearch.h"

#include <QTest>

using namespace kasplan;

using Outcome = PeriodSearchResult::Outcome;
Q_DECLARE_METATYPE(PeriodValues)
Q_DECLARE_METATYPE(Outcome)

class TestPeriodSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { periods.SetPeriodDates(2024); }
    void search_data();
    void search();

private:
    ForcingPeriods periods;
};

namespace {

constexpr std::nullopt_t null = std::nullopt;

PeriodValues values(std::optional<int> p1, std::optional<int> p2, std::optional<int> p3,
                    std::optional<int> p4)
{
    return {p1, p2, p3, p4};
}

} // namespace

void TestPeriodSearch::search_data()
{
    QTest::addColumn<PeriodValues>("values");
    QTest::addColumn<int>("sign");
    QTest::addColumn<QDate>("x");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<int>("period");
    QTest::addColumn<bool>("twoPeriods");
    QTest::addColumn<int>("days");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("afterLastPeriod");

    const auto cold = values(105, 98, 91, 84);
    const auto greenhouse = values(28, 24, 21, 18);
    const QDate none;

    // Candidates 14 Jan (+1), 7 Jan (0), 31 Dec (-1), 24 Dec (-1).
    QTest::newRow("forward, one consistent period")
        << cold << 1 << QDate(2024, 10, 1) << Outcome::Found << 2 << false << 98
        << QDate(2025, 1, 7) << false;
    // x = harvest end + 1; candidates 3 Jan (+1), 7 Jan (0), 10 Jan (-1), 13 Jan (-1).
    QTest::newRow("backward, one consistent period")
        << greenhouse << -1 << QDate(2025, 1, 31) << Outcome::Found << 2 << false << -24
        << QDate(2025, 1, 7) << false;
    // 22 Dec (+1 for period 1), 8 Dec (-1 for period 2): the boundary.
    QTest::newRow("boundary of periods 1 and 2 averages")
        << values(112, 98, 91, 84) << 1 << QDate(2024, 9, 1) << Outcome::Found << 2 << true << 105
        << QDate(2024, 12, 15) << false;
    // 17 Dec (+1) and 16 Dec (-1): (98 + 97) / 2 drops the half day.
    QTest::newRow("odd sum truncates forward")
        << values(98, 97, null, null) << 1 << QDate(2024, 9, 10) << Outcome::Found << 2 << true
        << 97 << QDate(2024, 12, 16) << false;
    // 25 Jan (+1 for period 2) and 24 Jan (-1 for period 3) straddle their boundary:
    // -(25 + 26) / 2 truncates toward zero to -25.
    QTest::newRow("odd sum truncates toward zero backward")
        << values(null, 25, 26, null) << -1 << QDate(2025, 2, 19) << Outcome::Found << 3 << true
        << -25 << QDate(2025, 1, 25) << false;
    // 7 Jan (0 for period 2) and 29 Jan (0 for period 3) are both consistent.
    QTest::newRow("two neighbours average")
        << values(105, 98, 120, 130) << 1 << QDate(2024, 10, 1) << Outcome::Found << 3 << true
        << 109 << QDate(2025, 1, 18) << false;
    // 20 Nov (0 for period 1) and 29 Jan (0 for period 3), period 2 in between is not.
    QTest::newRow("two non-neighbours are inconsistent")
        << values(50, 60, 120, 130) << 1 << QDate(2024, 10, 1) << Outcome::Inconsistent << 0
        << false << 0 << none << false;
    QTest::newRow("three consistent are inconsistent")
        << values(50, 98, 120, 130) << 1 << QDate(2024, 10, 1) << Outcome::Inconsistent << 0
        << false << 0 << none << false;
    QTest::newRow("all four null") << values(null, null, null, null) << 1 << QDate(2024, 10, 1)
                                   << Outcome::AllMissing << 0 << false << 0 << none << false;
    // Only period 4 has data and its candidate (24 Dec) lies before it.
    QTest::newRow("only period 4, candidate before it: period 3 missing")
        << values(null, null, null, 84) << 1 << QDate(2024, 10, 1) << Outcome::MissingPeriod << 3
        << false << 0 << none << false;
    // Period 2's candidate (8 Dec) lies before period 2 and period 1 has no data.
    QTest::newRow("period 1 missing") << values(null, 68, 91, 84) << 1 << QDate(2024, 10, 1)
                                      << Outcome::MissingPeriod << 1 << false << 0 << none << false;
    QTest::newRow("period 2 missing after period 1")
        << values(105, null, 200, 200) << 1 << QDate(2024, 10, 1) << Outcome::MissingPeriod << 2
        << false << 0 << none << false;
    // 1 Jan + 84 = 26 March: every candidate after its period.
    QTest::newRow("after 24 March uses period 4")
        << values(84, 84, 84, 84) << 1 << QDate(2025, 1, 1) << Outcome::Found << 4 << false << 84
        << QDate(2025, 3, 26) << true;
    QTest::newRow("period 4 missing after period 3")
        << values(84, 84, 84, null) << 1 << QDate(2025, 1, 1) << Outcome::MissingPeriod << 4
        << false << 0 << none << false;
    QTest::newRow("25 March exactly is after period 4")
        << values(null, null, null, 83) << 1 << QDate(2025, 1, 1) << Outcome::Found << 4 << false
        << 83 << QDate(2025, 3, 25) << true;
    QTest::newRow("24 March is inside period 4")
        << values(null, null, null, 82) << 1 << QDate(2025, 1, 1) << Outcome::Found << 4 << false
        << 82 << QDate(2025, 3, 24) << false;
}

void TestPeriodSearch::search()
{
    QFETCH(PeriodValues, values);
    QFETCH(int, sign);
    QFETCH(QDate, x);
    QFETCH(Outcome, outcome);
    QFETCH(int, period);
    QFETCH(bool, twoPeriods);
    QFETCH(int, days);
    QFETCH(QDate, date);
    QFETCH(bool, afterLastPeriod);

    const PeriodSearchResult r = SearchHousingPeriod(periods, values, sign, FromQDate(x));
    QCOMPARE(r.outcome, outcome);
    QCOMPARE(r.period, period);
    if (outcome != Outcome::Found)
        return;
    QCOMPARE(r.twoPeriods, twoPeriods);
    QCOMPARE(r.days, days);
    QCOMPARE(ToQDate(r.date), date);
    QCOMPARE(r.afterLastPeriod, afterLastPeriod);
}

QTEST_APPLESS_MAIN(TestPeriodSearch)
#include "tst_periodsearch.moc"
