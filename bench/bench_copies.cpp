// Measures copying a cultivar through the data module: one with 20 sizes and
// 2 standard-harvest records per size, and one with 3 sizes and 6 records,
// in a database of other cultivars. Beside each figure, the same records
// written one transaction per record through the same views, as a grower's
// posts by hand would write them.
//
//   bench_copies [FOLDER] [OTHER_CULTIVARS]   (default: a temporary folder, 10,000)

#include "db/CultivarSchema.h"
#include "db/TDMod.h"
#include "db/engine/EngineSession.h"
#include "db/engine/SqliteDatabase.h"
#include "db/engine/TableView.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace kasplan;

namespace {

constexpr int Runs = 7;

double msSince(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

void exec(sqlite3* db, const QString& sql)
{
    check(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), db);
}

QString sizeName(int i)
{
    return QStringLiteral("%1/%2").arg(i + 5).arg(i + 6);
}

// The other cultivars with 3 sizes each, and the two templates "Groot" (20
// sizes) and "Klein" (3 sizes), each size with 2 standard-harvest records.
void buildDatabase(const QString& file, int others)
{
    db::SqliteDatabase::createFile(file, CultivarSchema::schema());
    sqlite3* db = nullptr;
    check(sqlite3_open(file.toUtf8().constData(), &db), db);
    exec(db, QStringLiteral("BEGIN"));
    for (int i = 0; i < 20; ++i)
        exec(db,
             QStringLiteral("INSERT INTO Sizes (Size, QtyUnit) VALUES ('%1', 1)").arg(sizeName(i)));
    const auto cultivar = [&](const QString& name, int sizes) {
        exec(db, QStringLiteral("INSERT INTO Cdata (Cultivar, Source, Kleur, Hoofdgroep, Status, "
                                "Remarks, StdOogstType) VALUES ('%1', 'NL', 'rood', 1, 'DLV/LBO', "
                                "'%2', 0)")
                     .arg(name, QString(300, QLatin1Char('m'))));
        for (int s = 0; s < sizes; ++s) {
            exec(db, QStringLiteral("INSERT INTO Csizes (Cultivar, Source, Size, Aantal, DnaG20, "
                                    "Dk_p1, Dk_p2, Dk_p3, Dk_p4, Kd_p1, Kd_p2, Kd_p3, Kd_p4, "
                                    "Status) VALUES ('%1', 'NL', '%2', 1000, 21, 105, 98, 91, 84, "
                                    "31, 27, 24, 21, 'DLV/LBO')")
                         .arg(name, sizeName(s)));
            for (int h : {0, 1})
                exec(db, QStringLiteral("INSERT INTO Cstdoogst (Cultivar, Source, Size, OogstSize, "
                                        "Qtyunit, StdQty_per_m2) VALUES ('%1', 'NL', '%2', '%3', "
                                        "1, 12.5)")
                             .arg(name, sizeName(s), sizeName(h)));
        }
    };
    for (int i = 0; i < others; ++i)
        cultivar(QStringLiteral("Cultivar %1").arg(i, 6, 10, QLatin1Char('0')), 3);
    cultivar(QStringLiteral("Groot"), 20);
    cultivar(QStringLiteral("Klein"), 3);
    exec(db, QStringLiteral("COMMIT"));
    sqlite3_close(db);
}

void assign(db::DataSet& target, db::DataSet& source, const QStringList& leaveOut)
{
    for (db::Field* f : target.fields()) {
        if (f->kind() == db::FieldKind::Data && !leaveOut.contains(f->fieldName()))
            if (const db::Field* from = source.findField(f->fieldName()))
                f->setValue(from->value());
    }
}

// The copy's records posted one by one, each post its own transaction: the
// cultivar, its status, then every size with its status and its harvest
// records. The copy views serve as the template, as in the data module.
void copyRecordByRecord(TDMod& dmod, const QString& name, const QString& newSource)
{
    db::TableView* cdata = dmod.tbCdata();
    db::TableView* copy = dmod.tbCdatacopy();
    copy->setFilter(QStringLiteral("(Cultivar = '%1')").arg(name));
    copy->setFiltered(true);
    copy->open();
    dmod.tbCsizescopy()->open();
    dmod.tbCstdOogstCopy()->open();
    dmod.setCopying(true);
    dmod.setInternalEdit(true);
    copy->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                 {name, QStringLiteral("NL")});
    cdata->insert();
    assign(*cdata, *copy, {});
    cdata->fieldByName(QStringLiteral("Source"))->setValue(newSource);
    cdata->post();
    cdata->edit();
    cdata->fieldByName(QStringLiteral("Status"))->setValue(QStringLiteral("Toegevoegd"));
    cdata->post();
    db::TableView* sizes = dmod.tbCsizescopy();
    for (sizes->first(); !sizes->eof(); sizes->next()) {
        dmod.tbCsizes()->insert();
        assign(*dmod.tbCsizes(), *sizes,
               {QStringLiteral("Cultivar"), QStringLiteral("Source"), QStringLiteral("Aantal")});
        dmod.tbCsizes()->post();
        dmod.tbCsizes()->edit();
        dmod.tbCsizes()
            ->fieldByName(QStringLiteral("Status"))
            ->setValue(QStringLiteral("Toegevoegd"));
        dmod.tbCsizes()->post();
        db::TableView* harvest = dmod.tbCstdOogstCopy();
        for (harvest->first(); !harvest->eof(); harvest->next()) {
            dmod.tbCstdOogst()->insert();
            assign(*dmod.tbCstdOogst(), *harvest,
                   {QStringLiteral("Cultivar"), QStringLiteral("Source"), QStringLiteral("Size")});
            dmod.tbCstdOogst()->post();
        }
    }
    dmod.setCopying(false);
    dmod.setInternalEdit(false);
    dmod.tbCstdOogstCopy()->close();
    dmod.tbCsizescopy()->close();
    copy->close();
    copy->setFiltered(false);
    copy->setFilter(QString());
}

void measure(TDMod& dmod, const QString& name, int sizes)
{
    std::vector<double> copies;
    std::vector<double> byRecord;
    for (int run = 0; run < Runs; ++run) {
        dmod.tbCdata()->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                               {name, QStringLiteral("NL")});
        QElapsedTimer t;
        t.start();
        dmod.CopyCultivar();
        copies.push_back(msSince(t));
        t.restart();
        copyRecordByRecord(dmod, name, QStringLiteral("X%1").arg(run));
        byRecord.push_back(msSince(t));
    }
    std::printf("copy of a cultivar with %2d sizes, %2d harvest records: %8.1f ms   "
                "record by record: %8.1f ms\n",
                sizes, 2 * sizes, median(copies), median(byRecord));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QStringList args = app.arguments().mid(1);
    const QString folder = args.isEmpty() ? temp.path() : args.first();
    const int others = args.size() > 1 ? args[1].toInt() : 10000;
    QDir().mkpath(folder);
    const QString file = QDir(folder).absoluteFilePath(QLatin1String(db::SqliteDatabase::FileName));
    QFile::remove(file);
    buildDatabase(file, others);
    std::printf("database: %d other cultivars with 3 sizes each; median of %d runs\n", others,
                Runs);

    db::EngineSession session(QDir(folder).absoluteFilePath(QStringLiteral("bench-engine.cfg")));
    session.aliases().add(QStringLiteral("BENCH"), QStringLiteral("Paradox"), folder);
    TDMod dmod(session);
    dmod.CanDelEditStdRecsHook = [] { return false; };
    dmod.StdOogstTypeHook = [] { return 0; };
    // The grower confirms the copy as proposed.
    dmod.NewCultivarDialogHook = [] { return true; };
    dmod.BindViews(QStringLiteral("BENCH"));
    dmod.OpenTables();
    measure(dmod, QStringLiteral("Groot"), 20);
    measure(dmod, QStringLiteral("Klein"), 3);
    return 0;
}
