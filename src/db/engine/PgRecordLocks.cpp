#include "PgRecordLocks.h"

#include "EngineError.h"
#include "PgConnection.h"
#include "PgSchema.h"

#include <QCryptographicHash>
#include <QtEndian>

namespace kasplan::db {

namespace {

// pg_locks shows an advisory lock on one 64-bit number as two 32-bit halves.
QVariantList halves(qint64 number)
{
    const quint64 n = quint64(number);
    return {qint64(n >> 32), qint64(n & 0xffffffffu)};
}

} // namespace

PgRecordLocks::PgRecordLocks(PgConnection& connection, HostIdentity self)
    : m_connection(connection), m_self(std::move(self))
{
}

qint64 PgRecordLocks::lockNumber(const QString& table, const QString& key)
{
    const QByteArray digest = QCryptographicHash::hash(
        table.toLower().toUtf8() + '\x1f' + key.toUtf8(), QCryptographicHash::Sha256);
    return qFromBigEndian<qint64>(digest.constData());
}

void PgRecordLocks::registerSession()
{
    m_onServer.clear();
    m_generation = m_connection.generation();
    const QString sessions = QLatin1String(PgSchema::SessionsTable);
    // Rows of connections that have gone would only ever be replaced.
    m_connection.exec(QStringLiteral("DELETE FROM %1 WHERE backend_pid NOT IN (SELECT pid FROM "
                                     "pg_catalog.pg_stat_activity)")
                          .arg(sessions));
    m_connection.exec(
        QStringLiteral("INSERT INTO %1 (backend_pid, user_name, host, program_pid, since) VALUES "
                       "(pg_backend_pid(), $1, $2, $3, now()) ON CONFLICT (backend_pid) DO UPDATE "
                       "SET user_name = EXCLUDED.user_name, host = EXCLUDED.host, program_pid = "
                       "EXCLUDED.program_pid, since = EXCLUDED.since")
            .arg(sessions),
        {m_self.user, m_self.host, m_self.pid});
}

void PgRecordLocks::checkGeneration()
{
    // A new connection holds nothing of what the old one took.
    if (m_generation != m_connection.generation()) {
        m_onServer.clear();
        m_generation = m_connection.generation();
    }
}

bool PgRecordLocks::takeOnServer(const LockId& id)
{
    checkGeneration();
    if (m_onServer.contains(id))
        return true;
    const qint64 number = lockNumber(id.first, id.second);
    const PgResult r =
        m_connection.exec(QStringLiteral("SELECT pg_try_advisory_lock($1::bigint)"), {number});
    if (r.text(0, 0) != "t")
        return false;
    m_onServer.insert(id, number);
    return true;
}

QString PgRecordLocks::holderOf(qint64 number)
{
    const PgResult r = m_connection.exec(
        QStringLiteral("SELECT s.user_name, s.host FROM pg_catalog.pg_locks l JOIN %1 s ON "
                       "s.backend_pid = l.pid WHERE l.locktype = 'advisory' AND l.granted AND "
                       "l.database = (SELECT oid FROM pg_catalog.pg_database WHERE datname = "
                       "current_database()) AND l.classid = $1::bigint::oid AND l.objid = "
                       "$2::bigint::oid AND l.objsubid = 1 AND l.pid <> pg_backend_pid() LIMIT 1")
            .arg(QLatin1String(PgSchema::SessionsTable)),
        halves(number));
    if (r.rows() == 0)
        return {};
    return QString::fromUtf8(r.text(0, 0)) + QLatin1Char('\x1f') + QString::fromUtf8(r.text(0, 1));
}

void PgRecordLocks::acquire(const QString& table, const QString& key)
{
    const LockId id{table, key};
    // The holder may be letting go at this moment; ask again before naming
    // one that is gone.
    for (int attempt = 0;; ++attempt) {
        if (takeOnServer(id))
            break;
        const QString holder = holderOf(lockNumber(table, key));
        if (!holder.isEmpty() || attempt == 2) {
            const QStringList parts = holder.split(QLatin1Char('\x1f'));
            throw EngineError::recordLocked(
                table, holder.isEmpty() ? QStringLiteral("?") : parts[0], parts.value(1));
        }
    }
    ++m_held[id];
}

void PgRecordLocks::release(const QString& table, const QString& key)
{
    auto it = m_held.find({table, key});
    if (it == m_held.end())
        return;
    if (--it.value() <= 0)
        m_held.erase(it);
}

void PgRecordLocks::verifyHeld(const QString& table, const QString& key)
{
    checkGeneration();
    const LockId id{table, key};
    const qint64 number = lockNumber(table, key);
    bool held = false;
    if (m_onServer.contains(id)) {
        const PgResult r = m_connection.exec(
            QStringLiteral("SELECT 1 FROM pg_catalog.pg_locks WHERE locktype = 'advisory' AND "
                           "granted AND pid = pg_backend_pid() AND classid = $1::bigint::oid "
                           "AND objid = $2::bigint::oid AND objsubid = 1"),
            halves(number));
        held = r.rows() > 0;
    }
    if (held)
        return;
    m_held.remove(id);
    m_onServer.remove(id);
    throw EngineError(
        ErrorKind::LockLost,
        QStringLiteral("De vergrendeling van dit record is vervallen, doordat de verbinding met "
                       "de databaseserver verbroken was. De wijziging is niet opgeslagen: "
                       "annuleer haar en bewerk het record opnieuw.\nTable: %1\nUser: ?")
            .arg(table),
        QStringLiteral("?"));
}

void PgRecordLocks::clearForDelete(const QString& table, const QString& key)
{
    const LockId id{table, key};
    for (int attempt = 0;; ++attempt) {
        if (takeOnServer(id))
            break;
        const QString holder = holderOf(lockNumber(table, key));
        if (!holder.isEmpty() || attempt == 2) {
            const QStringList parts = holder.split(QLatin1Char('\x1f'));
            throw EngineError::recordLocked(
                table, holder.isEmpty() ? QStringLiteral("?") : parts[0], parts.value(1));
        }
    }
    // Held on the server until the delete's transaction has ended, so that
    // nobody starts editing the record meanwhile; then given back.
    m_held.remove(id);
}

void PgRecordLocks::reconcile()
{
    if (m_connection.broken()) {
        m_onServer.clear();
        return;
    }
    checkGeneration();
    for (auto it = m_onServer.begin(); it != m_onServer.end();) {
        if (m_held.contains(it.key())) {
            ++it;
            continue;
        }
        try {
            m_connection.exec(QStringLiteral("SELECT pg_advisory_unlock($1::bigint)"),
                              {it.value()});
        } catch (const EngineError&) {
            // A broken connection holds nothing any more.
        }
        it = m_onServer.erase(it);
    }
}

void PgRecordLocks::releaseAll()
{
    m_held.clear();
    reconcile();
}

} // namespace kasplan::db
