// Measures the database engine on a synthetic database of 100,000 cultivars
// with 3 sizes each and 2 standard-harvest records per size, each figure
// beside the plain SQLite query that does the same work in the same run.
//
//   bench_database [FOLDER] [--server KEYWORDS]   (default: a temporary folder)
//
// With --server the engine's figures are those of the PostgreSQL backend, on
// the (empty) server database that the libpq keywords name; the data are the
// same, copied there from the SQLite file, and the plain column stays plain
// SQLite on the file.

#include "db/CultivarSchema.h"
#include "db/TDMod.h"
#include "db/engine/EngineSession.h"
#include "db/engine/PgConnection.h"
#include "db/engine/QueryView.h"
#include "db/engine/SqliteDatabase.h"
#include "db/engine/TableView.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

using namespace kasplan;

namespace {

constexpr int Cultivars = 100000;
const char* const Sizes[] = {"10/11", "11/12", "12/+"};
const char* const Harvested[] = {"10/11", "12/+"};
const char* const Order = "Cultivar COLLATE NOCASE, Cultivar, Source COLLATE NOCASE, Source";

double msSince(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Median of runs of fn, in milliseconds.
double median(int runs, const std::function<void()>& fn)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        times.push_back(msSince(t));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

long peakMemoryMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

QString cultivarName(QRandomGenerator& random, int n)
{
    static const char* const syllables[] = {"ap",  "el", "do",  "orn", "blen", "da",   "ka", "ri",
                                            "mon", "te", "par", "ade", "fox",  "trot", "lu", "na",
                                            "vi",  "ol", "sa",  "ber", "gan",  "der"};
    QString name;
    const int parts = 2 + int(random.bounded(2));
    for (int i = 0; i < parts; ++i)
        name += QLatin1String(syllables[random.bounded(int(std::size(syllables)))]);
    name[0] = name[0].toUpper();
    return name + QStringLiteral(" %1").arg(n);
}

// Fills the tables with plain SQL in one transaction.
void buildDatabase(const QString& file, QStringList& names)
{
    db::SqliteDatabase::createFile(file, CultivarSchema::schema());
    sqlite3* db = nullptr;
    check(sqlite3_open(file.toUtf8().constData(), &db), db);
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* cdata = nullptr;
    sqlite3_stmt* csizes = nullptr;
    sqlite3_stmt* harvest = nullptr;
    check(sqlite3_prepare_v2(db,
                             "INSERT INTO Cdata (Cultivar, Source, Kleur, Hoofdgroep, Status, "
                             "Remarks, PGvoorraad, Broeivoorraad) VALUES (?, ?, ?, ?, 'DLV/LBO', "
                             "?, 0, 1)",
                             -1, &cdata, nullptr),
          db);
    check(sqlite3_prepare_v2(db,
                             "INSERT INTO Csizes (Cultivar, Source, Size, Aantal, DnaG20, Dk_p1, "
                             "Dk_p2, Dk_p3, Dk_p4, Kd_p1, Kd_p2, Kd_p3, Kd_p4, Nperbox, "
                             "Npertray, Status) VALUES (?, ?, ?, ?, 21, 105, 98, 91, 84, 31, "
                             "27, 23, 19, 750, 100, 'DLV/LBO')",
                             -1, &csizes, nullptr),
          db);
    check(sqlite3_prepare_v2(db,
                             "INSERT INTO Cstdoogst (Cultivar, Source, Size, OogstSize, Qtyunit, "
                             "StdQty_per_m2) VALUES (?, ?, ?, ?, 1, ?)",
                             -1, &harvest, nullptr),
          db);
    QRandomGenerator random(4711);
    const char* const sources[] = {"NL", "", "FR", "US"};
    for (int n = 0; n < Cultivars; ++n) {
        const QByteArray name = cultivarName(random, n).toUtf8();
        names.append(QString::fromUtf8(name));
        const char* source = sources[n % 4];
        sqlite3_bind_text(cdata, 1, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(cdata, 2, source, -1, SQLITE_STATIC);
        sqlite3_bind_text(cdata, 3, "rood", -1, SQLITE_STATIC);
        sqlite3_bind_int(cdata, 4, int(random.bounded(11)));
        sqlite3_bind_text(cdata, 5, "proef 12 weken 5 graden; kasdagen geschat", -1, SQLITE_STATIC);
        check(sqlite3_step(cdata), db);
        sqlite3_reset(cdata);
        for (const char* size : Sizes) {
            sqlite3_bind_text(csizes, 1, name.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(csizes, 2, source, -1, SQLITE_STATIC);
            sqlite3_bind_text(csizes, 3, size, -1, SQLITE_STATIC);
            sqlite3_bind_int(csizes, 4, int(random.bounded(5000)));
            check(sqlite3_step(csizes), db);
            sqlite3_reset(csizes);
            for (const char* harvested : Harvested) {
                sqlite3_bind_text(harvest, 1, name.constData(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(harvest, 2, source, -1, SQLITE_STATIC);
                sqlite3_bind_text(harvest, 3, size, -1, SQLITE_STATIC);
                sqlite3_bind_text(harvest, 4, harvested, -1, SQLITE_STATIC);
                sqlite3_bind_double(harvest, 5, 40.0 + random.bounded(20));
                check(sqlite3_step(harvest), db);
                sqlite3_reset(harvest);
            }
        }
    }
    check(sqlite3_exec(db,
                       "INSERT INTO Sizes (Size, QtyUnit, Gebruikstype) VALUES ('10/11', 1, 0), "
                       "('11/12', 1, 0), ('12/+', 1, 0), ('14/+', 1, 0); COMMIT; ANALYZE",
                       nullptr, nullptr, nullptr),
          db);
    sqlite3_finalize(cdata);
    sqlite3_finalize(csizes);
    sqlite3_finalize(harvest);
    sqlite3_close(db);
}

// The plain queries, on a connection of their own.
class Plain
{
public:
    explicit Plain(const QString& file)
    {
        check(sqlite3_open(file.toUtf8().constData(), &m_db), m_db);
        sqlite3_exec(m_db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    }
    ~Plain()
    {
        for (sqlite3_stmt* s : m_statements)
            sqlite3_finalize(s);
        sqlite3_close(m_db);
    }

    sqlite3_stmt* prepare(const QString& sql)
    {
        sqlite3_stmt* s = nullptr;
        check(sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &s, nullptr), m_db);
        m_statements.push_back(s);
        return s;
    }

    // Steps through every row, reading the first columns as text.
    static int readAll(sqlite3_stmt* s, int columns)
    {
        int rows = 0;
        size_t bytes = 0;
        while (sqlite3_step(s) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c)
                bytes += size_t(sqlite3_column_bytes(s, c)) + (sqlite3_column_text(s, c) ? 1 : 0);
            ++rows;
        }
        sqlite3_reset(s);
        return rows + int(bytes & 0);
    }

    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
    std::vector<sqlite3_stmt*> m_statements;
};

QByteArray literal(sqlite3_stmt* s, int column)
{
    if (sqlite3_column_type(s, column) == SQLITE_NULL)
        return "NULL";
    if (sqlite3_column_type(s, column) == SQLITE_TEXT) {
        QByteArray text(reinterpret_cast<const char*>(sqlite3_column_text(s, column)));
        return "'" + text.replace('\'', "''") + "'";
    }
    return QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(s, column)));
}

// Copies the filled tables from the SQLite file to the server, in one
// transaction, a thousand rows a statement.
void copyToServer(const QString& file, const db::ServerParams& params)
{
    db::PgParams libpq;
    for (const auto& [k, v] : params)
        libpq.append({k.toUtf8(), v.toUtf8()});
    {
        db::EngineSession layout(
            QDir::temp().absoluteFilePath(QStringLiteral("bench-unsaved.cfg")));
        layout.setServerLayout({CultivarSchema::schema(), {}, true});
        layout.databaseOnServer(params);
    }
    db::PgConnection server(libpq, QStringLiteral("bench"));
    sqlite3* db = nullptr;
    check(sqlite3_open(file.toUtf8().constData(), &db), db);
    server.execScript(QStringLiteral("BEGIN"));
    const char* const copies[][2] = {
        {"Cdata", "Cultivar, Source, Kleur, Hoofdgroep, Status, Remarks, PGvoorraad, "
                  "Broeivoorraad"},
        {"Csizes", "Cultivar, Source, Size, Aantal, DnaG20, Dk_p1, Dk_p2, Dk_p3, Dk_p4, Kd_p1, "
                   "Kd_p2, Kd_p3, Kd_p4, Nperbox, Npertray, Status"},
        {"Cstdoogst", "Cultivar, Source, Size, OogstSize, Qtyunit, StdQty_per_m2"},
        {"Sizes", "Size, QtyUnit, Gebruikstype"},
    };
    for (const auto& [table, columns] : copies) {
        sqlite3_stmt* s = nullptr;
        check(sqlite3_prepare_v2(
                  db, QStringLiteral("SELECT %1 FROM %2").arg(columns, table).toUtf8().constData(),
                  -1, &s, nullptr),
              db);
        const int n = sqlite3_column_count(s);
        const bool logical = QByteArray(table) == "Cdata";
        QByteArrayList rows;
        const auto flush = [&] {
            if (rows.isEmpty())
                return;
            server.execScript(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                                  .arg(QLatin1String(table), QLatin1String(columns),
                                       QString::fromUtf8(rows.join(','))));
            rows.clear();
        };
        while (sqlite3_step(s) == SQLITE_ROW) {
            QByteArrayList values;
            for (int c = 0; c < n; ++c) {
                QByteArray v = literal(s, c);
                if (logical && c >= 6)
                    v = v == "0" ? "false" : "true";
                values.append(v);
            }
            rows.append("(" + values.join(',') + ")");
            if (rows.size() == 1000)
                flush();
        }
        flush();
        sqlite3_finalize(s);
    }
    server.execScript(QStringLiteral("COMMIT; ANALYZE"));
    sqlite3_close(db);
}

void report(const char* what, double engine, double plain, const char* limit = "")
{
    std::printf("%-34s %10.3f ms %10.3f ms %7.2fx  %s\n", what, engine, plain,
                plain > 0 ? engine / plain : 0.0, limit);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    QStringList args = app.arguments().mid(1);
    std::optional<db::ServerParams> server;
    if (const int at = int(args.indexOf(QStringLiteral("--server"))); at >= 0) {
        server = db::ServerLocation::parse(args.value(at + 1));
        args.remove(at, 2);
    }
    const QString folder = args.isEmpty() ? temp.path() : args.first();
    QDir().mkpath(folder);
    const QString file = QDir(folder).absoluteFilePath(QLatin1String(db::SqliteDatabase::FileName));
    QFile::remove(file);

    QStringList names;
    QElapsedTimer build;
    build.start();
    buildDatabase(file, names);
    std::printf("database: %d cultivars, %d sizes, %d standard-harvest records, built in %.1f s\n",
                Cultivars, Cultivars * 3, Cultivars * 6, msSince(build) / 1000);
    std::printf("peak memory before the views: %ld MB\n\n", peakMemoryMb());

    db::EngineSession session(QDir(folder).absoluteFilePath(QStringLiteral("bench-engine.cfg")));
    if (server) {
        QElapsedTimer copy;
        copy.start();
        copyToServer(file, *server);
        std::printf("copied to the server in %.1f s; the engine column is PostgreSQL\n\n",
                    msSince(copy) / 1000);
        session.aliases().addServer(QStringLiteral("BENCH"), *server);
    } else {
        session.aliases().add(QStringLiteral("BENCH"), QStringLiteral("Paradox"), folder);
    }
    TDMod dmod(session);
    dmod.BindViews(QStringLiteral("BENCH"));
    db::TableView* cdata = dmod.tbCdata();
    Plain plain(file);
    QRandomGenerator random(99);

    std::printf("%-34s %13s %13s %8s\n", "", "engine", "plain SQLite", "ratio");

    // Opening the cultivar view in key order.
    sqlite3_stmt* allKeys = plain.prepare(
        QStringLiteral("SELECT Cultivar, Source FROM Cdata ORDER BY %1").arg(QLatin1String(Order)));
    const double openPlain = median(5, [&] { Plain::readAll(allKeys, 2); });
    const double openEngine = median(5, [&] {
        cdata->close();
        cdata->open();
    });
    report("open tbCdata (100,000)", openEngine, openPlain, "limit: 5x and 300 ms");

    // Moving the master: the sizes and their standard harvest follow.
    dmod.OpenTables();
    cdata->first();
    sqlite3_stmt* masterRow =
        plain.prepare(QStringLiteral("SELECT * FROM Cdata WHERE Cultivar = ? AND Source = ?"));
    sqlite3_stmt* sizeKeys = plain.prepare(
        QStringLiteral("SELECT Cultivar, Source, Size FROM Csizes WHERE Cultivar = ? AND "
                       "Source = ? ORDER BY %1, Size COLLATE NOCASE, Size")
            .arg(QLatin1String(Order)));
    sqlite3_stmt* sizeRow = plain.prepare(
        QStringLiteral("SELECT * FROM Csizes WHERE Cultivar = ? AND Source = ? AND Size = ?"));
    sqlite3_stmt* harvestKeys = plain.prepare(
        QStringLiteral("SELECT OogstSize FROM Cstdoogst WHERE Cultivar = ? AND Source = ? AND "
                       "Size = ? ORDER BY OogstSize COLLATE NOCASE, OogstSize"));
    sqlite3_stmt* harvestRow = plain.prepare(
        QStringLiteral("SELECT * FROM Cstdoogst WHERE Cultivar = ? AND Source = ? AND Size = ? "
                       "AND OogstSize = ?"));
    const int moves = 2000;
    QElapsedTimer t;
    t.start();
    double worstMove = 0;
    for (int i = 0; i < moves; ++i) {
        QElapsedTimer one;
        one.start();
        cdata->next();
        worstMove = std::max(worstMove, msSince(one));
    }
    const double moveEngine = msSince(t) / moves;
    std::vector<QByteArray> moveKeys;
    for (int i = 0; i < moves; ++i)
        moveKeys.push_back(names[i].toUtf8());
    const char* const sources[] = {"NL", "", "FR", "US"};
    t.restart();
    for (int i = 0; i < moves; ++i) {
        const QByteArray& name = moveKeys[size_t(i)];
        const char* source = sources[i % 4];
        for (sqlite3_stmt* s : {masterRow, sizeKeys}) {
            sqlite3_bind_text(s, 1, name.constData(), -1, SQLITE_STATIC);
            sqlite3_bind_text(s, 2, source, -1, SQLITE_STATIC);
        }
        Plain::readAll(masterRow, 2);
        Plain::readAll(sizeKeys, 3);
        for (sqlite3_stmt* s : {sizeRow, harvestKeys}) {
            sqlite3_bind_text(s, 1, name.constData(), -1, SQLITE_STATIC);
            sqlite3_bind_text(s, 2, source, -1, SQLITE_STATIC);
            sqlite3_bind_text(s, 3, Sizes[0], -1, SQLITE_STATIC);
        }
        Plain::readAll(sizeRow, 3);
        Plain::readAll(harvestKeys, 1);
        sqlite3_bind_text(harvestRow, 1, name.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_text(harvestRow, 2, source, -1, SQLITE_STATIC);
        sqlite3_bind_text(harvestRow, 3, Sizes[0], -1, SQLITE_STATIC);
        sqlite3_bind_text(harvestRow, 4, Harvested[0], -1, SQLITE_STATIC);
        Plain::readAll(harvestRow, 4);
    }
    const double movePlain = msSince(t) / moves;
    report("master move (mean of 2000)", moveEngine, movePlain, "limit: 5 ms");
    std::printf("%-34s %10.3f ms\n", "  slowest single move", worstMove);

    // A partial locate, letters in any case, with the details following.
    const int locates = 1000;
    std::vector<QString> prefixes;
    for (int i = 0; i < locates; ++i)
        prefixes.push_back(names[random.bounded(Cultivars)].left(4).toLower());
    sqlite3_stmt* firstFrom = plain.prepare(
        QStringLiteral("SELECT Cultivar, Source FROM Cdata WHERE Cultivar >= ? COLLATE NOCASE "
                       "ORDER BY %1 LIMIT 1")
            .arg(QLatin1String(Order)));
    int found = 0;
    double worstLocate = 0;
    t.restart();
    for (const QString& prefix : prefixes) {
        QElapsedTimer one;
        one.start();
        found += cdata->locate({QStringLiteral("Cultivar")}, {prefix},
                               db::DataSet::CaseInsensitive | db::DataSet::PartialKey)
                     ? 1
                     : 0;
        worstLocate = std::max(worstLocate, msSince(one));
    }
    const double locateEngine = msSince(t) / locates;
    t.restart();
    for (const QString& prefix : prefixes) {
        const QByteArray p = prefix.toUtf8();
        sqlite3_bind_text(firstFrom, 1, p.constData(), -1, SQLITE_STATIC);
        Plain::readAll(firstFrom, 2);
    }
    const double locatePlain = msSince(t) / locates;
    report("partial locate (mean of 1000)", locateEngine, locatePlain, "limit: 5 ms");
    std::printf("%-34s %10.3f ms  (%d of %d found)\n", "  slowest single locate", worstLocate,
                found, locates);
    // The same without detail views, which the engine's figure above also
    // moves (the plain query only finds the key).
    dmod.tbCstdOogst()->close();
    dmod.tbCsizes()->close();
    cdata->refresh(); // nothing read before stays cached
    std::vector<QString> others;
    for (int i = 0; i < locates; ++i)
        others.push_back(names[random.bounded(Cultivars)].left(4).toLower());
    t.restart();
    for (const QString& prefix : others)
        cdata->locate({QStringLiteral("Cultivar")}, {prefix},
                      db::DataSet::CaseInsensitive | db::DataSet::PartialKey);
    const double bareEngine = msSince(t) / locates;
    t.restart();
    for (const QString& prefix : others) {
        const QByteArray p = prefix.toUtf8();
        sqlite3_bind_text(firstFrom, 1, p.constData(), -1, SQLITE_STATIC);
        Plain::readAll(firstFrom, 2);
    }
    report("  the same, no detail views", bareEngine, msSince(t) / locates);
    dmod.tbCsizes()->open();
    dmod.tbCstdOogst()->open();

    // Filter changes on the main group.
    sqlite3_stmt* groupKeys = plain.prepare(
        QStringLiteral("SELECT Cultivar, Source FROM Cdata WHERE Hoofdgroep = ? ORDER BY %1")
            .arg(QLatin1String(Order)));
    cdata->setFiltered(true);
    int group = 0;
    const double filterEngine = median(7, [&] {
        group = group % 10 + 1;
        cdata->setFilter(QStringLiteral("(Hoofdgroep = '%1')").arg(group));
    });
    group = 0;
    const double filterPlain = median(7, [&] {
        group = group % 10 + 1;
        sqlite3_bind_int(groupKeys, 1, group);
        Plain::readAll(groupKeys, 2);
    });
    report("filter change on Hoofdgroep", filterEngine, filterPlain);
    cdata->setFiltered(false);

    // Posting one changed record (lock, re-read, write, unlock, each synced).
    cdata->first();
    const int posts = 30;
    double worstPost = 0;
    t.restart();
    for (int i = 0; i < posts; ++i) {
        QElapsedTimer one;
        one.start();
        cdata->edit();
        cdata->fieldByName(QStringLiteral("Kleur"))
            ->setValue(i % 2 ? QStringLiteral("geel") : QStringLiteral("rood"));
        cdata->post();
        worstPost = std::max(worstPost, msSince(one));
    }
    const double postEngine = msSince(t) / posts;
    sqlite3_stmt* update = plain.prepare(
        QStringLiteral("UPDATE Cdata SET Kleur = ? WHERE Cultivar = ? AND Source = ?"));
    const QByteArray firstName =
        cdata->fieldByName(QStringLiteral("Cultivar"))->asString().toUtf8();
    const QByteArray firstSource =
        cdata->fieldByName(QStringLiteral("Source"))->asString().toUtf8();
    t.restart();
    for (int i = 0; i < posts; ++i) {
        sqlite3_exec(plain.handle(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_bind_text(update, 1, i % 2 ? "geel" : "rood", -1, SQLITE_STATIC);
        sqlite3_bind_text(update, 2, firstName.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_text(update, 3, firstSource.constData(), -1, SQLITE_STATIC);
        Plain::readAll(update, 0);
        sqlite3_exec(plain.handle(), "COMMIT", nullptr, nullptr, nullptr);
    }
    const double postPlain = msSince(t) / posts;
    report("post one changed record", postEngine, postPlain, "limit: 50 ms");
    std::printf("%-34s %10.3f ms\n", "  slowest single post", worstPost);

    // Refresh: the keys read again, the place kept.
    const double refreshEngine = median(5, [&] { cdata->refresh(); });
    const double refreshPlain = median(5, [&] { Plain::readAll(allKeys, 2); });
    report("refresh tbCdata", refreshEngine, refreshPlain);

    std::printf("\npeak memory: %ld MB (limit: 200 MB)\n", peakMemoryMb());
    dmod.CloseTables();
    return 0;
}
