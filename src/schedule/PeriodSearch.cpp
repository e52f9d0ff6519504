#include "PeriodSearch.h"

namespace kasplan {

namespace {

// Status of a period whose field is null.
constexpr int NoData = -100;

class Search
{
public:
    Search(const ForcingPeriods& periods, const PeriodValues& values, int sign, TDate x)
        : m_values(values), m_sign(sign), m_x(x)
    {
        for (int k = 1; k <= 4; ++k) {
            if (!values[k - 1])
                m_status[k] = NoData;
            else
                m_status[k] = periods.PeriodPosition(k, x + sign * value(k));
        }
    }

    PeriodSearchResult run() const
    {
        int consistent = 0;
        int only = 0;
        for (int k = 1; k <= 4; ++k) {
            if (m_status[k] == 0) {
                ++consistent;
                only = k;
            }
        }
        switch (consistent) {
        case 0:
            return noneConsistent();
        case 1:
            return single(only);
        case 2:
            for (int k = 2; k <= 4; ++k) {
                if (m_status[k - 1] == 0 && m_status[k] == 0)
                    return averaged(k);
            }
            return outcome(PeriodSearchResult::Outcome::Inconsistent);
        default:
            return outcome(PeriodSearchResult::Outcome::Inconsistent);
        }
    }

private:
    int value(int k) const { return *m_values[k - 1]; }
    int status(int k) const { return m_status[k]; }

    // No candidate lies in its own period: the housing date is on a boundary,
    // past the last period, or in a period without data. The first rule
    // that applies, in period order, decides.
    PeriodSearchResult noneConsistent() const
    {
        if (status(1) == NoData && status(2) == -1)
            return missing(1);
        for (int k = 2; k <= 3; ++k) {
            if (status(k - 1) == 1 && status(k) == -1)
                return averaged(k);
            if (status(k) == NoData && (status(k - 1) == 1 || status(k + 1) == -1))
                return missing(k);
        }
        if (status(3) == 1 && status(4) == -1)
            return averaged(4);
        if (status(4) == NoData) {
            if (status(3) == 1)
                return missing(4);
        } else if (status(4) == 1) {
            PeriodSearchResult r = single(4);
            r.afterLastPeriod = true;
            return r;
        }
        bool allMissing = true;
        for (int k = 1; k <= 4; ++k)
            allMissing = allMissing && status(k) == NoData;
        return outcome(allMissing ? PeriodSearchResult::Outcome::AllMissing
                                  : PeriodSearchResult::Outcome::Inconsistent);
    }

    PeriodSearchResult single(int k) const
    {
        PeriodSearchResult r = outcome(PeriodSearchResult::Outcome::Found);
        r.period = k;
        r.days = m_sign * value(k);
        r.date = m_x + r.days;
        return r;
    }

    // The mean of periods k − 1 and k, the half day dropped toward zero.
    PeriodSearchResult averaged(int k) const
    {
        PeriodSearchResult r = outcome(PeriodSearchResult::Outcome::Found);
        r.period = k;
        r.twoPeriods = true;
        r.days = TwoPeriodDays(m_sign, value(k - 1), value(k));
        r.date = m_x + r.days;
        return r;
    }

    PeriodSearchResult missing(int k) const
    {
        PeriodSearchResult r = outcome(PeriodSearchResult::Outcome::MissingPeriod);
        r.period = k;
        return r;
    }

    static PeriodSearchResult outcome(PeriodSearchResult::Outcome o)
    {
        PeriodSearchResult r;
        r.outcome = o;
        return r;
    }

    const PeriodValues& m_values;
    int m_sign;
    TDate m_x;
    int m_status[5] = {0, 0, 0, 0, 0}; // indexed by period 1..4
};

} // namespace

int TwoPeriodDays(int sign, int earlier, int later)
{
    // Integer division truncates toward zero, whichever the sign.
    return sign * (earlier + later) / 2;
}

PeriodSearchResult SearchHousingPeriod(const ForcingPeriods& periods, const PeriodValues& values,
                                       int sign, TDate x)
{
    return Search(periods, values, sign, x).run();
}

} // namespace kasplan
