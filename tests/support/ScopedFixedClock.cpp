#include "ScopedFixedClock.h"

namespace kasplan {

ScopedFixedClock::ScopedFixedClock(QDate today)
{
    Clock::install(std::make_unique<FixedClock>(today));
}

ScopedFixedClock::ScopedFixedClock(QDateTime now)
{
    Clock::install(std::make_unique<FixedClock>(std::move(now)));
}

ScopedFixedClock::~ScopedFixedClock()
{
    Clock::install(nullptr);
}

} // namespace kasplan
