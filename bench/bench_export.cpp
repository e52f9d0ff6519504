// Measures the cultivar list leaving the program on a database of 100,000
// cultivars with 3 sizes each: the clipboard export of the list (as the
// cultivar data window's Ctrl+C runs it, from the list shown until the text
// is on the clipboard), and `kasplan export cultivars` and `kasplan export
// sizes` as whole processes, opening the database included. Every run is a
// process of its own, with its peak memory as the system counts it.
//
//   bench_export [CULTIVARS] [RUNS]     (default 100000 and 5)
//
// Build it in a Release build folder without sanitizers. The clipboard runs
// on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "db/CultivarSchema.h"
#include "db/ExportColumns.h"
#include "db/TDMod.h"
#include "db/engine/EngineSession.h"
#include "db/engine/SqliteDatabase.h"
#include "db/engine/TableView.h"
#include "widgets/bound/GridClipboardExport.h"
#include "widgets/bound/TDBGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

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

const char* const Sizes[] = {"10/11", "11/12", "12/+"};

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

// The standard database of KASPLAN_HOME=home: cultivars with 3 sizes each,
// every column of the list filled.
void buildDatabase(const QString& home, int cultivars)
{
    const QString folder = QDir(home).filePath(QStringLiteral("database"));
    QDir().mkpath(folder);
    const QString file = QDir(folder).absoluteFilePath(QLatin1String(db::SqliteDatabase::FileName));
    db::SqliteDatabase::createFile(file, CultivarSchema::schema());
    sqlite3* db = nullptr;
    check(sqlite3_open(file.toUtf8().constData(), &db), db);
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* cdata = nullptr;
    sqlite3_stmt* csizes = nullptr;
    check(sqlite3_prepare_v2(db,
                             "INSERT INTO Cdata (Cultivar, Source, Kleur, Hoofdgroep, ProductType, "
                             "Status, BolArtikelcode, CertifNr, Artikelcode, Country_of_Origin) "
                             "VALUES (?, 'NL', 'rood', ?, 1, 'DLV/LBO', ?, 'NL-2024-0042', ?, "
                             "'NL')",
                             -1, &cdata, nullptr),
          db);
    check(
        sqlite3_prepare_v2(db,
                           "INSERT INTO Csizes (Cultivar, Source, Size, Status, DnaG20, DnaG20_w, "
                           "Dk_p1, Dk_p2, Dk_p3, Dk_p4, Kd_p1, Kd_p2, Kd_p3, Kd_p4, Dk_p1_w, "
                           "Dk_p2_w, Dk_p3_w, Dk_p4_w, Kd_p1_w, Kd_p2_w, Kd_p3_w, Kd_p4_w, "
                           "Dk_p_ice, Kd_p_ice, Gstagemin) VALUES (?, 'NL', ?, 'DLV/LBO', 21, 21, "
                           "105, 98, 91, 84, 31, 27, 23, 19, 98, 91, 84, 77, 27, 23, 19, 15, 84, "
                           "35, '2024-08-05')",
                           -1, &csizes, nullptr),
        db);
    for (int n = 0; n < cultivars; ++n) {
        const QByteArray name =
            QStringLiteral("Cultivar %1").arg(n, 6, 10, QLatin1Char('0')).toUtf8();
        const QByteArray code = QByteArray::number(n % 100000);
        sqlite3_bind_text(cdata, 1, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(cdata, 2, 1 + n % 10);
        sqlite3_bind_text(cdata, 3, ("B" + code).constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(cdata, 4, ("T" + code).constData(), -1, SQLITE_TRANSIENT);
        check(sqlite3_step(cdata), db);
        sqlite3_reset(cdata);
        for (const char* size : Sizes) {
            sqlite3_bind_text(csizes, 1, name.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(csizes, 2, size, -1, SQLITE_STATIC);
            check(sqlite3_step(csizes), db);
            sqlite3_reset(csizes);
        }
    }
    check(sqlite3_exec(db, "COMMIT; ANALYZE", nullptr, nullptr, nullptr), db);
    sqlite3_finalize(cdata);
    sqlite3_finalize(csizes);
    sqlite3_close(db);
}

// In a process of its own: the list as the cultivar data window shows it,
// then the clipboard export timed. Writes the milliseconds and the length of
// the text into result.
int clipboardRun(int argc, char** argv, const QString& home, const QString& result)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    db::EngineSession session(QDir(home).filePath(QStringLiteral("bench-engine.cfg")));
    session.aliases().add(QStringLiteral("BENCH"), QStringLiteral("Paradox"),
                          QDir(home).filePath(QStringLiteral("database")));
    TDMod dmod(session);
    dmod.BindViews(QStringLiteral("BENCH"));
    dmod.OpenTables();
    QList<DataSetTableModel::Column> columns;
    for (const db::TextColumn& c : ExportColumns::CultivarList())
        columns.append({c.field, c.title});
    TDBGrid grid(dmod.dsCdata(), columns);
    grid.resize(600, 400);
    grid.show();
    QApplication::processEvents();

    QElapsedTimer t;
    t.start();
    GridClipboardExport(grid).Run();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    const qsizetype length = QGuiApplication::clipboard()->text().size();
    QFile out(result);
    if (!out.open(QIODevice::WriteOnly))
        return 1;
    out.write(QByteArray::number(ms, 'f', 1) + ' ' + QByteArray::number(length));
    dmod.CloseAllViews();
    session.closeDatabases();
    return 0;
}

struct Figure
{
    double ms = 0;
    long peakKiB = 0;
};

// Runs a program and answers its wall time and peak resident memory.
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
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", program.constData(), status);
        std::exit(1);
    }
    return {ms, usage.ru_maxrss};
}

void print(const char* what, std::vector<Figure> figures, const char* target)
{
    std::sort(figures.begin(), figures.end(),
              [](const Figure& a, const Figure& b) { return a.ms < b.ms; });
    long peak = 0;
    for (const Figure& f : figures)
        peak = std::max(peak, f.peakKiB);
    std::printf("  %-46s median %6.0f ms (min %.0f, max %.0f)   peak %5.1f MB   %s\n", what,
                figures[figures.size() / 2].ms, figures.front().ms, figures.back().ms,
                double(peak) / 1024, target);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 3 && qstrcmp(argv[1], "--write") == 0) {
        buildDatabase(QString::fromLocal8Bit(argv[2]), std::max(1, std::atoi(argv[3])));
        return 0;
    }
    if (argc > 3 && qstrcmp(argv[1], "--clipboard") == 0)
        return clipboardRun(argc, argv, QString::fromLocal8Bit(argv[2]),
                            QString::fromLocal8Bit(argv[3]));

    const int cultivars = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    QTemporaryDir work;
    const QString home = work.path();
    const Figure built = runChild(
        {QByteArray(argv[0]), "--write", home.toLocal8Bit(), QByteArray::number(cultivars)});
    std::printf("database of %d cultivars x 3 sizes built in %.1f s\n", cultivars, built.ms / 1000);

    // Nothing outside the work folder is read or written.
    qputenv("KASPLAN_HOME", home.toLocal8Bit());

    // The clipboard export: its own time, and the peak of the whole process.
    const QString result = QDir(home).filePath(QStringLiteral("clipboard.txt"));
    std::vector<Figure> clipboard;
    qsizetype length = 0;
    for (int r = 0; r < runs; ++r) {
        const Figure process = runChild(
            {QByteArray(argv[0]), "--clipboard", home.toLocal8Bit(), result.toLocal8Bit()});
        QFile f(result);
        if (!f.open(QIODevice::ReadOnly))
            return 1;
        const QList<QByteArray> figures = f.readAll().split(' ');
        clipboard.push_back({figures.value(0).toDouble(), process.peakKiB});
        length = figures.value(1).toLongLong();
    }

    // The commands, as a user starts them.
    const QByteArray output = QDir(home).filePath(QStringLiteral("export.txt")).toLocal8Bit();
    std::vector<Figure> cultivarsCommand;
    std::vector<Figure> sizesCommand;
    for (int r = 0; r < runs; ++r) {
        cultivarsCommand.push_back(
            runChild({QByteArray(KASPLAN_PROGRAM), "export", "cultivars", "--output", output}));
        sizesCommand.push_back(runChild({QByteArray(KASPLAN_PROGRAM), "export", "sizes", "--format",
                                         "csv", "--output", output}));
    }

    std::printf("%d runs each (peak: the largest of them)\n", runs);
    print("clipboard export of the cultivar list:", clipboard, "target < 1000 ms, < 200 MB");
    std::printf("    (%lld characters on the clipboard; the peak is the whole process)\n",
                static_cast<long long>(length));
    print("kasplan export cultivars --output FILE:", cultivarsCommand,
          "target < 1000 ms, < 200 MB");
    print("kasplan export sizes --format csv --output FILE:", sizesCommand, "for the record");
    return 0;
}
