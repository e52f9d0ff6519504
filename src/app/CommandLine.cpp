#include "CommandLine.h"

#include "DatabaseRecordSource.h"
#include "ExportCommand.h"
#include "ParadoxImportCommand.h"
#include "ReportCommand.h"

#include "core/Version.h"
#include "schedule/ScheduleCommand.h"

namespace kasplan {

int runCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.size() < 2)
        return -1;
    const QString& command = arguments.at(1);
    if (command == QLatin1String("--version")) {
        out << fileVersion() << Qt::endl;
        return 0;
    }
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        out << "Gebruik: kasplan [--version]\n"
            << ScheduleSynopsis().join(QLatin1Char('\n')) << '\n'
            << "       kasplan import paradox MAP [--dry-run] [--skip-bad] [--codepage N]\n"
               "       kasplan report cultivars --pdf BESTAND [--hoofdgroep N] "
               "[--units weeks|days]\n"
               "       kasplan export cultivars|sizes [--hoofdgroep N] [--format tsv|csv] "
               "[--output BESTAND]"
            << Qt::endl;
        return 0;
    }
    if (command == QLatin1String("import"))
        return runParadoxImportCommand(arguments.mid(2), out, err);
    if (command == QLatin1String("schedule"))
        return runScheduleCommand(arguments.mid(2), out, err, ReadCultivarRecordFromDatabase);
    if (command == QLatin1String("report"))
        return runReportCommand(arguments.mid(2), out, err);
    if (command == QLatin1String("export"))
        return runExportCommand(arguments.mid(2), out, err);
    err << "kasplan: onbekende opdracht '" << command << "'. Zie kasplan --help." << Qt::endl;
    return 2;
}

bool displayAvailable()
{
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    // A platform chosen explicitly (offscreen, vnc, ...) needs no display.
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

} // namespace kasplan
