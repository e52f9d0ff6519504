#include "ForcingPeriods.h"

namespace kasplan {

TBroeiMethode BroeiMethodeOf(int index)
{
    switch (index) {
    case bmWater:
        return bmWater;
    case bmIJstulpen:
        return bmIJstulpen;
    default:
        return bmGrond;
    }
}

QString MethodSuffix(int method)
{
    switch (BroeiMethodeOf(method)) {
    case bmWater:
        return QStringLiteral("_w");
    case bmIJstulpen:
        return QStringLiteral("_ice");
    case bmGrond:
        break;
    }
    return {};
}

QString PeriodFieldName(const QString& base, int k, int method)
{
    switch (BroeiMethodeOf(method)) {
    case bmWater:
        return base + QString::number(k) + QStringLiteral("_w");
    case bmIJstulpen:
        return base + QStringLiteral("_ice");
    case bmGrond:
        break;
    }
    return base + QString::number(k);
}

QString DnaG20FieldName(int method)
{
    return QStringLiteral("DnaG20") + MethodSuffix(method);
}

int DnaG20Value(const ForcingRecord& record, int method)
{
    return record.intValue(DnaG20FieldName(method));
}

QString PeriodLabel(int k)
{
    switch (k) {
    case 1:
        return QStringLiteral("tot 17/12");
    case 2:
        return QStringLiteral("17/12-24/1");
    case 3:
        return QStringLiteral("25/1-24/2");
    case 4:
        return QStringLiteral("25/2-24/3");
    default:
        return {};
    }
}

void ForcingPeriods::SetPeriodDates(int seasonYear)
{
    m_seasonYear = seasonYear;
    m_boundaries[0] = EncodeDate(seasonYear, 12, 17);
    m_boundaries[1] = EncodeDate(seasonYear + 1, 1, 25);
    m_boundaries[2] = EncodeDate(seasonYear + 1, 2, 25);
    m_boundaries[3] = EncodeDate(seasonYear + 1, 3, 25);
}

int ForcingPeriods::PeriodPosition(int k, TDate d) const
{
    if (k <= 1)
        return before(d, 1) ? 0 : 1;
    if (k <= 4) {
        if (!before(d, k))
            return 1;
        return before(d, k - 1) ? -1 : 0;
    }
    return before(d, 4) ? -1 : 0;
}

int ForcingPeriods::PeriodOfDate(TDate d) const
{
    for (int k = 1; k <= 4; ++k) {
        if (PeriodPosition(k, d) == 0)
            return k;
    }
    return 5;
}

TDate ForcingPeriods::GstageminInSeason(TDate gstagemin) const
{
    int y, m, d;
    DecodeDate(gstagemin, y, m, d);
    return EncodeDate(m_seasonYear, m, std::min(d, DaysInMonth(m_seasonYear, m)));
}

} // namespace kasplan
