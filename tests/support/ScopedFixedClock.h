#pragma once

#include "core/Clock.h"

namespace kasplan {

// Installs a fixed clock for the lifetime of a scope (tests).
class ScopedFixedClock
{
public:
    explicit ScopedFixedClock(QDate today);
    explicit ScopedFixedClock(QDateTime now);
    ~ScopedFixedClock();
    ScopedFixedClock(const ScopedFixedClock&) = delete;
    ScopedFixedClock& operator=(const ScopedFixedClock&) = delete;
};

} // namespace kasplan
