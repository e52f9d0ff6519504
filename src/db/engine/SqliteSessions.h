#pragma once

#include "HostIdentity.h"

#include <QElapsedTimer>
#include <QHash>
#include <QString>

namespace kasplan::db {

class SqliteConnection;

// The copies of the program that have a database file open, kept in a table
// of the file itself so that copies on other computers sharing the folder
// count too. A change of the tables' layout needs the file to itself.
//
// As with the record locks, each copy's row carries a heartbeat counter that
// only its owner advances. A row of a process of this machine that no longer
// runs (or ran before the machine's last start) is gone at once; a row of
// another computer only after this copy watched its counter stand still for
// longer than the lease. No two clocks are compared.
class SqliteSessions
{
public:
    SqliteSessions(SqliteConnection& connection, HostIdentity self, QString session, int leaseMs);

    void setLeaseMs(int leaseMs) { m_leaseMs = leaseMs; }
    bool announced() const { return m_announced; }

    // Adds this copy's row (own transaction).
    void announce();
    // Removes it again; never throws.
    void withdraw() noexcept;
    // Advances this copy's counter and removes the rows of copies that are
    // gone (own transaction).
    void heartbeat();
    // Throws "Table could not be opened for exclusive access" while another
    // live copy has the file open; rows of copies that are gone are removed
    // on the way. Must run inside a write transaction of the connection.
    void claimExclusiveUse();

private:
    struct Row
    {
        QString session;
        QString hostId;
        QString bootId;
        qint64 pid = 0;
        qint64 heartbeat = 0;
    };
    struct Watch
    {
        qint64 heartbeat = 0;
        QElapsedTimer since;
    };

    QList<Row> otherRows();
    bool isGone(const Row& row);
    void remove(const Row& row);

    SqliteConnection& m_connection;
    HostIdentity m_self;
    QString m_session;
    int m_leaseMs;
    bool m_announced = false;
    QHash<QString, Watch> m_watches;
};

} // namespace kasplan::db
