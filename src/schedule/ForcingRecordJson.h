#pragma once

#include "ForcingRecord.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace kasplan {

// Reads a cultivar-size record from a JSON object of Csizes field values by
// name: the day fields (DnaG20, Dk_p1 .. Kd_p4, the "_w" and "_ice" ones) as
// whole days, Gstagemin as "dd/mm", Cultivar as text. A missing key or null
// is a null field; other keys are ignored. On a malformed record the result
// is empty and error says why, in one line.
std::optional<ForcingValues> ForcingRecordFromJson(const QByteArray& json, QString& error);

} // namespace kasplan
