// Writes cultivar records through the engine as fast as it can, and says so
// after each completed post:
//
//   crashwriter LOCATION FIRST    (LOCATION: a folder, or a server's libpq keywords)
//   prints "ready", then for n = FIRST, FIRST+1, ...: "done n" after the
//   record was added, "updated n" after it was changed to its second version.
//
// The crash-safety test kills it at random moments.

#include "CrashRecord.h"

#include "db/CultivarSchema.h"
#include "db/engine/EngineError.h"
#include "db/engine/EngineSession.h"
#include "db/engine/TableView.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

using namespace kasplan;
using test::CrashRecord;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    db::EngineSession session(QDir::temp().absoluteFilePath(QStringLiteral("writer-unsaved.cfg")));
    if (QFileInfo(args[1]).isDir())
        session.aliases().add(QStringLiteral("CRASH"), QStringLiteral("Paradox"), args[1]);
    else
        session.aliases().addServer(QStringLiteral("CRASH"), db::ServerLocation::parse(args[1]));
    db::TableView cdata(QStringLiteral("tbCdata"));
    cdata.setSession(&session);
    cdata.setDatabaseName(QStringLiteral("CRASH"));
    cdata.setTableName(QStringLiteral("Cdata"));
    cdata.open();
    std::puts("ready");
    std::fflush(stdout);

    try {
        for (int n = args[2].toInt();; ++n) {
            cdata.insert();
            cdata.fieldByName(QStringLiteral("Cultivar"))->setValue(CrashRecord::cultivar(n));
            cdata.fieldByName(QStringLiteral("Kleur"))->setValue(CrashRecord::colour(n));
            cdata.fieldByName(QStringLiteral("Hoofdgroep"))->setValue(CrashRecord::group(n));
            cdata.fieldByName(QStringLiteral("Remarks"))->setValue(CrashRecord::remark(n, 1));
            cdata.post();
            std::printf("done %d\n", n);
            std::fflush(stdout);

            cdata.edit();
            cdata.fieldByName(QStringLiteral("Remarks"))->setValue(CrashRecord::remark(n, 2));
            cdata.fieldByName(QStringLiteral("Klasse"))->setValue(QStringLiteral("v2"));
            cdata.post();
            std::printf("updated %d\n", n);
            std::fflush(stdout);
        }
    } catch (const db::EngineError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
