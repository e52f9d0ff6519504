#include "CommandLine.h"

#include "DatabaseRecordSource.h"
#include "ExportCommand.h"
#include "ParadoxImportCommand.h"
#include "ReportCommand.h"

#include "core/Version.h"
#include "schedule/ScheduleCommand.h"

#include <algorithm>

namespace kasplan {

namespace {

struct Command
{
    const char* name;
    // Its line in `kasplan --help`.
    const char* summary;
    // What `kasplan NAME --help` prints.
    QString (*usage)();
    int (*run)(const QStringList& arguments, QTextStream& out, QTextStream& err);
};

// The commands that run without a window, in the order `kasplan --help`
// lists them. A new command is one more line here.
const Command Commands[] = {
    {"schedule", "berekent een broeischema en geeft het als JSON",
     [] { return QStringLiteral("Gebruik:\n") + ScheduleSynopsis().join(QLatin1Char('\n')); },
     [](const QStringList& arguments, QTextStream& out, QTextStream& err) {
         return runScheduleCommand(arguments, out, err, ReadCultivarRecordFromDatabase);
     }},
    {"report", "schrijft de cultivarlijst in een PDF-bestand", ReportCommandUsage,
     runReportCommand},
    {"import", "neemt de tabellen van een oude Paradox-database over", ParadoxImportUsage,
     runParadoxImportCommand},
    {"export", "schrijft de cultivarlijst of de ziften als tabel (tsv of csv)", ExportCommandUsage,
     runExportCommand},
};

bool isHelp(const QString& argument)
{
    return argument == QLatin1String("--help") || argument == QLatin1String("-h");
}

void printHelp(QTextStream& out)
{
    qsizetype width = QStringLiteral("--version").size();
    for (const Command& command : Commands)
        width = std::max(width, QLatin1String(command.name).size());
    const auto line = [&out, width](const QString& name, const QString& summary) {
        out << "  " << name.leftJustified(width + 2) << summary << '\n';
    };

    out << "Gebruik: kasplan [OPDRACHT [ARGUMENT ...]]\n"
           "Zonder opdracht opent Kasplan zijn venster.\n"
           "\n"
           "Opdrachten:\n";
    for (const Command& command : Commands)
        line(QLatin1String(command.name), QString::fromUtf8(command.summary));
    out << "\n"
           "Opties:\n";
    line(QStringLiteral("--version"), QStringLiteral("toont de bestandsversie van het programma"));
    line(QStringLiteral("--help"), QStringLiteral("toont deze hulp"));
    out << "\n"
           "kasplan OPDRACHT --help toont de argumenten van een opdracht."
        << Qt::endl;
}

} // namespace

int runCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.size() < 2)
        return -1;
    const QString& name = arguments.at(1);
    if (name == QLatin1String("--version")) {
        out << fileVersion() << Qt::endl;
        return 0;
    }
    if (isHelp(name)) {
        printHelp(out);
        return 0;
    }
    for (const Command& command : Commands) {
        if (name != QLatin1String(command.name))
            continue;
        const QStringList rest = arguments.mid(2);
        if (rest.size() == 1 && isHelp(rest.first())) {
            out << command.usage() << Qt::endl;
            return 0;
        }
        return command.run(rest, out, err);
    }
    err << "kasplan: onbekende opdracht '" << name << "'. Zie kasplan --help." << Qt::endl;
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
