#pragma once

#include "schedule/ScheduleCommand.h"

namespace kasplan {

// Reads a size record for `kasplan schedule --cultivar` from the cultivar
// database the program would use: the location chosen by the settings, with
// the same fallback to the standard database, which is created on a first
// start. Unlike the window it writes no setting back when a location fails.
// Throws std::runtime_error with one line: the reason, and for a database
// that cannot be opened the window's message, the engine's reason and the
// file.
ForcingValues ReadCultivarRecordFromDatabase(const CultivarRecordQuery& query);

} // namespace kasplan
