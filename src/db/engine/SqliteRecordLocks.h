#pragma once

#include "HostIdentity.h"

#include <QElapsedTimer>
#include <QHash>
#include <QString>

namespace kasplan::db {

class SqliteConnection;

// Record locks kept in a table of the database file itself, so copies on
// several computers sharing the folder see each other's locks.
//
// A lock row names its holder (session, user, host, process) and carries a
// heartbeat counter that the holder advances while it holds locks. Another
// copy treats a lock as stale only after watching that counter stand still
// for longer than the lease on its own clock, or at once when the holder was
// a process of this machine that no longer runs (or ran before the machine's
// last start). The lease is timed with a monotonic timer, not the program's
// clock: it measures how long this copy waited, whatever the date says. A stale lock is taken over
// by compare-and-swap on the session and counter it was seen with.
//
// Every call except heartbeat() must run inside a write transaction of the
// connection, so the reads and writes of one call see no other writer.
class SqliteRecordLocks
{
public:
    SqliteRecordLocks(SqliteConnection& connection, HostIdentity self, QString session,
                      int leaseMs);

    const QString& session() const { return m_session; }
    void setLeaseMs(int leaseMs) { m_leaseMs = leaseMs; }
    int leaseMs() const { return m_leaseMs; }

    // Takes the lock or counts one more use of this copy's own lock; throws
    // recordLocked naming the holder.
    void acquire(const QString& table, const QString& key);
    // Drops one use; the row goes with the last.
    void release(const QString& table, const QString& key);
    // Throws lockLost unless this copy still holds the lock.
    void verifyHeld(const QString& table, const QString& key);
    // Throws recordLocked if another live copy holds the lock; a stale lock
    // or this copy's own goes with the record.
    void clearForDelete(const QString& table, const QString& key);
    bool holds(const QString& table, const QString& key) const;
    // Forgets one use without touching the file, when the transaction that
    // took it did not commit.
    void forget(const QString& table, const QString& key);
    int heldCount() const { return int(m_held.size()); }

    // What this copy holds, to be put back when a transaction that took or
    // released locks is undone.
    using Held = QHash<QPair<QString, QString>, int>;
    const Held& held() const { return m_held; }
    void restoreHeld(Held held) { m_held = std::move(held); }

    // Advances this copy's heartbeat on all its locks (own transaction).
    void heartbeat();

private:
    struct Holder
    {
        QString session;
        QString user;
        QString host;
        QString hostId;
        QString bootId;
        qint64 pid = 0;
        qint64 heartbeat = 0;
    };
    struct Watch
    {
        QString session;
        qint64 heartbeat = 0;
        QElapsedTimer since;
    };
    using LockId = QPair<QString, QString>;

    bool readHolder(const QString& table, const QString& key, Holder& holder);
    bool isStale(const LockId& id, const Holder& holder);
    bool takeOver(const QString& table, const QString& key, const Holder& holder);
    void insertOwn(const QString& table, const QString& key);

    SqliteConnection& m_connection;
    HostIdentity m_self;
    QString m_session;
    int m_leaseMs;
    Held m_held;
    QHash<LockId, Watch> m_watches;
};

} // namespace kasplan::db
