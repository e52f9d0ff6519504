// Measures the cultivar list report on synthetic databases, each cultivar
// with 3 sizes: the whole report written to PDF for 1,000 cultivars, and the
// print preview opened on 100,000 cultivars until its first page is shown.
//
//   bench_reports [FOLDER]      (default: a temporary folder)
//
// Build it in a Release build folder without sanitizers. The preview runs on
// Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "db/CultivarSchema.h"
#include "db/TDMod.h"
#include "db/engine/EngineSession.h"
#include "db/engine/SqliteDatabase.h"
#include "db/engine/TableView.h"
#include "reports/TKPcultivarListRepForm.h"
#include "reports/preview/CultivarListPrint.h"
#include "reports/preview/TFormPreview.h"
#include "reports/preview/TQRPreview.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace kasplan;

namespace {

const char* const Sizes[] = {"10/11", "11/12", "12/+"};

double msSince(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

// Cultivars with 3 sizes each, their fields filled as the delivered ones are.
void buildDatabase(const QString& folder, int cultivars)
{
    QDir().mkpath(folder);
    const QString file = QDir(folder).absoluteFilePath(QLatin1String(db::SqliteDatabase::FileName));
    QFile::remove(file);
    db::SqliteDatabase::createFile(file, CultivarSchema::schema());
    sqlite3* db = nullptr;
    check(sqlite3_open(file.toUtf8().constData(), &db), db);
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* cdata = nullptr;
    sqlite3_stmt* csizes = nullptr;
    check(sqlite3_prepare_v2(db,
                             "INSERT INTO Cdata (Cultivar, Source, Kleur, Hoofdgroep, ProductType, "
                             "Status, Remarks, Country_of_Origin) VALUES (?, 'NL', 'rood', 1, 1, "
                             "'DLV/LBO', 'koudeweken: proeven 12 wk 5 graden (Darwin-hybride); "
                             "overige waarden geschat', 'NL')",
                             -1, &cdata, nullptr),
          db);
    check(
        sqlite3_prepare_v2(db,
                           "INSERT INTO Csizes (Cultivar, Source, Size, Status, DnaG20, DnaG20_w, "
                           "Dk_p1, Dk_p2, Dk_p3, Dk_p4, Kd_p1, Kd_p2, Kd_p3, Kd_p4, Dk_p1_w, "
                           "Dk_p2_w, Dk_p3_w, Dk_p4_w, Kd_p1_w, Kd_p2_w, Kd_p3_w, Kd_p4_w, "
                           "Dk_p_ice, Kd_p_ice) VALUES (?, 'NL', ?, 'DLV/LBO', 21, 21, 105, 98, "
                           "91, 84, 31, 27, 23, 19, 98, 91, 84, 77, 27, 23, 19, 15, 84, 35)",
                           -1, &csizes, nullptr),
        db);
    for (int n = 0; n < cultivars; ++n) {
        const QByteArray name =
            QStringLiteral("Cultivar %1").arg(n, 6, 10, QLatin1Char('0')).toUtf8();
        sqlite3_bind_text(cdata, 1, name.constData(), -1, SQLITE_TRANSIENT);
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

struct OpenDatabase
{
    explicit OpenDatabase(const QString& folder)
        : session(QDir(folder).absoluteFilePath(QStringLiteral("bench-engine.cfg"))), dmod(session)
    {
        session.aliases().add(QStringLiteral("BENCH"), QStringLiteral("Paradox"), folder);
        dmod.BindViews(QStringLiteral("BENCH"));
        dmod.OpenTables();
    }
    ~OpenDatabase()
    {
        dmod.CloseAllViews();
        session.closeDatabases();
    }
    db::EngineSession session;
    TDMod dmod;
};

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temp;
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();

    // 1,000 cultivars to PDF, the whole report.
    {
        const QString folder = QDir(root).filePath(QStringLiteral("thousand"));
        buildDatabase(folder, 1000);
        OpenDatabase database(folder);
        std::vector<double> times;
        int pages = 0;
        qint64 bytes = 0;
        for (int run = 0; run < 5; ++run) {
            QBuffer pdf;
            pdf.open(QIODevice::WriteOnly);
            QElapsedTimer t;
            t.start();
            TKPcultivarListRepForm report(database.dmod);
            report.Options.forcingData = true;
            report.WritePdf(pdf);
            times.push_back(msSince(t));
            pages = report.PageCount();
            bytes = pdf.size();
        }
        std::printf("PDF of 1,000 cultivars x 3 sizes: %d pages, %lld kB, median of 5: %.0f ms "
                    "(min %.0f, max %.0f)   target < 3000 ms\n",
                    pages, bytes / 1024, median(times),
                    *std::min_element(times.begin(), times.end()),
                    *std::max_element(times.begin(), times.end()));
    }

    // 100,000 cultivars: the print button until the first page is shown.
    {
        const QString folder = QDir(root).filePath(QStringLiteral("hundred-thousand"));
        QElapsedTimer building;
        building.start();
        buildDatabase(folder, 100000);
        std::printf("database of 100,000 cultivars x 3 sizes built in %.1f s\n",
                    msSince(building) / 1000);
        OpenDatabase database(folder);
        TFormPreview preview;
        std::vector<double> times;
        for (int run = 0; run < 5; ++run) {
            QElapsedTimer t;
            double shown = 0;
            int pagesThen = 0;
            const auto connection = QObject::connect(
                preview.QRPreview, &TQRPreview::pageShown, &preview, [&](int page) {
                    if (page != 1 || shown > 0)
                        return;
                    shown = msSince(t);
                    pagesThen = preview.AttachedReport()->PageCount();
                    QTimer::singleShot(0, &preview, &QWidget::close);
                });
            t.start();
            PrintCultivarList(database.dmod, preview);
            QObject::disconnect(connection);
            times.push_back(shown);
            if (run == 0)
                std::printf("preview on 100,000 cultivars: first page shown after %.0f ms, %d "
                            "page(s) laid out by then\n",
                            shown, pagesThen);
        }
        std::printf("preview on 100,000 cultivars, first page shown: median of 5: %.0f ms (min "
                    "%.0f, max %.0f)   target < 1000 ms\n",
                    median(times), *std::min_element(times.begin(), times.end()),
                    *std::max_element(times.begin(), times.end()));

        // For the record: laying out every page in the background.
        QElapsedTimer t;
        double complete = 0;
        int pages = 0;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &preview, [&] {
            TKPrepForm* report = preview.AttachedReport();
            if (report && report->Complete() && complete == 0) {
                complete = msSince(t);
                pages = report->PageCount();
                preview.close();
            }
        });
        poll.start(50);
        t.start();
        PrintCultivarList(database.dmod, preview);
        std::printf("preview on 100,000 cultivars: all %d pages laid out after %.1f s, the window "
                    "answering meanwhile\n",
                    pages, complete / 1000);
    }
    return 0;
}
