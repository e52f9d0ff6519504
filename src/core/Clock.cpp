#include "Clock.h"

namespace kasplan {

namespace {
std::unique_ptr<Clock>& installedClock()
{
    static std::unique_ptr<Clock> clock;
    return clock;
}
} // namespace

const Clock& Clock::current()
{
    static const SystemClock systemClock;
    const auto& installed = installedClock();
    return installed ? *installed : static_cast<const Clock&>(systemClock);
}

void Clock::install(std::unique_ptr<Clock> clock)
{
    installedClock() = std::move(clock);
}

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
