#pragma once

#include <QString>

namespace kasplan {

// Tells a starting copy of the program whether other copies run from the same
// program folder. Every running copy holds a shared lock on one file there;
// the lock goes with the process, also when it crashes.
//
// The start-up cleans the program folder only when it is the only copy: here,
// unlike on the platform the clean-up was made for, a file another copy
// holds open can still be deleted, so "in use" cannot protect it.
class RunningCopyLock
{
public:
    static constexpr const char* fileName = "kasplan-running.lck";

    explicit RunningCopyLock(const QString& appDir);
    ~RunningCopyLock();
    RunningCopyLock(const RunningCopyLock&) = delete;
    RunningCopyLock& operator=(const RunningCopyLock&) = delete;

    // True when no other copy holds the lock, or when the lock file cannot be
    // made (then nobody can tell, and the folder is cleaned as before).
    // Call once, before Share().
    bool IsOnlyCopy();
    // From now on this copy counts as running.
    void Share();

private:
    int m_fd = -1;
};

} // namespace kasplan
