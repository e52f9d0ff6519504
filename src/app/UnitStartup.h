#pragma once

#include <memory>

namespace kasplan {

class RunningCopyLock;

// The start-up work that comes before any window: fixes AppFileVersion and
// the program folders, creates "temp" and "backups", and — when no other copy
// runs from the same folder — deletes the stale engine lock files and empties
// "PrivDir". Reports nothing; what cannot be created or deleted is passed
// over. The answer marks this copy as running for as long as it is kept.
std::unique_ptr<RunningCopyLock> UnitStartup();

} // namespace kasplan
