#include "CultivarFilter.h"

namespace kasplan::CultivarFilter {

QString HoofdgroepFilterText(int n)
{
    if (n <= 0)
        return {};
    return QStringLiteral("(Hoofdgroep = '%1')").arg(n);
}

bool Accepts(bool voorraadOnly, bool pgVoorraadOnly, bool pgVoorraad, bool broeiVoorraad)
{
    if (!voorraadOnly && !pgVoorraadOnly)
        return true;
    return (pgVoorraadOnly && pgVoorraad) || (voorraadOnly && broeiVoorraad);
}

bool FilterOn(const QString& filterText, bool voorraadOnly, bool pgVoorraadOnly)
{
    return !filterText.isEmpty() || voorraadOnly || pgVoorraadOnly;
}

QString CountText(int shown)
{
    return QStringLiteral("Totaal %1 Cultivars").arg(shown);
}

} // namespace kasplan::CultivarFilter
