// A second copy of the program for the record-lock tests: it opens the
// database in the folder given, edits records on command and keeps its lock
// heartbeat going in its event loop until told to quit (or killed).
//
//   lockholder LOCATION USER     (LOCATION: a folder, or a server's libpq keywords)
//   commands: edit TABLE KEY...   append TABLE   set TABLE FIELD VALUE
//             post TABLE          cancel TABLE   quit
//   replies:  "ready" once, then "ok" or "error TEXT" (line breaks as " | ")

#include "HelperChannel.h"

#include "db/CultivarSchema.h"
#include "db/engine/EngineError.h"
#include "db/engine/EngineSession.h"
#include "db/engine/TableView.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <map>
#include <memory>

using namespace kasplan;

namespace {

std::map<QString, std::unique_ptr<db::TableView>> views;
std::unique_ptr<db::EngineSession> session;

db::TableView& viewOf(const QString& table)
{
    auto& view = views[table];
    if (!view) {
        view = std::make_unique<db::TableView>(QStringLiteral("tb") + table);
        view->setSession(session.get());
        view->setDatabaseName(QStringLiteral("LOCKS"));
        view->setTableName(table);
        view->open();
    }
    return *view;
}

void run(const QStringList& command)
{
    const QString verb = command.value(0);
    try {
        if (verb == QLatin1String("quit")) {
            QCoreApplication::exit(0);
            return;
        }
        db::TableView& view = viewOf(command.value(1));
        if (verb == QLatin1String("edit")) {
            const QStringList& key = view.tableDef().primaryKey;
            QVariantList values;
            for (int i = 0; i < key.size(); ++i)
                values.append(command.value(2 + i));
            if (!view.locate(key, values))
                throw db::EngineError(db::ErrorKind::Other, QStringLiteral("no such record"));
            view.edit();
        } else if (verb == QLatin1String("append")) {
            view.append();
        } else if (verb == QLatin1String("set")) {
            view.fieldByName(command.value(2))->setValue(command.value(3));
        } else if (verb == QLatin1String("post")) {
            view.post();
        } else if (verb == QLatin1String("cancel")) {
            view.cancel();
        } else {
            throw db::EngineError(db::ErrorKind::Other, QStringLiteral("unknown command"));
        }
        test::HelperChannel::reply(QStringLiteral("ok"));
    } catch (const db::EngineError& e) {
        test::HelperChannel::reply(
            QStringLiteral("error ") +
            QString(e.text()).replace(QLatin1Char('\n'), QLatin1String(" | ")));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    session = std::make_unique<db::EngineSession>(
        QDir::temp().absoluteFilePath(QStringLiteral("lockholder-unsaved.cfg")));
    if (QFileInfo(args[1]).isDir())
        session->aliases().add(QStringLiteral("LOCKS"), QStringLiteral("Paradox"), args[1]);
    else
        session->aliases().addServer(QStringLiteral("LOCKS"), db::ServerLocation::parse(args[1]));
    session->setUserName(args[2]);
    test::HelperChannel channel(run);
    test::HelperChannel::reply(QStringLiteral("ready"));
    const int result = app.exec();
    views.clear();
    session.reset();
    return result;
}
