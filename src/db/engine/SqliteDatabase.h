#pragma once

#include "Database.h"
#include "HostIdentity.h"
#include "SqliteRecordLocks.h"
#include "SqliteSessions.h"

#include <QHash>
#include <QTimer>

#include <functional>

#include <memory>
#include <vector>

namespace kasplan::db {

class SqliteConnection;

// A folder's database as one SQLite file. Safe for several copies of the
// program sharing the folder: rollback journal (never write-ahead logging,
// which needs shared memory that network folders do not give), every
// transaction synced to disk (synchronous=FULL), a busy timeout instead of
// instant "database is locked" failures, foreign keys on, and record locks in
// the file itself.
class SqliteDatabase : public Database
{
    Q_OBJECT

public:
    static constexpr const char* FileName = "cultivars.sqlite";

    struct Options
    {
        HostIdentity identity;
        int lockLeaseMs = 60000;
        int busyTimeoutMs = 10000;
        // Whether this copy tells the others it has the file open, so that
        // none changes the tables' layout under it. A copy that only reads
        // for a moment leaves no trace.
        bool announce = false;
    };

    // A table rewritten in a new layout: each field of layout takes its
    // values from the old field named in sources (same position), or gets
    // its default when the name is empty.
    struct TableRebuild
    {
        QString table;
        TableDef layout;
        QStringList sources;
    };

    // Opens an existing file; a database in write-ahead-log mode is converted
    // to a rollback journal, or refused when another program holds it open.
    SqliteDatabase(const QString& file, Options options, QObject* parent = nullptr);
    ~SqliteDatabase() override;

    // Creates a new file with the tables of schema (the file must not exist).
    static void createFile(const QString& file, const SchemaDef& schema);
    // Whether file is a database without any data: zero bytes, or no tables
    // besides the engine's bookkeeping. A file that cannot be read as a
    // database does not count: it may be a damaged one worth keeping.
    static bool holdsNoTables(const QString& file);

    bool hasTable(const QString& table) override;
    TableDef tableDef(const QString& table) override;
    KeyScan scanKeys(const TableDef& table, const Condition& where, const QStringList& extraFields,
                     int limit) override;
    std::optional<QVariantList> fetchRow(const TableDef& table, const QStringList& fields,
                                         const RowKey& key) override;
    std::vector<std::optional<QVariantList>> fetchRows(const TableDef& table,
                                                       const QStringList& fields,
                                                       const std::vector<RowKey>& keys) override;
    bool rowMatches(const TableDef& table, const RowKey& key, const Condition& where) override;
    std::optional<QVariantList> lookup(const TableDef& table, const Condition& where,
                                       const QStringList& fields) override;
    RowKey insertRow(const TableDef& table, const QStringList& fields,
                     const QVariantList& values) override;
    void updateRow(const TableDef& table, const RowKey& key, const QStringList& fields,
                   const QVariantList& values) override;
    void deleteRow(const TableDef& table, const RowKey& key) override;
    void lockRecord(const TableDef& table, const RowKey& key) override;
    void unlockRecord(const TableDef& table, const RowKey& key) override;
    QueryResult select(const QString& sql) override;
    std::unique_ptr<BulkAccess> bulkAccess(const TableDef& table,
                                           const QStringList& fields) override;
    void saveChanges() override;

    // Changes the tables' layout, as one transaction that needs the file to
    // itself: refused with ExclusiveAccess ("Table could not be opened for
    // exclusive access") while another copy has it open. The links are not
    // enforced during the change and checked before it is kept. Nested calls
    // join the outer change. Views on the database must be closed.
    void changeLayout(const std::function<void()>& change);
    // Throws ExclusiveAccess while another copy has the file open.
    void checkExclusiveUse();
    // One ALTER TABLE statement, as a change of layout.
    void alterTable(const QString& statement);
    // Rewrites a table: a new table in the new layout, every record copied,
    // the old one dropped and the new one renamed, its indexes and the
    // triggers that name it restored, as a change of layout.
    void rebuildTable(const TableRebuild& rebuild);
    // Rebuilds the table's order index (key fields case-blind first).
    void rebuildOrderIndex(const QString& table);

    void setLockLeaseMs(int leaseMs);
    const QString& session() const;
    SqliteConnection& connection() { return *m_connection; }

protected:
    void doBeginBatch() override;
    bool doCommitBatch() override;
    bool doRollbackBatch() override;

private:
    void advanceHeartbeat();
    void updateHeartbeatTimer();

    std::unique_ptr<SqliteConnection> m_connection;
    std::unique_ptr<SqliteRecordLocks> m_locks;
    std::unique_ptr<SqliteSessions> m_sessions;
    int m_layoutDepth = 0;
    QHash<QString, TableDef> m_tables;
    // UPDATE statements by table, key and fields changed.
    QHash<QString, QString> m_updateStatements;
    // The locks held when each open batch level began, for undoing it.
    std::vector<SqliteRecordLocks::Held> m_heldAtBatch;
    QTimer m_heartbeat;
};

} // namespace kasplan::db
