#pragma once

#include <QStringList>
#include <QTextStream>

namespace kasplan {

// `kasplan import paradox FOLDER [--dry-run] [--skip-bad] [--codepage N]`:
// takes the old cultivar tables of FOLDER into the database the program would
// open, prints a summary per table and answers the exit code: 0 when the
// tables were taken (or, with --dry-run, would be), 2 when the arguments are
// wrong, a table is damaged, a record breaks a rule (without --skip-bad) or
// the database cannot be opened or written. arguments start after "import".
int runParadoxImportCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

// "Gebruik: kasplan import paradox ...", the line a refusal ends with.
QString ParadoxImportUsage();

} // namespace kasplan
