// One start of the windowed program as a user makes it, checked: the start-up
// steps, the standard database, the main window shown and its first schedule
// computed, then the window closed. Prints "ok <milliseconds to the first
// schedule>" and answers 0, or prints what went wrong and answers 1. Every
// message the program would show counts as going wrong.
#include "app/MainProgram.h"
#include "app/RunningCopyLock.h"
#include "app/UnitStartup.h"

#include "core/UserPrompts.h"
#include "schedule/mainwindow/TKMmainform.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLabel>

#include <cstdio>

using namespace kasplan;

namespace {

class RecordingPrompts : public UserPrompts
{
public:
    Button message(Kind, const QString& text, int, Button defaultButton) override
    {
        texts.append(text);
        return defaultButton;
    }
    QStringList texts;
};

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    const auto running = UnitStartup();
    auto owned = std::make_unique<RecordingPrompts>();
    RecordingPrompts& prompts = *owned;
    UserPrompts::install(std::move(owned));

    int result = 1;
    {
        MainProgram program;
        program.Create();
        if (TKMmainform* window = program.MainWindow()) {
            window->show();
            const QDeadlineTimer deadline(30000);
            while (!window->core().hasHarvestEnd() && !deadline.hasExpired())
                QApplication::processEvents(QEventLoop::AllEvents, 5);
            const double ms = double(sinceMain.nsecsElapsed()) / 1e6;
            if (!window->core().hasHarvestEnd())
                prompts.texts.append(QStringLiteral("no schedule within 30 s"));
            else if (window->DBText1->text().isEmpty())
                prompts.texts.append(QStringLiteral("no cultivar shown"));
            window->close();
            if (prompts.texts.isEmpty()) {
                std::printf("ok %.1f\n", ms);
                result = 0;
            }
        } else {
            prompts.texts.append(QStringLiteral("no main window"));
        }
    }
    for (const QString& text : std::as_const(prompts.texts))
        std::printf("message: %s\n", qPrintable(QString(text).replace(QLatin1Char('\n'), ' ')));
    UserPrompts::install(nullptr);
    return result;
}
