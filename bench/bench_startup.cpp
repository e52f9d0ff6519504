// Measures the start of the windowed program up to its first computed
// schedule: the start-up steps, the standard database (made on a first
// start, opened on later ones), the main window shown and activated.
// Each start runs in a process of its own, as the program does.
//
//   bench_startup [RUNS]          (default 5 first and 5 later starts)
//
// Without a display it runs on the offscreen platform; xvfb-run -a measures
// with a real X server.

#include "app/MainProgram.h"
#include "app/RunningCopyLock.h"
#include "app/UnitStartup.h"
#include "schedule/mainwindow/TKMmainform.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kasplan;

namespace {

// One start in this process; prints the milliseconds to the first schedule.
int startOnce(int argc, char** argv, const QElapsedTimer& sinceMain)
{
    QApplication app(argc, argv);
    const auto running = UnitStartup();
    MainProgram program;
    program.Create();
    TKMmainform* window = program.MainWindow();
    if (!window)
        return 1;
    window->show();
    const QDeadlineTimer deadline(30000);
    while (!window->core().hasHarvestEnd() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (!window->core().hasHarvestEnd())
        return 1;
    std::printf("%.1f\n", double(sinceMain.nsecsElapsed()) / 1e6);
    window->close();
    return 0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Runs this program with --once in the given home and reads its figure.
double timedStart(const QString& program, const QString& home)
{
    QProcess child;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KASPLAN_HOME"), home);
    if (env.value(QStringLiteral("DISPLAY")).isEmpty() &&
        env.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(program, {QStringLiteral("--once")});
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return -1;
    return child.readAllStandardOutput().trimmed().toDouble();
}

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    if (argc > 1 && qstrcmp(argv[1], "--once") == 0)
        return startOnce(argc, argv, sinceMain);

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const QString program = QString::fromLocal8Bit(argv[0]);
    std::vector<double> first, later;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir home;
        const double made = timedStart(program, home.path());
        const double opened = timedStart(program, home.path());
        if (made < 0 || opened < 0) {
            std::fprintf(stderr, "a start failed\n");
            return 1;
        }
        first.push_back(made);
        later.push_back(opened);
    }
    std::printf("start-up to the first schedule, median of %d (ms)\n", runs);
    std::printf("  first start (standard database made): %8.1f\n", median(first));
    std::printf("  later start (standard database opened): %6.1f\n", median(later));
    return 0;
}
