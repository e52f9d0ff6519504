#pragma once

#include <QString>

namespace kasplan {

// The main group a command's --hoofdgroep names: a number from lowest (0 for
// "every group", where the command allows it, or 1) to 10, or the group's
// abbreviation (TU, NA, ...) in any case. Throws std::runtime_error with a
// one-line Dutch reason for anything else.
int MainGroupArgument(const QString& text, int lowest);

} // namespace kasplan
