#pragma once

#include <QStringList>
#include <QTextStream>

namespace kasplan {

// kasplan report cultivars --pdf FILE [--hoofdgroep N] [--units weeks|days]
//
// Writes the cultivar list, as the cultivar data window prints it (forcing
// data on), straight into a PDF file, from the database the program would
// open and without a display. --hoofdgroep limits the list to one main group
// (1 to 10, or its abbreviation such as TU); --units shows the week-or-day
// fields in weeks or days instead of the units of the settings. arguments
// are those after "report". Answers 0 when the file was written, 2 with one
// line on err for bad arguments, an unknown main group, a database that
// cannot be read or a file that cannot be written; the file is then left as
// it was.
int runReportCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

// "Gebruik: kasplan report ...", the line a refusal ends with.
QString ReportCommandUsage();

} // namespace kasplan
