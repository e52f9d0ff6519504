#pragma once

#include "Condition.h"
#include "DataSet.h"
#include "DataSource.h"
#include "FilterParser.h"
#include "OrderedKeys.h"
#include "TableDef.h"

#include <QPointer>
#include <QStringList>

#include <optional>
#include <vector>

namespace kasplan::db {

class Database;

// An editable view on one table, in key order (the primary key, letters
// compared without regard to case first). It keeps the ordered keys of the
// records it shows in memory and reads rows when they are needed; a detail
// view asks again, through the key index, whenever its master moves.
//
// Editing a record of a table with record locks takes the lock first (and
// re-reads the record, so the edit starts from what is stored); post and
// cancel release it. A post writes only the fields that changed, in one
// transaction, synced to disk before post() returns.
//
// A post and a delete are each one transaction together with everything
// their handlers change (a cascade, the stock flags of a cultivar): all of it
// is kept or none. When a transaction is undone, every view on the database
// returns to the record and state it had when the transaction began, with
// the values its user had typed, and reads what is stored anew.
class TableView : public DataSet
{
    Q_OBJECT

public:
    explicit TableView(const QString& name, QObject* parent = nullptr);
    ~TableView() override;

    void setTableName(const QString& table);
    const QString& tableName() const { return m_tableName; }

    // Master/detail: this view shows only the records whose fields equal the
    // master's current record's fields of the same names, and a record
    // inserted here takes those values.
    void setMaster(DataSource* master, const QStringList& fields);
    DataSource* masterSource() const { return m_master; }
    const QStringList& masterFields() const { return m_masterFields; }

    // The filter: a text in the engine's syntax (see FilterParser), plus the
    // events().onFilterRecord callback; both apply while filtered() is on.
    // Changing them on an open view goes to its first record.
    void setFilter(const QString& text);
    const QString& filter() const { return m_filterText; }
    void setFiltered(bool filtered);
    bool filtered() const { return m_filtered; }
    void setFilterOptions(FilterParser::Options options);
    // The fields the record filter reads; others read as null while it runs.
    // Empty: all fields.
    void setFilterFields(const QStringList& fields) { m_filterFields = fields; }

    // The open table's layout; valid while the view is open.
    const TableDef& tableDef() const { return m_table; }
    Database* database() const { return m_database; }

    // Confirms that posted changes are in the file (they are written when
    // posted).
    void saveChanges();

    // The key of the record at a position of the view's order, without
    // reading it.
    const RowKey& keyAt(int index) const { return m_keys.at(index); }

    Bookmark bookmark() const override;
    Bookmark bookmarkAt(int index) const override;
    bool bookmarkValid(const Bookmark& bookmark) const override;
    void gotoBookmark(const Bookmark& bookmark) override;
    bool locate(const QStringList& fields, const QVariantList& values, int options = 0) override;
    QVariant lookup(const QStringList& fields, const QVariantList& values,
                    const QString& resultField) override;
    // Stored fields are read straight from the table, many records at once.
    std::vector<QVariantList> valuesAt(const std::vector<int>& rows,
                                       const QList<const Field*>& fields) override;

    bool canModify() const override { return true; }
    void edit() override;
    void insert() override;
    void append() override;
    void post() override;
    void cancel() override;
    void deleteRecord() override;
    void refresh() override;

    // Called by the master's data source.
    void masterChanged(DataEvent event, Field* field);

protected:
    void doOpen() override;
    void doClose() override;
    int rowCount() const override { return m_keys.size(); }
    Record readRow(int index) override;
    std::vector<Record> readRows(int from, int count) override;

private:
    void beginInsert(bool atEnd);
    void loadKeys();
    void reloadAtFirst();
    // Puts a new filter in force; if the database refuses it, the old one
    // stays.
    void applyFilter(const QString& text, bool filtered, const Condition& parsed);
    Condition parseFilter(const QString& text) const;
    void reloadKeepingPlace();
    void placeRow(Record& record, const QVariantList& stored) const;
    // The record of key as stored, or only its key when it is gone.
    Record storedRecord(const RowKey& key, const std::optional<QVariantList>& stored) const;
    Condition viewCondition(bool& none) const;
    Condition masterCondition(bool& none) const;
    QVariantList masterValues() const;
    RowKey currentKey() const;
    bool passesRecordFilter(Record& record);
    bool belongsInView(const RowKey& key);
    // Places the posted record in the key list and makes it current.
    void placeAfterPost(const RowKey& oldKey, const RowKey& newKey, int fallbackIndex);
    void unlockQuietly();
    void tableChangedElsewhere(const QString& table);
    void transactionBegun(int depth);
    void transactionKept(int depth);
    void transactionUndone(int depth, bool wrote);
    void transactionUndoneSettled();
    void connectToDatabase();
    void disconnectFromDatabase();
    // The position found through the ordered keys, -1 for none, or
    // NotApplicable when the search is not on the leading key fields.
    static constexpr int NotApplicable = -2;
    int fastLocate(const QList<Field*>& fields, const QVariantList& values, int options);

    QString m_tableName;
    TableDef m_table;
    Database* m_database = nullptr;
    OrderedKeys m_keys;
    RowKey m_editKey;
    QPointer<DataSource> m_master;
    QStringList m_masterFields;
    QVariantList m_linkValues;
    bool m_linkNone = true;
    QStringList m_dataNames;
    QList<int> m_dataIndexes;
    QStringList m_lookupTables;
    int m_indexBeforeInsert = -1;
    bool m_writing = false;
    QString m_filterText;
    bool m_filtered = false;
    FilterParser::Options m_filterOptions;
    QStringList m_filterFields;
    Condition m_filterCondition;
    QList<Field*> m_keyFields;
    bool m_locked = false;

    // The view as a transaction level found it, to return to if it is undone.
    struct Saved
    {
        int depth = 0;
        State state = State::Browse;
        Record current;
        Record original;
        RowKey editKey;
        RowKey place;
        int index = -1;
        int indexBeforeInsert = -1;
        bool locked = false;
        bool modified = false;
        quint64 changes = 0;
        QVariantList linkValues;
    };
    std::vector<Saved> m_saved;
    // Set between the two steps of undoing: whether to read the keys anew.
    std::optional<bool> m_undoneRereadKeys;
    RowKey m_undonePlace;
    // Changes of the view's tables (its own and its lookups') heard so far.
    quint64 m_tableChanges = 0;
};

} // namespace kasplan::db
