// Measures the two long steps of an upgrade at start-up:
//
// 1. the database-tables step on a database of the oldest layout with
//    CULTIVARS cultivars (3 sizes each, 2 standard-harvest records per
//    cultivar), written with SQL: every column dropped, added and renamed,
//    the text fields added by rewriting Cdata and Csizes, the size list's key;
// 2. the import of an old single table "Kbroei14.DB" of RECORDS records
//    (3 sizes per cultivar) into the standard database, through the data
//    module's views as the grower's "Ja" starts it.
//
//   bench_upgrade [CULTIVARS] [RECORDS]     (default 100000 and 10000)

#include "app/TKPglobalDmod.h"
#include "core/AppGlobals.h"
#include "core/TZHRegistry.h"
#include "db/StandardDatabase.h"
#include "db/TDMod.h"
#include "db/engine/EngineSession.h"
#include "db/engine/SqliteDatabase.h"
#include "support/OldLayout.h"
#include "support/ParadoxWriter.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

using namespace kasplan;

namespace {

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double upgradeSeconds(int cultivars)
{
    QTemporaryDir home;
    qputenv("KASPLAN_HOME", home.path().toLocal8Bit());
    const QString folder = home.filePath(QStringLiteral("database"));
    QDir().mkpath(folder);
    test::OldLayout::write(QDir(folder).filePath(QLatin1String(db::SqliteDatabase::FileName)),
                           test::OldLayout::oldestSchema(), cultivars, 3);
    db::EngineSession session;
    session.ensureStandardAlias();
    TZHRegistry store;
    store.SetVersion(QStringLiteral("4.0"));
    TKPglobalDmodHooks hooks;
    hooks.OpenDatabase = [&](const QString& alias) { session.database(alias); };
    hooks.Session = [&] { return &session; };
    TKPglobalDmod dmod(store, hooks);
    QElapsedTimer clock;
    clock.start();
    dmod.KPglobalDmodCreate();
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("  %d statements and rewrites, version now %s\n", int(dmod.Statements().size()),
                qPrintable(AppFileVersion()));
    AppGlobals::Reset();
    return seconds;
}

double importSeconds(int records)
{
    QTemporaryDir home;
    qputenv("KASPLAN_HOME", home.path().toLocal8Bit());
    TZHRegistry::install(nullptr);
    db::EngineSession session;
    StandardDatabase::prepare(session);

    using paradox::FieldType;
    test::ParadoxTableSpec spec;
    spec.version = 5;
    spec.keyFieldCount = 3;
    spec.fields = {{QStringLiteral("Cultivar"), FieldType::Alpha, 50},
                   {QStringLiteral("Source"), FieldType::Alpha, 30},
                   {QStringLiteral("Size"), FieldType::Alpha, 10},
                   {QStringLiteral("Kleur"), FieldType::Alpha, 20},
                   {QStringLiteral("Hoofdgroep"), FieldType::Short, 0},
                   {QStringLiteral("Status"), FieldType::Alpha, 20},
                   {QStringLiteral("Aantal"), FieldType::Long, 0},
                   {QStringLiteral("Prijs"), FieldType::Money, 0},
                   {QStringLiteral("DnaG20"), FieldType::Short, 0}};
    for (const char* kind : {"Dk_p", "Kd_p"}) {
        for (int p = 1; p <= 4; ++p)
            spec.fields.append(
                {QStringLiteral("%1%2").arg(QLatin1String(kind)).arg(p), FieldType::Short, 0});
    }
    spec.fields.append({QStringLiteral("Oogstdagen"), FieldType::Long, 0});
    test::ParadoxWriter writer(spec);
    const char* const sizes[] = {"10/11", "11/12", "12/+"};
    for (int n = 0; n < records; ++n) {
        QVariantList values{QStringLiteral("Oude cultivar %1").arg(n / 3, 6, 10, QLatin1Char('0')),
                            QStringLiteral("NL"),
                            QLatin1String(sizes[n % 3]),
                            QStringLiteral("rood"),
                            1 + n % 10,
                            QStringLiteral("Eigen"),
                            n * 10,
                            n / 100.0,
                            n % 30};
        for (int p = 0; p < 8; ++p)
            values.append(70 + (n + p) % 40);
        values.append(n % 20);
        writer.append(values);
    }
    writer.save(
        QDir(session.aliasPath(QStringLiteral("BROEI"))).filePath(QStringLiteral("Kbroei14.DB")));

    TDMod dmod(session);
    dmod.DataModuleCreate(false);
    ScopedScriptedPrompts prompts;
    prompts->queueAnswer(UserPrompts::Yes);
    QElapsedTimer clock;
    clock.start();
    dmod.ImportOldDatabase();
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("  %d cultivars, %d sizes in the database afterwards\n",
                session.database(QStringLiteral("BROEI"))
                    .select(QStringLiteral("SELECT count(*) FROM Cdata"))
                    .rows.front()
                    .value(0)
                    .toInt(),
                session.database(QStringLiteral("BROEI"))
                    .select(QStringLiteral("SELECT count(*) FROM Csizes"))
                    .rows.front()
                    .value(0)
                    .toInt());
    dmod.CloseAllViews();
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int cultivars = args.size() > 1 ? args[1].toInt() : 100000;
    const int records = args.size() > 2 ? args[2].toInt() : 10000;

    std::printf("upgrade of a database of the oldest layout, %d cultivars, %d sizes:\n", cultivars,
                cultivars * 3);
    const double upgrade = upgradeSeconds(cultivars);
    std::printf("  %.2f s\n", upgrade);
    std::printf("import of an old table of %d records:\n", records);
    const double import = importSeconds(records);
    std::printf("  %.2f s (%.0f records/s)\n", import, records / import);
    std::printf("peak memory %ld KiB\n", peakKiB());
    return 0;
}
