#pragma once

#include <QStringList>
#include <QTextStream>

namespace kasplan {

// Commands that run without a window. Each returns the process exit code;
// runCommand answers -1 when the arguments name no such command, so the
// windowed program starts.
int runCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

// True when Qt can open windows here; without a display it would abort.
bool displayAvailable();

} // namespace kasplan
