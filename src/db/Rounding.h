#pragma once

#include <cmath>

namespace kasplan {

// Rounds to the nearest whole number, an exact half to the even neighbour
// (2.5 gives 2, 3.5 gives 4), as the stored figures have always been rounded.
inline double RoundHalfEven(double x)
{
    const double nearest = std::round(x); // halves away from zero
    if (std::fabs(nearest - x) == 0.5)
        return 2.0 * std::round(x / 2.0);
    return nearest;
}

} // namespace kasplan
