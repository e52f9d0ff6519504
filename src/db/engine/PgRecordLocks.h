#pragma once

#include "HostIdentity.h"

#include <QHash>
#include <QPair>
#include <QSet>
#include <QString>

namespace kasplan::db {

class PgConnection;

// Record locks as the server's advisory locks of this copy's connection.
// The server lets go of them the moment the connection ends, however it
// ends (the program quits, crashes, is killed, or the computer loses the
// network), so no lock outlives its holder and none needs a lease.
//
// Each connection writes who it is (user, computer, process) into the
// engine's sessions table when it connects, so another copy refused a lock
// can name the holder.
//
// The server's locks do not follow transactions, so a lock given back
// inside a transaction stays taken on the server until the outermost
// transaction has ended: an undone post still holds its record, as on
// SQLite. reconcile() then gives back what this copy no longer counts.
class PgRecordLocks
{
public:
    PgRecordLocks(PgConnection& connection, HostIdentity self);

    // Writes this connection's row of the sessions table (at every connect,
    // outside any transaction) and forgets the locks of an earlier one.
    void registerSession();

    // Takes the lock or counts one more use; throws recordLocked naming the
    // holder.
    void acquire(const QString& table, const QString& key);
    // Drops one use.
    void release(const QString& table, const QString& key);
    // Throws lockLost unless this connection holds the lock on the server.
    void verifyHeld(const QString& table, const QString& key);
    // Takes the lock for a delete, throwing recordLocked if another copy
    // holds it; the record's lock goes with the record.
    void clearForDelete(const QString& table, const QString& key);
    int heldCount() const { return int(m_held.size()); }

    using Held = QHash<QPair<QString, QString>, int>;
    const Held& held() const { return m_held; }
    void restoreHeld(Held held) { m_held = std::move(held); }

    // Outside any transaction: gives back on the server every lock this
    // copy no longer counts. Errors are passed over (a broken connection
    // has let go of everything already).
    void reconcile();
    // Everything held on the server, given back (when the copy closes).
    void releaseAll();

    // The advisory lock's number for a record: 64 bits of a hash of table
    // and key, the same in every copy.
    static qint64 lockNumber(const QString& table, const QString& key);

private:
    using LockId = QPair<QString, QString>;
    bool takeOnServer(const LockId& id);
    QString holderOf(qint64 number);
    void checkGeneration();

    PgConnection& m_connection;
    HostIdentity m_self;
    Held m_held;
    QHash<LockId, qint64> m_onServer; // taken on the current connection
    int m_generation = 0;
};

} // namespace kasplan::db
