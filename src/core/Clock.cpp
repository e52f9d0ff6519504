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

} // namespace kasplan
