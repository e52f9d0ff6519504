#include "KasplanMain.h"

#include "CommandLine.h"
#include "MainProgram.h"
#include "QtTranslations.h"
#include "RunningCopyLock.h"
#include "TerminationSignals.h"
#include "UnitStartup.h"

#include "schedule/mainwindow/TKMmainform.h"
#include "widgets/KasplanApplication.h"
#include "widgets/MessageBoxPrompts.h"

namespace kasplan {

namespace {

QStringList argumentList(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

int runWindowed(int argc, char* argv[])
{
    KasplanApplication app(argc, argv);
    InstallQtTranslations(app);
    TerminationSignals termination;
    // The program folder is known once the application object exists.
    const auto runningCopy = UnitStartup();

    auto prompts = std::make_unique<MessageBoxPrompts>();
    MessageBoxPrompts& shownPrompts = *prompts;
    UserPrompts::install(std::move(prompts));
    // A message box waiting for an answer, during start-up or later, must not
    // keep the program from stopping.
    const QMetaObject::Connection dismissing =
        QObject::connect(&termination, &TerminationSignals::terminationRequested, &app,
                         [&shownPrompts] { shownPrompts.dismissAll(); });
    int result = 0;
    {
        MainProgram program;
        program.Create();
        if (program.MainWindow() && !termination.Requested()) {
            program.MainWindow()->show();
            result = app.exec();
        }
    }
    QObject::disconnect(dismissing);
    UserPrompts::install(nullptr);
    return result;
}

} // namespace

int KasplanMain(int argc, char* argv[])
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int commandResult = runCommand(argumentList(argc, argv), out, err);
    if (commandResult >= 0)
        return commandResult;

    if (!displayAvailable()) {
        err << "Kasplan heeft een beeldscherm nodig, maar er is geen gevonden (DISPLAY is leeg).\n"
               "Start het programma zonder beeldscherm met: xvfb-run -a kasplan"
            << Qt::endl;
        return 1;
    }
    return runWindowed(argc, argv);
}

} // namespace kasplan
