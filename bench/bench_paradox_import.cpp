// Measures `kasplan import paradox` on an old database of 100,000 cultivars
// with 3 sizes each (and 2 standard-harvest records per cultivar), written
// by the tests' own writer as the old program kept it: protected tables in
// 4 KiB blocks, memos in their memo files. Each import runs in a process of
// its own, timed from outside with its peak memory as the system counts it.
//
//   bench_paradox_import [CULTIVARS] [RUNS]     (default 100000 and 3)
//   bench_paradox_import --write FOLDER [CULTIVARS]
//
// The second form only writes the old tables into FOLDER, for trials.
//
// Three imports are measured: into a new standard database (every record
// added), the same again (every record found unchanged), and a dry run.

#include "support/OldDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

using namespace kasplan;

namespace {

struct Figure
{
    double seconds = 0;
    long peakKiB = 0;
};

// Runs a program and answers its wall time and peak resident memory. The
// system counts the memory of the process from before it started the
// program, so this process keeps itself small: it writes the old tables in
// a child of its own.
Figure runChild(std::vector<QByteArray> arguments)
{
    const QByteArray& program = arguments.front();
    std::vector<char*> argv;
    for (QByteArray& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", program.constData());
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", program.constData(), status);
        std::exit(1);
    }
    return {seconds, usage.ru_maxrss};
}

Figure runImport(const QString& home, const QString& folder, bool dryRun)
{
    qputenv("KASPLAN_HOME", home.toLocal8Bit());
    std::vector<QByteArray> arguments{QByteArray(KASPLAN_PROGRAM), "import", "paradox",
                                      folder.toLocal8Bit()};
    if (dryRun)
        arguments.push_back("--dry-run");
    return runChild(arguments);
}

Figure median(std::vector<Figure> figures)
{
    std::sort(figures.begin(), figures.end(),
              [](const Figure& a, const Figure& b) { return a.seconds < b.seconds; });
    Figure m = figures[figures.size() / 2];
    long peak = 0;
    for (const Figure& f : figures)
        peak = std::max(peak, f.peakKiB);
    m.peakKiB = peak;
    return m;
}

qint64 folderSize(const QString& folder)
{
    qint64 size = 0;
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files))
        size += f.size();
    return size;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--write") == 0) {
        const QString folder = QString::fromLocal8Bit(argv[2]);
        QDir().mkpath(folder);
        test::OldDatabase::writeSample(folder, argc > 3 ? std::max(1, std::atoi(argv[3])) : 100000,
                                       3, test::OldDatabase::defaultFormat());
        return 0;
    }
    const int cultivars = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    QTemporaryDir work;
    const QString old = work.filePath(QStringLiteral("oud"));
    QDir().mkpath(old);
    const Figure written = runChild(
        {QByteArray(argv[0]), "--write", old.toLocal8Bit(), QByteArray::number(cultivars)});
    std::printf(
        "old tables: %d cultivars, %d sizes, %d harvest records, %.1f MB, written in %.1f s\n",
        cultivars, 3 * cultivars, 2 * cultivars, double(folderSize(old)) / 1e6, written.seconds);

    std::vector<Figure> fresh, again, trial;
    for (int r = 0; r < runs; ++r) {
        const QString home = work.filePath(QStringLiteral("home%1").arg(r));
        fresh.push_back(runImport(home, old, false));
        again.push_back(runImport(home, old, false));
        trial.push_back(runImport(home, old, true));
    }
    const auto print = [&](const char* what, const std::vector<Figure>& figures) {
        const Figure m = median(figures);
        std::printf("  %-44s %7.2f s   peak %6.1f MB\n", what, m.seconds, double(m.peakKiB) / 1024);
    };
    std::printf("kasplan import paradox, median of %d runs (peak: the largest of them)\n", runs);
    print("into a new standard database (all added):", fresh);
    print("again (all unchanged):", again);
    print("dry run on that database:", trial);
    return 0;
}
