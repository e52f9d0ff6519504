#include "KasplanMain.h"

#include "CommandLine.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

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
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kasplan"));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Kasplan"));
    auto* label = new QLabel(QStringLiteral("Kasplan"), &window);
    label->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(label);
    window.resize(800, 600);
    window.show();
    return app.exec();
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
