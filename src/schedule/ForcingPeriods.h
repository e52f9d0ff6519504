#pragma once

#include "DateUtils.h"
#include "ForcingRecord.h"

#include <QString>

namespace kasplan {

// The forcing method: the item index of the main window's method list.
// Any other index (no item selected) behaves as soil.
enum TBroeiMethode { bmGrond = 0, bmWater = 1, bmIJstulpen = 2 };

// The method an item index stands for.
TBroeiMethode BroeiMethodeOf(int index);
// The field-name suffix of a method: "", "_w" or "_ice".
QString MethodSuffix(int method);

// "Dk_p3", "Kd_p2_w", "Dk_p_ice": the parameter field of housing period k.
QString PeriodFieldName(const QString& base, int k, int method);
// "DnaG20", "DnaG20_w" or "DnaG20_ice".
QString DnaG20FieldName(int method);
// Days at 20 °C after the G-stage for the method; a null field is 0.
int DnaG20Value(const ForcingRecord& record, int method);

// The label of housing period k (1..4), empty text for any other k.
QString PeriodLabel(int k);

// The four housing periods of one season and where a date falls in them.
class ForcingPeriods
{
public:
    // Dates closer than this below a boundary count as the boundary day.
    static constexpr double Tolerance = 0.001;

    // Sets the boundaries B1..B4 for the season starting in year Y.
    void SetPeriodDates(int seasonYear);

    int seasonYear() const { return m_seasonYear; }
    // Boundary Bk (k = 1..4).
    TDate boundary(int k) const { return m_boundaries[k - 1]; }

    // -1 before period k, 0 inside it, +1 after it.
    int PeriodPosition(int k, TDate d) const;
    // 1..4, or 5 on and after B4.
    int PeriodOfDate(TDate d) const;

    // Gstagemin's day and month in the season's start year, the day limited
    // to that month's length.
    TDate GstageminInSeason(TDate gstagemin) const;

private:
    bool before(TDate d, int k) const { return d < boundary(k) - Tolerance; }

    int m_seasonYear = 0;
    TDate m_boundaries[4] = {0, 0, 0, 0};
};

} // namespace kasplan
