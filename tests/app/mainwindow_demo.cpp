// Starts the program as a grower does (the standard database, the main
// window on the first record or the last run's), to look at the window and
// its printout. Not a test: run it under xvfb-run with KASPLAN_HOME set to a
// folder of its own, and it saves what was asked and quits.
//
//   mainwindow_demo [--size WIDTHxHEIGHT] [--pdf schedule.pdf] [picture.png]
//
// --size resizes the window first (it keeps its minimum size); --pdf prints
// the window as the print button does, into that file.

#include "app/MainProgram.h"
#include "app/QtTranslations.h"
#include "app/RunningCopyLock.h"
#include "app/UnitStartup.h"
#include "schedule/mainwindow/TKMmainform.h"
#include "widgets/KasplanApplication.h"
#include "widgets/MessageBoxPrompts.h"

#include "core/UserPrompts.h"

#include <QApplication>
#include <QPrinter>
#include <QPushButton>
#include <QTest>

#include <cstdio>

using namespace kasplan;

int main(int argc, char* argv[])
{
    KasplanApplication app(argc, argv);
    InstallQtTranslations(app);
    QStringList arguments = app.arguments().mid(1);
    QSize size;
    QString pdf;
    QString picture;
    while (!arguments.isEmpty()) {
        const QString argument = arguments.takeFirst();
        if (argument == QLatin1String("--size") && !arguments.isEmpty()) {
            const QStringList parts = arguments.takeFirst().split(QLatin1Char('x'));
            size = parts.size() == 2 ? QSize(parts[0].toInt(), parts[1].toInt()) : QSize();
        } else if (argument == QLatin1String("--pdf") && !arguments.isEmpty()) {
            pdf = arguments.takeFirst();
        } else {
            picture = argument;
        }
    }

    const auto running = UnitStartup();
    UserPrompts::install(std::make_unique<MessageBoxPrompts>());
    int result = 0;
    {
        MainProgram program;
        program.Create();
        TKMmainform* window = program.MainWindow();
        if (!window)
            return 1;
        window->show();
        if (!QTest::qWaitForWindowActive(window))
            return 1;
        if (size.isValid()) {
            window->resize(size);
            QTest::qWait(200);
        }
        if (!pdf.isEmpty()) {
            window->setPrintSteps(
                [&pdf](QPrinter& printer) {
                    printer.setOutputFormat(QPrinter::PdfFormat);
                    printer.setOutputFileName(pdf);
                    return true;
                },
                {});
            window->PrintButton->click();
        }
        if (!picture.isEmpty()) {
            QTest::qWait(200);
            std::printf("window %dx%d\n", window->width(), window->height());
            if (!window->grab().save(picture))
                result = 1;
        } else if (pdf.isEmpty()) {
            result = app.exec();
        }
        window->close();
    }
    UserPrompts::install(nullptr);
    return result;
}
