#include "ForcingRecord.h"

#include <cmath>

namespace kasplan {

int ForcingRecord::intValue(const QString& field) const
{
    const auto v = value(field);
    return v ? static_cast<int>(std::lround(*v)) : 0;
}

std::optional<double> ForcingValues::value(const QString& field) const
{
    const auto it = m_values.constFind(field);
    if (it == m_values.constEnd())
        return std::nullopt;
    return *it;
}

} // namespace kasplan
