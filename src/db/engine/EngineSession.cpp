#include "EngineSession.h"

#include "Database.h"
#include "EngineError.h"
#include "HostIdentity.h"
#include "PgDatabase.h"
#include "SqliteDatabase.h"
#include "core/Locations.h"

#include <QDir>
#include <QFileInfo>

namespace kasplan::db {

namespace {

int leaseFromEnvironment()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("KASPLAN_LOCK_LEASE_MS", &ok);
    return ok && ms > 0 ? ms : 60000;
}

QString folderKey(const QString& folder)
{
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace

EngineSession::EngineSession(QString configFile)
    : m_aliases(std::move(configFile)), m_userName(HostIdentity::loginName()),
      m_lockLeaseMs(leaseFromEnvironment())
{
}

EngineSession::~EngineSession() = default;

QString EngineSession::aliasPath(const QString& alias) const
{
    return m_aliases.path(alias);
}

QString EngineSession::ensureStandardAlias()
{
    const QString alias = QLatin1String(StandardAlias);
    // A 'BROEI' written as a server is the user's own, however wrong: it is
    // refused when opened, never overwritten.
    if (!m_aliases.contains(alias) ||
        (!m_aliases.isServer(alias) && m_aliases.path(alias).isEmpty())) {
        m_aliases.add(alias, QLatin1String(DefaultDriver), Locations::standardDatabaseDir());
        m_aliases.save();
    }
    return m_aliases.path(alias);
}

void EngineSession::addPassword(const QString& password)
{
    if (!m_passwords.contains(password))
        m_passwords.append(password);
}

void EngineSession::setLockLeaseMs(int ms)
{
    m_lockLeaseMs = ms;
    for (auto& [folder, database] : m_databases) {
        if (auto* sqlite = qobject_cast<SqliteDatabase*>(database.get()))
            sqlite->setLockLeaseMs(ms);
    }
}

Database& EngineSession::database(const QString& alias)
{
    if (!m_aliases.contains(alias))
        throw EngineError(ErrorKind::UnknownAlias,
                          QStringLiteral("Unknown database.\nAlias: %1").arg(alias));
    if (m_aliases.isServer(alias)) {
        // The standard database is where the program keeps its version file
        // and falls back to: always a folder of this computer.
        if (alias.compare(QLatin1String(StandardAlias), Qt::CaseInsensitive) == 0)
            throw EngineError(ErrorKind::UnknownAlias,
                              QStringLiteral("De standaard database BROEI moet een map zijn, "
                                             "geen databaseserver: geef de server in engine.cfg "
                                             "een eigen naam, bijvoorbeeld [HORTIDB]."));
        const ServerParams params = m_aliases.serverParams(alias);
        ServerLocation::check(alias, params);
        return databaseOnServer(params);
    }
    const QString path = m_aliases.path(alias);
    if (path.isEmpty() || !QFileInfo(path).isDir())
        throw EngineError(
            ErrorKind::DatabaseMissing,
            QStringLiteral("Database folder not found.\nAlias: %1\nFolder: %2").arg(alias, path));
    return databaseAt(path);
}

Database& EngineSession::databaseAt(const QString& folder)
{
    const QString key = folderKey(folder);
    auto it = m_databases.find(key);
    if (it != m_databases.end())
        return *it->second;
    SqliteDatabase::Options options;
    options.identity = HostIdentity::current(m_userName);
    options.lockLeaseMs = m_lockLeaseMs;
    options.announce = m_announceUse;
    auto database = std::make_unique<SqliteDatabase>(
        QDir(key).absoluteFilePath(QLatin1String(SqliteDatabase::FileName)), options);
    Database& result = *database;
    m_databases.emplace(key, std::move(database));
    return result;
}

Database& EngineSession::databaseOnServer(const ServerParams& params)
{
    const QString key = ServerLocation::identity(params);
    auto it = m_databases.find(key);
    if (it != m_databases.end())
        return *it->second;
    PgParams libpq;
    for (const auto& [keyword, value] : params)
        libpq.append({keyword.toLower().toUtf8(), value.toUtf8()});
    PgDatabase::Options options;
    options.identity = HostIdentity::current(m_userName);
    options.layout = m_serverLayout;
    auto database = std::make_unique<PgDatabase>(libpq, ServerLocation::describe(params), options);
    Database& result = *database;
    m_databases.emplace(key, std::move(database));
    return result;
}

void EngineSession::closeDatabases()
{
    m_databases.clear();
}

} // namespace kasplan::db
