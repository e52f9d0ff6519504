#include "SqliteRecordLocks.h"

#include "EngineError.h"
#include "SqliteConnection.h"
#include "SqliteSchema.h"
#include "core/Clock.h"

#include <QDateTime>

#include <sqlite3.h>

namespace kasplan::db {

namespace {

QString locksTable()
{
    return QLatin1String(SqliteSchema::LockTable);
}

} // namespace

SqliteRecordLocks::SqliteRecordLocks(SqliteConnection& connection, HostIdentity self,
                                     QString session, int leaseMs)
    : m_connection(connection), m_self(std::move(self)), m_session(std::move(session)),
      m_leaseMs(leaseMs)
{
}

bool SqliteRecordLocks::readHolder(const QString& table, const QString& key, Holder& holder)
{
    SqliteStatement s = m_connection.statement(
        QStringLiteral("SELECT session, user, host_id, boot_id, pid, heartbeat, host FROM %1 "
                       "WHERE tbl = ? AND rkey = ?")
            .arg(locksTable()));
    s.bind(table).bind(key);
    if (!s.step())
        return false;
    holder.session = QString::fromUtf8(s.text(0));
    holder.user = QString::fromUtf8(s.text(1));
    holder.hostId = QString::fromUtf8(s.text(2));
    holder.bootId = QString::fromUtf8(s.text(3));
    holder.pid = s.integer(4);
    holder.heartbeat = s.integer(5);
    holder.host = QString::fromUtf8(s.text(6));
    return true;
}

bool SqliteRecordLocks::isStale(const LockId& id, const Holder& holder)
{
    if (holder.hostId == m_self.hostId) {
        if (!holder.bootId.isEmpty() && !m_self.bootId.isEmpty() && holder.bootId != m_self.bootId)
            return true; // the machine was started again since
        if (!HostIdentity::processAlive(holder.pid))
            return true;
    }
    // Another machine, or a live process here: only a heartbeat that stands
    // still longer than the lease, timed on this copy's own clock, counts.
    auto it = m_watches.find(id);
    if (it == m_watches.end() || it->session != holder.session ||
        it->heartbeat != holder.heartbeat) {
        Watch w;
        w.session = holder.session;
        w.heartbeat = holder.heartbeat;
        w.since.start();
        m_watches.insert(id, w);
        return false;
    }
    return it->since.elapsed() > m_leaseMs;
}

bool SqliteRecordLocks::takeOver(const QString& table, const QString& key, const Holder& holder)
{
    SqliteStatement s = m_connection.statement(
        QStringLiteral("UPDATE %1 SET session = ?, user = ?, host = ?, host_id = ?, boot_id = ?, "
                       "pid = ?, heartbeat = 0, since = ? "
                       "WHERE tbl = ? AND rkey = ? AND session = ? AND heartbeat = ?")
            .arg(locksTable()));
    s.bind(m_session)
        .bind(m_self.user)
        .bind(m_self.host)
        .bind(m_self.hostId)
        .bind(m_self.bootId)
        .bindInt(m_self.pid)
        .bind(Clock::current().now().toUTC().toString(Qt::ISODate))
        .bind(table)
        .bind(key)
        .bind(holder.session)
        .bindInt(holder.heartbeat);
    s.run();
    return sqlite3_changes(m_connection.handle()) == 1;
}

void SqliteRecordLocks::insertOwn(const QString& table, const QString& key)
{
    SqliteStatement s = m_connection.statement(
        QStringLiteral("INSERT INTO %1 (tbl, rkey, session, user, host, host_id, boot_id, pid, "
                       "heartbeat, since) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 0, ?)")
            .arg(locksTable()));
    s.bind(table)
        .bind(key)
        .bind(m_session)
        .bind(m_self.user)
        .bind(m_self.host)
        .bind(m_self.hostId)
        .bind(m_self.bootId)
        .bindInt(m_self.pid)
        .bind(Clock::current().now().toUTC().toString(Qt::ISODate));
    s.run();
}

void SqliteRecordLocks::acquire(const QString& table, const QString& key)
{
    const LockId id{table, key};
    Holder holder;
    if (!readHolder(table, key, holder)) {
        insertOwn(table, key);
    } else if (holder.session != m_session) {
        if (!isStale(id, holder) || !takeOver(table, key, holder))
            throw EngineError::recordLocked(table, holder.user, holder.host);
        m_watches.remove(id);
    } else if (!m_held.contains(id)) {
        // This copy's own row that it no longer counts: a release whose
        // transaction did not commit left it behind.
        m_held.insert(id, 0);
    }
    ++m_held[id];
}

void SqliteRecordLocks::release(const QString& table, const QString& key)
{
    const LockId id{table, key};
    auto it = m_held.find(id);
    if (it == m_held.end())
        return;
    if (--it.value() > 0)
        return;
    m_held.erase(it);
    SqliteStatement s = m_connection.statement(
        QStringLiteral("DELETE FROM %1 WHERE tbl = ? AND rkey = ? AND session = ?")
            .arg(locksTable()));
    s.bind(table).bind(key).bind(m_session);
    s.run();
}

void SqliteRecordLocks::verifyHeld(const QString& table, const QString& key)
{
    Holder holder;
    const bool present = readHolder(table, key, holder);
    if (present && holder.session == m_session)
        return;
    m_held.remove({table, key});
    throw EngineError::lockLost(table, present ? holder.user : QStringLiteral("?"));
}

void SqliteRecordLocks::clearForDelete(const QString& table, const QString& key)
{
    const LockId id{table, key};
    Holder holder;
    if (!readHolder(table, key, holder))
        return;
    if (holder.session != m_session && !isStale(id, holder))
        throw EngineError::recordLocked(table, holder.user, holder.host);
    m_held.remove(id);
    m_watches.remove(id);
    SqliteStatement s = m_connection.statement(
        QStringLiteral("DELETE FROM %1 WHERE tbl = ? AND rkey = ?").arg(locksTable()));
    s.bind(table).bind(key);
    s.run();
}

bool SqliteRecordLocks::holds(const QString& table, const QString& key) const
{
    return m_held.contains({table, key});
}

void SqliteRecordLocks::forget(const QString& table, const QString& key)
{
    auto it = m_held.find({table, key});
    if (it != m_held.end() && --it.value() <= 0)
        m_held.erase(it);
}

void SqliteRecordLocks::heartbeat()
{
    if (m_held.isEmpty())
        return;
    SqliteStatement s = m_connection.statement(
        QStringLiteral("UPDATE %1 SET heartbeat = heartbeat + 1 WHERE session = ?")
            .arg(locksTable()));
    s.bind(m_session);
    s.run();
}

} // namespace kasplan::db
