#pragma once

#include <QStringList>
#include <QTextStream>

namespace kasplan {

class ScheduleCore;

// kasplan schedule [--season YEAR] [--method grond|water|ijstulpen] --record FILE
//                  [--today YYYY-MM-DD] [ACTION ...]
//
// Runs the schedule as a shown and active main window does (start on today,
// show, first activation), then each action as the user would do it, and
// prints the resulting schedule as one JSON object. arguments are those after
// "schedule". Answers 0 when a schedule was printed, 2 with one line on err
// for bad arguments, an unreadable or malformed record or an impossible date.
int runScheduleCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

// The schedule's state as the command prints it (one line, without newline).
QString ScheduleStateJson(const ScheduleCore& core);

} // namespace kasplan
