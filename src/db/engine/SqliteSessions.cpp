#include "SqliteSessions.h"

#include "EngineError.h"
#include "SqliteConnection.h"
#include "SqliteSchema.h"
#include "core/Clock.h"

#include <QDateTime>

namespace kasplan::db {

namespace {

QString sessionsTable()
{
    return QLatin1String(SqliteSchema::SessionTable);
}

} // namespace

SqliteSessions::SqliteSessions(SqliteConnection& connection, HostIdentity self, QString session,
                               int leaseMs)
    : m_connection(connection), m_self(std::move(self)), m_session(std::move(session)),
      m_leaseMs(leaseMs)
{
}

void SqliteSessions::announce()
{
    SqliteTransaction t(m_connection);
    SqliteStatement s = m_connection.statement(
        QStringLiteral("INSERT OR REPLACE INTO %1 (session, user, host, host_id, boot_id, pid, "
                       "heartbeat, since) VALUES (?, ?, ?, ?, ?, ?, 0, ?)")
            .arg(sessionsTable()));
    s.bind(m_session)
        .bind(m_self.user)
        .bind(m_self.host)
        .bind(m_self.hostId)
        .bind(m_self.bootId)
        .bindInt(m_self.pid)
        .bind(Clock::current().now().toUTC().toString(Qt::ISODate));
    s.run();
    t.commit();
    m_announced = true;
}

void SqliteSessions::withdraw() noexcept
{
    if (!m_announced)
        return;
    m_announced = false;
    try {
        SqliteStatement s = m_connection.statement(
            QStringLiteral("DELETE FROM %1 WHERE session = ?").arg(sessionsTable()));
        s.bind(m_session);
        s.run();
    } catch (const EngineError&) {
        // The row of a copy that is gone is removed by the next copy that
        // looks.
    }
}

QList<SqliteSessions::Row> SqliteSessions::otherRows()
{
    QList<Row> rows;
    SqliteStatement s = m_connection.statement(
        QStringLiteral("SELECT session, host_id, boot_id, pid, heartbeat FROM %1 "
                       "WHERE session <> ?")
            .arg(sessionsTable()));
    s.bind(m_session);
    while (s.step()) {
        Row r;
        r.session = QString::fromUtf8(s.text(0));
        r.hostId = QString::fromUtf8(s.text(1));
        r.bootId = QString::fromUtf8(s.text(2));
        r.pid = s.integer(3);
        r.heartbeat = s.integer(4);
        rows.append(r);
    }
    return rows;
}

bool SqliteSessions::isGone(const Row& row)
{
    if (row.hostId == m_self.hostId) {
        if (!row.bootId.isEmpty() && !m_self.bootId.isEmpty() && row.bootId != m_self.bootId)
            return true;
        return !HostIdentity::processAlive(row.pid);
    }
    auto it = m_watches.find(row.session);
    if (it == m_watches.end() || it->heartbeat != row.heartbeat) {
        Watch w;
        w.heartbeat = row.heartbeat;
        w.since.start();
        m_watches.insert(row.session, w);
        return false;
    }
    return it->since.elapsed() > m_leaseMs;
}

void SqliteSessions::remove(const Row& row)
{
    SqliteStatement s = m_connection.statement(
        QStringLiteral("DELETE FROM %1 WHERE session = ? AND heartbeat = ?").arg(sessionsTable()));
    s.bind(row.session).bindInt(row.heartbeat);
    s.run();
    m_watches.remove(row.session);
}

void SqliteSessions::heartbeat()
{
    SqliteTransaction t(m_connection);
    if (m_announced) {
        SqliteStatement s = m_connection.statement(
            QStringLiteral("UPDATE %1 SET heartbeat = heartbeat + 1 WHERE session = ?")
                .arg(sessionsTable()));
        s.bind(m_session);
        s.run();
    }
    for (const Row& row : otherRows()) {
        if (isGone(row))
            remove(row);
    }
    t.commit();
}

void SqliteSessions::claimExclusiveUse()
{
    if (!SqliteSchema::hasTable(m_connection, sessionsTable()))
        return;
    bool inUse = false;
    for (const Row& row : otherRows()) {
        if (isGone(row))
            remove(row);
        else
            inUse = true;
    }
    if (inUse)
        throw EngineError(ErrorKind::ExclusiveAccess,
                          QStringLiteral("Table could not be opened for exclusive access"));
}

} // namespace kasplan::db
