#pragma once

#include <QStringList>
#include <QTextStream>

namespace kasplan {

// kasplan export cultivars|sizes [--hoofdgroep N] [--format tsv|csv]
//                                [--output FILE]
//
// Writes the cultivar list (the lines its clipboard export gives) or one
// line per cultivar size with its forcing fields, from the database the
// program would open and without a display. --hoofdgroep limits it to the
// cultivars of one main group (0, every group, to 10, or an abbreviation);
// --format tsv (the default) is the clipboard's text, csv is RFC 4180, both
// UTF-8 with CR LF line ends; --output writes a file (replaced only when
// complete) instead of standard output. arguments are those after "export".
// Answers 0 when everything is written, 2 with one line on err for bad
// arguments, an unknown main group, a database that cannot be read or an
// output that cannot be written; nothing is written then.
// What `kasplan export --help` prints.
QString ExportCommandUsage();

int runExportCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace kasplan
