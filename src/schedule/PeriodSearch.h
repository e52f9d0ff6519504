#pragma once

#include "DateUtils.h"
#include "ForcingPeriods.h"

#include <array>
#include <optional>

namespace kasplan {

// What the search for a consistent housing period found.
struct PeriodSearchResult
{
    enum class Outcome {
        Found,         // period, days and date hold the housing date
        MissingPeriod, // period names the housing period whose data are needed but null
        AllMissing,    // no period has data
        Inconsistent,  // several periods, or two that are not neighbours, are consistent
    };

    Outcome outcome = Outcome::Inconsistent;
    // Found on or after 25 March with period 4's values standing in.
    bool afterLastPeriod = false;
    int period = 0;
    // The days are the average of period and the period before it.
    bool twoPeriods = false;
    // Signed: sign × the period's value (or the truncated average).
    int days = 0;
    TDate date = 0;

    bool found() const { return outcome == Outcome::Found; }
};

// The days of two neighbouring periods averaged: sign × (earlier + later) / 2,
// the half day dropped toward zero (203 gives 101, −203 gives −101).
int TwoPeriodDays(int sign, int earlier, int later);

// The parameter of each housing period 1..4; nullopt when the field is null.
using PeriodValues = std::array<std::optional<int>, 4>;

// The number of days, and so the housing date, depends on the housing period,
// which depends on the housing date. Tries every period's own value from x
// (candidate = x + sign × value) and settles which period is consistent with
// its candidate, averaging two neighbours when the housing date falls on
// their boundary. Pure: reporting is left to the caller.
PeriodSearchResult SearchHousingPeriod(const ForcingPeriods& periods, const PeriodValues& values,
                                       int sign, TDate x);

} // namespace kasplan
