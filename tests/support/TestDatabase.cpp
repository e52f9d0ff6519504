#include "TestDatabase.h"

#include "db/CultivarSchema.h"
#include "db/engine/PgConnection.h"
#include "db/engine/SqliteConnection.h"
#include "db/engine/SqliteDatabase.h"

#include <QDir>
#include <QUuid>

namespace kasplan::test {

namespace {

db::PgParams libpq(const db::ServerParams& params)
{
    db::PgParams p;
    for (const auto& [k, v] : params)
        p.append({k.toLower().toUtf8(), v.toUtf8()});
    return p;
}

} // namespace

db::ServerParams TestDatabase::withDatabase(db::ServerParams params, const QString& name)
{
    params.erase(std::remove_if(params.begin(), params.end(),
                                [](const auto& p) { return p.first == QLatin1String("dbname"); }),
                 params.end());
    params.append({QStringLiteral("dbname"), name});
    return params;
}

namespace {

// A connection to the server's own database, for making and dropping ours.
db::PgConnection maintenance()
{
    return db::PgConnection(
        libpq(TestDatabase::withDatabase(TestDatabase::serverParams(), QStringLiteral("postgres"))),
        QStringLiteral("test server"));
}

} // namespace

void TestDatabase::runOnServer(const QString& sql)
{
    maintenance().execScript(sql);
}

bool TestDatabase::onServer()
{
    return qgetenv("KASPLAN_TEST_BACKEND") == "postgresql";
}

db::ServerParams TestDatabase::serverParams()
{
    return db::ServerLocation::parse(qEnvironmentVariable("KASPLAN_TEST_PG"));
}

TestDatabase::TestDatabase()
{
    qputenv("KASPLAN_HOME", m_dir.path().toUtf8());
    QDir(m_dir.path()).mkpath(QStringLiteral("data"));
    m_session = std::make_unique<db::EngineSession>(m_dir.filePath(QStringLiteral("engine.cfg")));
    m_session->setUserName(QStringLiteral("tester"));
    if (onServer()) {
        const QString name =
            QStringLiteral("kt_") + QUuid::createUuid().toString(QUuid::Id128).left(16);
        try {
            runOnServer(QStringLiteral("CREATE DATABASE %1").arg(name));
        } catch (const db::EngineError& e) {
            // Every test of the run needs it; say why once, plainly.
            qFatal("The PostgreSQL test server (KASPLAN_TEST_PG) cannot be used: %s", e.what());
        }
        m_server = withDatabase(serverParams(), name);
        m_session->setServerLayout({CultivarSchema::schema(), {}, true});
    } else {
        db::SqliteDatabase::createFile(file(), CultivarSchema::schema());
    }
    addTo(*m_session, QLatin1String(Alias));
    // The layout is made now, as the file is on SQLite, so that a second
    // copy finds it.
    if (onServer())
        database();
}

TestDatabase::~TestDatabase()
{
    m_session.reset();
    if (!m_server.isEmpty()) {
        try {
            runOnServer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)")
                            .arg(m_server.back().second));
        } catch (const db::EngineError& e) {
            qWarning("test database not dropped: %s", e.what());
        }
    }
}

void TestDatabase::addTo(db::EngineSession& session, const QString& alias) const
{
    if (onServer())
        session.aliases().addServer(alias, m_server);
    else
        session.aliases().add(alias, QStringLiteral("Paradox"), folder());
}

QString TestDatabase::location() const
{
    if (!onServer())
        return folder();
    QStringList parts;
    for (const auto& [k, v] : m_server)
        parts.append(k + QLatin1Char('=') + v);
    return parts.join(QLatin1Char(' '));
}

QString TestDatabase::folder() const
{
    return m_dir.filePath(QStringLiteral("data"));
}

QString TestDatabase::file() const
{
    return QDir(folder()).absoluteFilePath(QLatin1String(db::SqliteDatabase::FileName));
}

db::Database& TestDatabase::database()
{
    return m_session->database(QLatin1String(Alias));
}

void TestDatabase::fillDisk()
{
    if (onServer())
        qFatal("fillDisk: SQLite only");
    auto& connection = static_cast<db::SqliteDatabase&>(database()).connection();
    const qint64 pages = connection.scalar(QStringLiteral("PRAGMA page_count")).toLongLong();
    connection.scalar(QStringLiteral("PRAGMA max_page_count=%1").arg(pages));
}

void TestDatabase::add(const QString& table, const QVariantMap& values)
{
    db::Database& d = database();
    d.insertRow(d.tableDef(table), values.keys(), values.values());
}

void TestDatabase::addSampleRecords()
{
    const auto cdata = [this](const char* cultivar, const char* source, int group) {
        add(QStringLiteral("Cdata"), {{QStringLiteral("Cultivar"), QString::fromUtf8(cultivar)},
                                      {QStringLiteral("Source"), QString::fromUtf8(source)},
                                      {QStringLiteral("Hoofdgroep"), group},
                                      {QStringLiteral("Status"), QStringLiteral("DLV/LBO")}});
    };
    cdata("Apeldoorn", "NL", 1);
    cdata("Apeldoorn", "", 1);
    cdata("apricot", "NL", 1);
    cdata("Blenda", "NL", 3);
    cdata("O'Brien", "", 3);
    cdata("Zebra", "US", 0);
    const auto size = [this](const char* cultivar, const char* source, const char* size,
                             int count) {
        add(QStringLiteral("Csizes"), {{QStringLiteral("Cultivar"), QString::fromUtf8(cultivar)},
                                       {QStringLiteral("Source"), QString::fromUtf8(source)},
                                       {QStringLiteral("Size"), QString::fromUtf8(size)},
                                       {QStringLiteral("Aantal"), count}});
    };
    size("Apeldoorn", "NL", "11/12", 1000);
    size("Apeldoorn", "NL", "12/+", 500);
    size("Blenda", "NL", "12/+", 0);
    for (const char* harvested : {"10/11", "11/12"})
        add(QStringLiteral("Cstdoogst"),
            {{QStringLiteral("Cultivar"), QStringLiteral("Apeldoorn")},
             {QStringLiteral("Source"), QStringLiteral("NL")},
             {QStringLiteral("Size"), QStringLiteral("11/12")},
             {QStringLiteral("OogstSize"), QString::fromUtf8(harvested)},
             {QStringLiteral("StdQty_per_m2"), 12.5}});
    for (const char* s : {"10/11", "11/12", "12/+"})
        add(QStringLiteral("Sizes"),
            {{QStringLiteral("Size"), QString::fromUtf8(s)}, {QStringLiteral("QtyUnit"), 1}});
}

std::unique_ptr<db::TableView> TestDatabase::view(const QString& table, db::EngineSession* session)
{
    auto v = std::make_unique<db::TableView>(QStringLiteral("tb") + table);
    v->setSession(session ? session : m_session.get());
    v->setDatabaseName(QLatin1String(Alias));
    v->setTableName(table);
    for (const db::FieldDef& f : CultivarSchema::table(table).fields)
        v->addField(f);
    return v;
}

std::unique_ptr<db::EngineSession> TestDatabase::otherSession(const QString& user) const
{
    auto other = std::make_unique<db::EngineSession>(m_dir.filePath(QStringLiteral("other.cfg")));
    addTo(*other, QLatin1String(Alias));
    other->setUserName(user);
    return other;
}

} // namespace kasplan::test
