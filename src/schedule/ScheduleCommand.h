#pragma once

#include "ForcingRecord.h"

#include <QStringList>
#include <QTextStream>

#include <functional>
#include <optional>

namespace kasplan {

class ScheduleCore;

// The size record that `--cultivar NAME --size SIZE [--source SOURCE]` asks for.
struct CultivarRecordQuery
{
    QString cultivar;
    QString size;
    std::optional<QString> source; // not given: the cultivar's only source with that size
};

// Reads the forcing parameters of a size record from the cultivar database in
// use. Throws std::runtime_error with a one-line reason when the cultivar,
// source or size does not exist or the database cannot be read.
using CultivarRecordSource = std::function<ForcingValues(const CultivarRecordQuery&)>;

// kasplan schedule [--season YEAR] [--method grond|water|ijstulpen]
//                  (--record FILE | --cultivar NAME --size SIZE [--source SOURCE])
//                  [--today YYYY-MM-DD] [ACTION ...]
//
// Runs the schedule as a shown and active main window does (start on today,
// show, first activation), then each action as the user would do it, and
// prints the resulting schedule as one JSON object. arguments are those after
// "schedule". Answers 0 when a schedule was printed, 2 with one line on err
// for bad arguments, an unreadable or malformed record, a size record that is
// not in the database, or an impossible date. Without a cultivarSource the
// --cultivar form is refused.
int runScheduleCommand(const QStringList& arguments, QTextStream& out, QTextStream& err,
                       const CultivarRecordSource& cultivarSource = {});

// How the command is called, as the lines that `kasplan schedule --help`
// prints below "Gebruik:"; a refusal gives them on one line.
QStringList ScheduleSynopsis();

// The schedule's state as the command prints it (one line, without newline).
QString ScheduleStateJson(const ScheduleCore& core);

} // namespace kasplan
