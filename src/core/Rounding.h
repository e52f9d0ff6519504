#pragma once

#include <cmath>

namespace kasplan {

// The nearest whole number, halves to the even neighbour (0.5 -> 0, 1.5 -> 2,
// 2.5 -> 2): the rounding the program uses for positions and day counts.
// Values beyond [lowest, highest] are limited to that range first, so any
// double, even NaN (taken as lowest), gives a defined int.
inline int roundHalfEven(double value, int lowest, int highest)
{
    if (!(value >= lowest))
        return lowest;
    if (value >= highest)
        return highest;
    const double whole = std::floor(value);
    const double fraction = value - whole;
    double result = whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        result = whole + 1.0;
    return static_cast<int>(result);
}

} // namespace kasplan
