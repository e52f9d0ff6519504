#pragma once

#include <QDate>
#include <QDateTime>

#include <memory>

namespace kasplan {

// "Today" and "now" for the whole program. Tests and the schedule command
// install a fixed clock so that results never depend on the day they run.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }

    // The clock in use; the system clock unless one was installed.
    static const Clock& current();
    // Installs a clock (takes ownership); nullptr restores the system clock.
    static void install(std::unique_ptr<Clock> clock);
};

class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// A clock that stands still until told otherwise.
class FixedClock : public Clock
{
public:
    explicit FixedClock(QDateTime now) : m_now(std::move(now)) {}
    explicit FixedClock(QDate today) : m_now(today.startOfDay()) {}
    QDateTime now() const override { return m_now; }
    void set(QDateTime now) { m_now = std::move(now); }

private:
    QDateTime m_now;
};

} // namespace kasplan
