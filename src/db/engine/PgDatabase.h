#pragma once

#include "Database.h"
#include "HostIdentity.h"
#include "PgConnection.h"
#include "PgRecordLocks.h"

#include <QHash>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kasplan::db {

// A database on a PostgreSQL server, for sites whose copies of the program
// run on several computers. Every copy keeps one connection; record locks
// are the connection's own advisory locks, so the server frees them the
// moment a copy is gone. Names, order and refusals are those of the SQLite
// backend: a view cannot tell the two apart.
class PgDatabase : public Database
{
    Q_OBJECT

public:
    struct Options
    {
        HostIdentity identity;
        // Given, an empty database gets the layout and its first records on
        // first use (one copy at a time), and a database of another layout
        // or program is refused, never altered. Without it only a database
        // that carries the engine's mark is opened.
        std::optional<DatabaseLayout> layout;
    };

    // where names server and database for messages ("kasplan op
    // kas-server:5432"). Throws ServerUnreachable, ForeignDatabase.
    PgDatabase(const PgParams& params, const QString& where, Options options,
               QObject* parent = nullptr);
    ~PgDatabase() override;

    // Creates the tables of schema in a database that holds none.
    void createLayout(const SchemaDef& schema);

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

    PgConnection& connection() { return *m_connection; }

protected:
    void doBeginBatch() override;
    bool doCommitBatch() override;
    bool doRollbackBatch() override;

private:
    friend class PgBulkAccess;
    RowKey insertQuietly(const TableDef& table, const QStringList& fields,
                         const QVariantList& values);
    void prepare(const Options& options);
    void afterChange();

    std::unique_ptr<PgConnection> m_connection;
    std::unique_ptr<PgRecordLocks> m_locks;
    QHash<QString, TableDef> m_tables;
    std::vector<PgRecordLocks::Held> m_heldAtBatch;
};

} // namespace kasplan::db
