// A bounded load test of the PostgreSQL backend: many copies of the program
// edit, add and delete records on one server database at once.
//
//   loadtest run LOCATION CLIENTS SECONDS
//     seeds the database, starts CLIENTS copies of itself for SECONDS, waits
//     for them, and checks: every acknowledged post is stored, no record lock
//     is left on the server, and the stored records equal a replay of the
//     acknowledged actions. Prints the figures; exit 0 only when all hold.
//   loadtest client LOCATION NUMBER SECONDS LOG
//     one copy: random edits of shared records, additions and deletions of
//     its own, each acknowledged action written to LOG with the time of its
//     acknowledgement.
//
// LOCATION is the server's libpq keywords with the database (dbname=...).

#include "db/CultivarSchema.h"
#include "db/engine/Database.h"
#include "db/engine/EngineError.h"
#include "db/engine/EngineSession.h"
#include "db/engine/TableView.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <memory>

using namespace kasplan;

namespace {

constexpr int Shared = 40; // cultivars every copy edits

qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

QString sharedName(int i)
{
    return QStringLiteral("Gedeeld %1").arg(i, 3, 10, QLatin1Char('0'));
}

std::unique_ptr<db::EngineSession> sessionFor(const QString& location, const QString& user)
{
    auto session = std::make_unique<db::EngineSession>(
        QDir::temp().absoluteFilePath(QStringLiteral("loadtest-unsaved.cfg")));
    session->aliases().addServer(QStringLiteral("LOAD"), db::ServerLocation::parse(location));
    session->setServerLayout({CultivarSchema::schema(), {}, true});
    session->setUserName(user);
    return session;
}

std::unique_ptr<db::TableView> viewOf(db::EngineSession& session, const QString& table)
{
    auto v = std::make_unique<db::TableView>(QStringLiteral("tb") + table);
    v->setSession(&session);
    v->setDatabaseName(QStringLiteral("LOAD"));
    v->setTableName(table);
    v->open();
    return v;
}

int client(const QStringList& args)
{
    const QString location = args.value(2);
    const int number = args.value(3).toInt();
    const int seconds = args.value(4).toInt();
    QFile log(args.value(5));
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        return 2;
    const auto ack = [&](const QString& line) {
        log.write(QStringLiteral("%1\t%2\n").arg(monotonicNs()).arg(line).toUtf8());
        log.flush();
    };
    auto session = sessionFor(location, QStringLiteral("copy%1").arg(number));
    auto cdata = viewOf(*session, QStringLiteral("Cdata"));
    auto sizes = viewOf(*session, QStringLiteral("Csizes"));
    QRandomGenerator random(quint32(1000 + number));
    QStringList own; // acknowledged additions not yet deleted
    int added = 0;
    int refused = 0;
    QElapsedTimer running;
    running.start();
    while (running.elapsed() < qint64(seconds) * 1000) {
        const int dice = int(random.bounded(100));
        const QString mine = QStringLiteral("Eigen %1-%2").arg(number).arg(added);
        try {
            if (dice < 50) {
                const QString name = sharedName(int(random.bounded(Shared)));
                const QString value = QStringLiteral("c%1-%2").arg(number).arg(random.generate());
                if (!cdata->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                                   {name, QString()}))
                    throw db::EngineError(db::ErrorKind::Other, QStringLiteral("shared gone"));
                cdata->edit();
                cdata->fieldByName(QStringLiteral("Kleur"))->setValue(value);
                cdata->post();
                ack(QStringLiteral("kleur\t%1\t%2").arg(name, value));
            } else if (dice < 70) {
                const QString name = sharedName(int(random.bounded(Shared)));
                const int value = int(random.bounded(100000));
                if (!sizes->locate({QStringLiteral("Cultivar"), QStringLiteral("Source"),
                                    QStringLiteral("Size")},
                                   {name, QString(), QStringLiteral("12/+")}))
                    throw db::EngineError(db::ErrorKind::Other, QStringLiteral("size gone"));
                sizes->edit();
                sizes->fieldByName(QStringLiteral("Aantal"))->setValue(value);
                sizes->post();
                ack(QStringLiteral("aantal\t%1\t%2").arg(name).arg(value));
            } else if (dice < 90 || own.isEmpty()) {
                // A cultivar with its size, as one action.
                db::Database& database = *cdata->database();
                db::Transaction action(database);
                database.insertRow(database.tableDef(QStringLiteral("Cdata")),
                                   {QStringLiteral("Cultivar"), QStringLiteral("Kleur")},
                                   {mine, QStringLiteral("nieuw")});
                database.insertRow(
                    database.tableDef(QStringLiteral("Csizes")),
                    {QStringLiteral("Cultivar"), QStringLiteral("Size"), QStringLiteral("Aantal")},
                    {mine, QStringLiteral("12/+"), 1});
                action.commit();
                ++added;
                own.append(mine);
                ack(QStringLiteral("add\t%1").arg(mine));
            } else {
                const QString name = own.takeAt(int(random.bounded(qsizetype(own.size()))));
                cdata->refresh(); // the view reads the keys of additions anew
                if (!cdata->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                                   {name, QString()}))
                    throw db::EngineError(db::ErrorKind::Other, QStringLiteral("own gone"));
                cdata->deleteRecord(); // its size goes with it
                ack(QStringLiteral("delete\t%1").arg(name));
            }
        } catch (const db::EngineError& e) {
            if (e.kind() != db::ErrorKind::RecordLocked) {
                std::fprintf(stderr, "copy %d: %s\n", number, e.what());
                return 1;
            }
            ++refused;
            if (cdata->isEditing())
                cdata->cancel();
            if (sizes->isEditing())
                sizes->cancel();
        }
    }
    ack(QStringLiteral("refused\t%1").arg(refused));
    return 0;
}

int run(const QStringList& args)
{
    const QString location = args.value(2);
    const int clients = args.value(3).toInt();
    const int seconds = args.value(4).toInt();
    {
        auto session = sessionFor(location, QStringLiteral("seed"));
        db::Database& d = session->database(QStringLiteral("LOAD"));
        db::Transaction t(d);
        for (int i = 0; i < Shared; ++i) {
            d.insertRow(d.tableDef(QStringLiteral("Cdata")), {QStringLiteral("Cultivar")},
                        {sharedName(i)});
            d.insertRow(d.tableDef(QStringLiteral("Csizes")),
                        {QStringLiteral("Cultivar"), QStringLiteral("Size")},
                        {sharedName(i), QStringLiteral("12/+")});
        }
        t.commit();
    }

    QTemporaryDir logs;
    std::vector<std::unique_ptr<QProcess>> copies;
    QElapsedTimer wall;
    wall.start();
    for (int n = 0; n < clients; ++n) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("client"), location, QString::number(n), QString::number(seconds),
                  logs.filePath(QStringLiteral("copy%1.log").arg(n))});
        copies.push_back(std::move(p));
    }
    int failedCopies = 0;
    for (auto& p : copies) {
        p->waitForFinished(qint64(seconds + 120) * 1000);
        failedCopies += p->exitStatus() != QProcess::NormalExit || p->exitCode() != 0 ? 1 : 0;
    }
    const double elapsed = double(wall.elapsed()) / 1000.0;

    // The replay: acknowledged actions in the order they were acknowledged.
    // Posts of one record come in the order they were stored, as each held
    // the record's lock until its transaction had ended.
    struct Action
    {
        qint64 at;
        QStringList parts;
    };
    std::vector<Action> actions;
    int refused = 0;
    for (int n = 0; n < clients; ++n) {
        QFile f(logs.filePath(QStringLiteral("copy%1.log").arg(n)));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QStringList parts = QString::fromUtf8(line).split(QLatin1Char('\t'));
            if (parts.size() < 2)
                continue;
            if (parts[1] == QLatin1String("refused"))
                refused += parts.value(2).toInt();
            else
                actions.push_back({parts[0].toLongLong(), parts.mid(1)});
        }
    }
    std::sort(actions.begin(), actions.end(),
              [](const Action& a, const Action& b) { return a.at < b.at; });
    QMap<QString, QString> colour; // the expected Cdata: cultivar -> Kleur
    QMap<QString, int> count;      // the expected Csizes "12/+": cultivar -> Aantal
    for (int i = 0; i < Shared; ++i)
        colour[sharedName(i)] = QString();
    QMap<QString, int> kinds;
    for (const Action& a : actions) {
        const QString& kind = a.parts[0];
        ++kinds[kind];
        if (kind == QLatin1String("kleur")) {
            colour[a.parts[1]] = a.parts[2];
        } else if (kind == QLatin1String("aantal")) {
            count[a.parts[1]] = a.parts[2].toInt();
        } else if (kind == QLatin1String("add")) {
            colour[a.parts[1]] = QStringLiteral("nieuw");
            count[a.parts[1]] = 1;
        } else if (kind == QLatin1String("delete")) {
            colour.remove(a.parts[1]);
            count.remove(a.parts[1]);
        }
    }

    auto session = sessionFor(location, QStringLiteral("check"));
    db::Database& d = session->database(QStringLiteral("LOAD"));
    QMap<QString, QString> storedColour;
    for (const QVariantList& row :
         d.select(QStringLiteral("SELECT Cultivar, Kleur FROM Cdata")).rows)
        storedColour[row[0].toString()] = row[1].toString();
    QMap<QString, int> storedCount;
    for (const QVariantList& row :
         d.select(QStringLiteral("SELECT Cultivar, Aantal FROM Csizes")).rows)
        storedCount[row[0].toString()] = row[1].toInt();
    int lost = 0;
    for (auto it = colour.cbegin(); it != colour.cend(); ++it)
        lost += storedColour.value(it.key(), QStringLiteral("<missing>")) != it.value() ? 1 : 0;
    for (auto it = count.cbegin(); it != count.cend(); ++it)
        lost += storedCount.value(it.key(), -1) != it.value() ? 1 : 0;
    const int extra = int(storedColour.size() - colour.size());
    const int locksLeft =
        d.select(QStringLiteral("SELECT count(*) FROM pg_locks WHERE locktype = 'advisory'"))
            .rows.front()
            .value(0)
            .toInt();
    const bool equal = lost == 0 && extra == 0 && storedColour == colour;

    std::printf("clients %d, %d s each, %.1f s wall\n", clients, seconds, elapsed);
    std::printf("acknowledged: %lld (edits %d, size edits %d, additions %d, deletions %d), "
                "%.0f per second\n",
                qlonglong(actions.size()), kinds.value(QStringLiteral("kleur")),
                kinds.value(QStringLiteral("aantal")), kinds.value(QStringLiteral("add")),
                kinds.value(QStringLiteral("delete")), double(actions.size()) / seconds);
    std::printf("lock refusals met: %d\n", refused);
    std::printf("copies that failed: %d\n", failedCopies);
    std::printf("lost acknowledged posts: %d\n", lost);
    std::printf("records beyond the replay: %d\n", extra);
    std::printf("record locks left on the server: %d\n", locksLeft);
    std::printf("stored data equal to the replay: %s\n", equal ? "yes" : "no");
    return failedCopies == 0 && equal && locksLeft == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.value(1) == QLatin1String("client") && args.size() == 6)
            return client(args);
        if (args.value(1) == QLatin1String("run") && args.size() == 5)
            return run(args);
    } catch (const db::EngineError& e) {
        std::fprintf(stderr, "loadtest: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: loadtest run LOCATION CLIENTS SECONDS\n");
    return 2;
}
