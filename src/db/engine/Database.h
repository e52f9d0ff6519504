#pragma once

#include "Condition.h"
#include "RowKey.h"
#include "TableDef.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kasplan::db {

// The keys of a view's records in the view's order, with any extra field
// values asked for (a record filter reads them without fetching whole rows).
struct KeyScan
{
    std::vector<RowKey> keys;
    std::vector<QVariantList> extra;
};

// The rows of a SELECT, all in memory.
struct QueryResult
{
    QList<FieldDef> fields;
    std::vector<QVariantList> rows;
};

// Many records of one table read and added with the same fields, the
// statements prepared once: for bulk work inside a batch (an import), where
// preparing a statement for every record would cost more than running it.
// Valid while its database is open.
class BulkAccess
{
public:
    virtual ~BulkAccess() = default;
    // The values of the fields of the record with that key, if there is one.
    virtual std::optional<QVariantList> fetch(const RowKey& key) = 0;
    // Adds a record as insertRow does. A refused record leaves the batch as it
    // was before it.
    virtual void insert(const QVariantList& values) = 0;
};

class Database;

// The tables a program expects of a database on a server, and how an empty
// one gets them: the layout and its first records, in one transaction.
struct DatabaseLayout
{
    SchemaDef schema;
    std::function<void(Database&)> fill;
    // False for a caller that only reads: an empty database is refused.
    bool createWhenEmpty = true;
};

// One database (a folder's cultivar tables) as the views see it. Everything
// particular to a storage engine lives behind this interface; a view never
// writes a statement of its own.
//
// Values travel as QVariant in the field's own type: QString for Alpha and
// Memo, int for Short and Long, double for Number and Money, QDate for Date,
// bool for Logical; a null QVariant is a null field. Every change is one
// transaction, written through to the file before the call returns.
class Database : public QObject
{
    Q_OBJECT

public:
    explicit Database(QString folder, QObject* parent = nullptr);

    const QString& folder() const { return m_folder; }

    virtual bool hasTable(const QString& table) = 0;
    // The table's layout as the file holds it; throws when it is missing.
    virtual TableDef tableDef(const QString& table) = 0;

    virtual KeyScan scanKeys(const TableDef& table, const Condition& where,
                             const QStringList& extraFields, int limit = -1) = 0;
    virtual std::optional<QVariantList> fetchRow(const TableDef& table, const QStringList& fields,
                                                 const RowKey& key) = 0;
    // The same for many records at once, in the order of keys (none where a
    // record is gone): a view reading one record after another asks for the
    // next ones together. Backends read them with few statements.
    virtual std::vector<std::optional<QVariantList>>
    fetchRows(const TableDef& table, const QStringList& fields, const std::vector<RowKey>& keys);
    virtual bool rowMatches(const TableDef& table, const RowKey& key, const Condition& where) = 0;
    // The first record, in key order, matching where.
    virtual std::optional<QVariantList> lookup(const TableDef& table, const Condition& where,
                                               const QStringList& fields) = 0;

    // Adds a record; answers its key.
    virtual RowKey insertRow(const TableDef& table, const QStringList& fields,
                             const QVariantList& values) = 0;
    // Changes the given fields of a record. For a table with record locks the
    // record must be locked by this copy; the lock is released in the same
    // transaction, and the change is refused (LockLost) if another copy took
    // the lock over meanwhile.
    virtual void updateRow(const TableDef& table, const RowKey& key, const QStringList& fields,
                           const QVariantList& values) = 0;
    // Deletes a record; refused while another copy holds its lock.
    virtual void deleteRow(const TableDef& table, const RowKey& key) = 0;

    // Record locks of tables that have them: taken when an edit starts,
    // refused with "Record locked by another user." naming the holder.
    virtual void lockRecord(const TableDef& table, const RowKey& key) = 0;
    virtual void unlockRecord(const TableDef& table, const RowKey& key) = 0;

    // A read-only SELECT statement; anything else is refused.
    virtual QueryResult select(const QString& sql) = 0;

    // Reads and adds records of table with the given fields in bulk; the
    // views hear of the additions (tableChanged) when it is destroyed.
    virtual std::unique_ptr<BulkAccess> bulkAccess(const TableDef& table,
                                                   const QStringList& fields) = 0;

    // Several changes as one transaction: a user action with the changes its
    // rules make, a cascade, a copy, creating a database. Levels nest (the
    // inner ones are savepoints); commitBatch keeps a level's changes,
    // rollbackBatch undoes them. Nothing is taken from the file until the
    // first change, so a level may be opened before its rules ask the user
    // anything. Views on this database return to where they were when a
    // level began if it is undone (transactionUndone), so after a failed
    // action they show what is stored.
    void beginBatch();
    void commitBatch();
    void rollbackBatch();
    int batchDepth() const { return m_batchDepth; }

    // A bulk action that changes many records, with no view reading them
    // meanwhile, holds the change notices back: when it lets go, the views
    // hear once of each table it changed rather than of every record. Levels
    // nest; see HeldChangeNotices.
    void holdChangeNotices();
    void releaseChangeNotices();
    // Tells the views that a record of table was added, changed or deleted
    // (tableChanged), now or when the notices are let go. For the backends.
    void announceTableChanged(const QString& table);

    // Makes sure every posted change is in the file. Changes are written
    // through when they are posted, so this only confirms that no
    // transaction is left open.
    virtual void saveChanges() = 0;

Q_SIGNALS:
    // A record of table was added, changed or deleted through this database
    // (in this process); views drop what they had read of it.
    void tableChanged(const QString& table);
    // A batch level began, was kept, or was undone. Views keep their state
    // at the beginning and return to it when the level is undone; wrote
    // tells whether anything may have been written meanwhile. Handlers must
    // not throw (a view passes errors of its controls over).
    void transactionBegun(int depth);
    void transactionKept(int depth);
    void transactionUndone(int depth, bool wrote);
    // After transactionUndone reached every view: each reads its records
    // anew where needed (masters have their record back by then) and tells
    // its controls.
    void transactionUndoneSettled();

protected:
    virtual void doBeginBatch() = 0;
    // Both answer whether the level had begun in the file.
    virtual bool doCommitBatch() = 0;
    virtual bool doRollbackBatch() = 0;

private:
    QString m_folder;
    int m_batchDepth = 0;
    int m_noticesHeld = 0;
    QStringList m_heldNotices;
};

// Change notices held back for a scope (Database::holdChangeNotices).
class HeldChangeNotices
{
public:
    explicit HeldChangeNotices(Database& database) : m_database(database)
    {
        m_database.holdChangeNotices();
    }
    ~HeldChangeNotices() { m_database.releaseChangeNotices(); }
    HeldChangeNotices(const HeldChangeNotices&) = delete;
    HeldChangeNotices& operator=(const HeldChangeNotices&) = delete;

private:
    Database& m_database;
};

// One batch level for a scope: committed by commit(), undone when the scope
// is left without it (also by an exception).
class Transaction
{
public:
    explicit Transaction(Database& database) : m_database(database) { m_database.beginBatch(); }
    ~Transaction()
    {
        if (m_done)
            return;
        try {
            m_database.rollbackBatch();
        } catch (...) {
            // Undoing never fails in the file; a view that cannot read its
            // records anew shows them at its next refresh.
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit()
    {
        m_done = true;
        m_database.commitBatch();
    }

private:
    Database& m_database;
    bool m_done = false;
};

} // namespace kasplan::db
