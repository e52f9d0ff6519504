#pragma once

#include "schedule/ScheduleCommand.h"

namespace kasplan {

// Reads a size record for `kasplan schedule --cultivar` from the cultivar
// database the program would use: the location chosen by the settings, with
// the same fallback to the standard database, which is created on a first
// start. Throws std::runtime_error with a one-line Dutch reason.
ForcingValues ReadCultivarRecordFromDatabase(const CultivarRecordQuery& query);

} // namespace kasplan
