#include "TableView.h"

#include "DataSource.h"
#include "Database.h"
#include "EngineSession.h"

#include <algorithm>

namespace kasplan::db {

namespace {

// Marks the view as writing, so the database's change notice about its own
// write does not make it re-read its record half way.
class WritingFlag
{
public:
    explicit WritingFlag(bool& flag) : m_flag(flag) { m_flag = true; }
    ~WritingFlag() { m_flag = false; }
    WritingFlag(const WritingFlag&) = delete;
    WritingFlag& operator=(const WritingFlag&) = delete;

private:
    bool& m_flag;
};

} // namespace

TableView::TableView(const QString& name, QObject* parent) : DataSet(name, parent) {}

TableView::~TableView()
{
    if (isActive()) {
        // No handlers run from here: the data module may be half gone.
        if (m_state == State::Edit)
            unlockQuietly();
        m_state = State::Inactive;
    }
    if (m_master)
        m_master->removeDetail(this);
}

void TableView::setTableName(const QString& table)
{
    checkInactive();
    m_tableName = table;
}

void TableView::setMaster(DataSource* master, const QStringList& fields)
{
    if (m_master)
        m_master->removeDetail(this);
    m_master = master;
    m_masterFields = fields;
    if (m_master)
        m_master->addDetail(this);
}

// ---- open and close ----

void TableView::doOpen()
{
    m_database = &resolveDatabase();
    m_table = m_database->tableDef(m_tableName);
    m_keys.setRowNumbers(m_table.primaryKey.isEmpty());

    if (!hasDeclaredDataFields()) {
        addColumnFields(m_table.fields);
    } else {
        for (const auto& f : m_fields) {
            if (f->kind() != FieldKind::Data)
                continue;
            const FieldDef* def = m_table.field(f->fieldName());
            if (!def) {
                m_database = nullptr;
                throw EngineError::fieldNotFound(f->fieldName());
            }
            f->updateDef(*def);
        }
    }

    m_dataNames.clear();
    m_dataIndexes.clear();
    for (const auto& f : m_fields) {
        if (f->kind() == FieldKind::Data) {
            m_dataNames.append(f->fieldName());
            m_dataIndexes.append(f->index());
        }
    }
    m_keyFields.clear();
    for (const QString& k : m_table.primaryKey) {
        Field* f = findField(k);
        if (!f) {
            dropDynamicFields();
            m_database = nullptr;
            throw EngineError::fieldNotFound(k);
        }
        m_keyFields.append(f);
    }
    m_lookupTables.clear();
    for (const auto& f : m_fields) {
        if (f->kind() == FieldKind::Lookup) {
            if (auto* view = qobject_cast<TableView*>(f->lookup().dataSet))
                m_lookupTables.append(view->tableName());
        }
    }

    try {
        m_filterCondition = m_filtered ? parseFilter(m_filterText) : Condition();
        loadKeys();
    } catch (...) {
        dropDynamicFields();
        m_database = nullptr;
        throw;
    }
    connectToDatabase();
}

void TableView::connectToDatabase()
{
    connect(m_database, &Database::tableChanged, this, &TableView::tableChangedElsewhere,
            Qt::UniqueConnection);
    connect(m_database, &Database::transactionBegun, this, &TableView::transactionBegun,
            Qt::UniqueConnection);
    connect(m_database, &Database::transactionKept, this, &TableView::transactionKept,
            Qt::UniqueConnection);
    connect(m_database, &Database::transactionUndone, this, &TableView::transactionUndone,
            Qt::UniqueConnection);
    connect(m_database, &Database::transactionUndoneSettled, this,
            &TableView::transactionUndoneSettled, Qt::UniqueConnection);
}

void TableView::disconnectFromDatabase()
{
    disconnect(m_database, nullptr, this, nullptr);
    m_saved.clear();
    m_undoneRereadKeys.reset();
}

void TableView::doClose()
{
    if (m_state == State::Edit)
        unlockQuietly();
    if (m_database)
        disconnectFromDatabase();
    m_keys.clear();
    m_database = nullptr;
    m_linkNone = true;
    m_linkValues.clear();
}

// ---- keys ----

Condition TableView::masterCondition(bool& none) const
{
    none = false;
    if (!m_master)
        return {};
    const DataSet* master = m_master->dataSet();
    if (!master || !master->isActive() || (master->isEmpty() && master->state() != State::Insert)) {
        none = true;
        return {};
    }
    Condition c;
    for (const QString& f : m_masterFields) {
        QVariant v = master->fieldByName(f)->value();
        const FieldDef* def = m_table.field(f);
        if (!def)
            throw EngineError::fieldNotFound(f);
        if (v.isNull() && isText(def->type))
            v = QString(QLatin1String(""));
        c = Condition::both(std::move(c), v.isNull()
                                              ? Condition::compare(Condition::Op::IsNull, f, {})
                                              : Condition::compare(Condition::Op::Equal, f, v));
    }
    return c;
}

QVariantList TableView::masterValues() const
{
    QVariantList values;
    const DataSet* master = m_master ? m_master->dataSet() : nullptr;
    if (!master || !master->isActive())
        return values;
    for (const QString& f : m_masterFields)
        values.append(master->fieldByName(f)->value());
    return values;
}

Condition TableView::viewCondition(bool& none) const
{
    Condition c = masterCondition(none);
    if (m_filtered)
        c = Condition::both(std::move(c), m_filterCondition);
    return c;
}

void TableView::placeRow(Record& record, const QVariantList& stored) const
{
    for (int i = 0; i < m_dataIndexes.size() && i < stored.size(); ++i)
        record[m_dataIndexes[i]] = stored[i];
}

bool TableView::passesRecordFilter(Record& record)
{
    bool accept = true;
    withRecord(record, State::Filter, [&] { accept = m_events.onFilterRecord.all(*this); });
    return accept;
}

void TableView::loadKeys()
{
    m_keys.clear();
    bool none = false;
    const Condition where = viewCondition(none);
    m_linkNone = none;
    m_linkValues = masterValues();
    if (none)
        return;
    const bool recordFilter = m_filtered && m_events.onFilterRecord;
    if (!recordFilter) {
        m_keys.assign(std::move(m_database->scanKeys(m_table, where, {}).keys));
        return;
    }
    const QStringList read = m_filterFields.isEmpty() ? m_dataNames : m_filterFields;
    QList<int> readIndexes;
    for (const QString& f : read)
        readIndexes.append(fieldByName(f)->index());
    KeyScan scan = m_database->scanKeys(m_table, where, read);
    std::vector<RowKey> shown;
    Record record = emptyRecord();
    for (size_t i = 0; i < scan.keys.size(); ++i) {
        for (int k = 0; k < m_keyFields.size(); ++k)
            record[m_keyFields[k]->index()] = QString::fromUtf8(scan.keys[i][k]);
        for (int j = 0; j < readIndexes.size(); ++j)
            record[readIndexes[j]] = scan.extra[i][j];
        if (passesRecordFilter(record))
            shown.push_back(std::move(scan.keys[i]));
    }
    m_keys.assign(std::move(shown));
}

RowKey TableView::currentKey() const
{
    if (m_table.primaryKey.isEmpty())
        return m_state == State::Edit ? m_editKey : (m_index >= 0 ? m_keys.at(m_index) : RowKey());
    RowKey key;
    for (Field* f : m_keyFields) {
        const QVariant v = m_current.value(f->index());
        key.append(v.isNull() ? QByteArray("") : v.toString().toUtf8());
    }
    return key;
}

DataSet::Record TableView::readRow(int index)
{
    const RowKey& key = m_keys.at(index);
    return storedRecord(key, m_database->fetchRow(m_table, m_dataNames, key));
}

std::vector<DataSet::Record> TableView::readRows(int from, int count)
{
    std::vector<RowKey> keys;
    keys.reserve(size_t(count));
    for (int i = from; i < from + count; ++i)
        keys.push_back(m_keys.at(i));
    const std::vector<std::optional<QVariantList>> stored =
        m_database->fetchRows(m_table, m_dataNames, keys);
    std::vector<Record> records;
    records.reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        records.push_back(storedRecord(keys[i], stored[i]));
    return records;
}

std::vector<QVariantList> TableView::valuesAt(const std::vector<int>& rows,
                                              const QList<const Field*>& fields)
{
    const bool inRange = std::all_of(rows.begin(), rows.end(),
                                     [this](int row) { return row >= 0 && row < rowCount(); });
    QStringList names;
    for (const Field* field : fields) {
        if (field->kind() != FieldKind::Data || !isActive() || !inRange)
            return DataSet::valuesAt(rows, fields);
        names.append(field->fieldName());
    }
    std::vector<RowKey> keys;
    keys.reserve(rows.size());
    for (int row : rows)
        keys.push_back(m_keys.at(row));
    std::vector<std::optional<QVariantList>> stored = m_database->fetchRows(m_table, names, keys);
    std::vector<QVariantList> values;
    values.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i] == m_index || !stored[i]) {
            // The record being edited, or one another copy deleted since
            // this view read its keys (which shows its key only).
            const Record record =
                rows[i] == m_index ? m_current : storedRecord(keys[i], std::nullopt);
            QVariantList own;
            own.reserve(fields.size());
            for (const Field* field : fields)
                own.append(record.value(field->index()));
            values.push_back(std::move(own));
        } else {
            values.push_back(std::move(*stored[i]));
        }
    }
    return values;
}

DataSet::Record TableView::storedRecord(const RowKey& key,
                                        const std::optional<QVariantList>& stored) const
{
    Record record = emptyRecord();
    if (stored) {
        placeRow(record, *stored);
    } else {
        // Deleted by another copy since this view read its keys: show the
        // key until the next refresh.
        for (int k = 0; k < m_keyFields.size(); ++k)
            record[m_keyFields[k]->index()] = QString::fromUtf8(key.value(k));
    }
    return record;
}

void TableView::reloadAtFirst()
{
    loadKeys();
    clearRowCache();
    loadCurrent(m_keys.empty() ? -1 : 0);
    m_bof = true;
    m_eof = m_keys.empty();
    notify(DataEvent::DataSetChange);
}

void TableView::reloadKeepingPlace()
{
    const RowKey place = (m_index >= 0 && m_index < rowCount()) ? m_keys.at(m_index) : RowKey();
    loadKeys();
    clearRowCache();
    int index = place.isEmpty() ? 0 : m_keys.lowerBound(place);
    index = std::min(index, rowCount() - 1);
    loadCurrent(index);
    if (m_keys.empty())
        m_bof = m_eof = true;
    notify(DataEvent::DataSetChange);
}

// ---- filter ----

Condition TableView::parseFilter(const QString& text) const
{
    return FilterParser::parse(
        text,
        [this](const QString& n) {
            const FieldDef* d = m_table.field(n);
            return d ? d->name : QString();
        },
        m_filterOptions);
}

void TableView::applyFilter(const QString& text, bool filtered, const Condition& parsed)
{
    prepareToMove();
    const QString oldText = m_filterText;
    const bool oldFiltered = m_filtered;
    const Condition oldCondition = m_filterCondition;
    m_filterText = text;
    m_filtered = filtered;
    m_filterCondition = parsed;
    try {
        reloadAtFirst();
    } catch (...) {
        m_filterText = oldText;
        m_filtered = oldFiltered;
        m_filterCondition = oldCondition;
        reloadAtFirst();
        throw;
    }
}

void TableView::setFilter(const QString& text)
{
    if (isActive() && m_filtered)
        applyFilter(text, true, parseFilter(text));
    else
        m_filterText = text;
}

void TableView::setFiltered(bool filtered)
{
    if (m_filtered == filtered)
        return;
    if (isActive())
        applyFilter(m_filterText, filtered, filtered ? parseFilter(m_filterText) : Condition());
    else
        m_filtered = filtered;
}

void TableView::setFilterOptions(FilterParser::Options options)
{
    m_filterOptions = options;
    if (isActive() && m_filtered)
        applyFilter(m_filterText, true, parseFilter(m_filterText));
}

// ---- master/detail ----

void TableView::masterChanged(DataEvent event, Field* field)
{
    if (!isActive())
        return;
    if (event == DataEvent::StateChange)
        return;
    if (event == DataEvent::FieldChange &&
        (!field || !m_masterFields.contains(field->fieldName(), Qt::CaseInsensitive)))
        return;
    bool none = false;
    masterCondition(none);
    const QVariantList values = masterValues();
    const bool same = none == m_linkNone && values.size() == m_linkValues.size() &&
                      std::equal(values.begin(), values.end(), m_linkValues.begin(), sameValue);
    if (same && event != DataEvent::DataSetChange)
        return;
    checkBrowseMode();
    if (same)
        reloadKeepingPlace();
    else
        reloadAtFirst();
}

// ---- bookmarks and search ----

Bookmark TableView::bookmark() const
{
    Bookmark b;
    if (m_state == State::Edit)
        b.key = m_editKey;
    else if (m_state == State::Browse && m_index >= 0)
        b.key = m_keys.at(m_index);
    return b;
}

Bookmark TableView::bookmarkAt(int index) const
{
    Bookmark b;
    if (isActive() && index >= 0 && index < m_keys.size())
        b.key = m_keys.at(index);
    return b;
}

bool TableView::bookmarkValid(const Bookmark& bookmark) const
{
    return isActive() && !bookmark.key.isEmpty() && m_keys.indexOf(bookmark.key) >= 0;
}

void TableView::gotoBookmark(const Bookmark& bookmark)
{
    checkActive();
    const int index = bookmark.key.isEmpty() ? -1 : m_keys.indexOf(bookmark.key);
    if (index < 0)
        throw EngineError::recordDeleted(m_tableName);
    setCurrentIndex(index);
}

int TableView::fastLocate(const QList<Field*>& fields, const QVariantList& values, int options)
{
    // Only a search on the leading key fields can use the ordered keys.
    if (m_table.primaryKey.isEmpty() || fields.size() > m_keyFields.size())
        return NotApplicable;
    QList<QByteArray> wanted;
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i] != m_keyFields[i] || values.value(i).isNull())
            return NotApplicable;
        wanted.append(values[i].toString().toUtf8());
    }
    return m_keys.findLeading(wanted, options & CaseInsensitive, options & PartialKey);
}

bool TableView::locate(const QStringList& fields, const QVariantList& values, int options)
{
    checkActive();
    QList<Field*> targets;
    bool stored = true;
    for (const QString& f : fields) {
        Field* field = fieldByName(f);
        stored = stored && field->kind() == FieldKind::Data;
        targets.append(field);
    }
    if (!stored)
        return DataSet::locate(fields, values, options);
    prepareToMove();

    int found = fastLocate(targets, values, options);
    if (found == NotApplicable) {
        bool none = false;
        Condition c = viewCondition(none);
        if (none)
            return false;
        for (int i = 0; i < targets.size(); ++i) {
            const QVariant v = values.value(i);
            const bool text = isText(targets[i]->dataType());
            Condition part;
            if (v.isNull() || (text && v.toString().isEmpty() && !(options & PartialKey)))
                part = Condition::compare(Condition::Op::IsNull, targets[i]->fieldName(), {});
            else if (text && (options & PartialKey))
                part = Condition::compare(Condition::Op::StartsWith, targets[i]->fieldName(), v,
                                          options & CaseInsensitive);
            else
                part = Condition::compare(Condition::Op::Equal, targets[i]->fieldName(), v,
                                          options & CaseInsensitive);
            c = Condition::both(std::move(c), std::move(part));
        }
        found = -1;
        // The first match that the view shows (a record filter may hide some).
        const KeyScan scan = m_database->scanKeys(m_table, c, {});
        for (const RowKey& key : scan.keys) {
            const int index = m_keys.indexOf(key);
            if (index >= 0) {
                found = index;
                break;
            }
        }
    }
    if (found < 0)
        return false;
    setCurrentIndex(found);
    return true;
}

QVariant TableView::lookup(const QStringList& fields, const QVariantList& values,
                           const QString& resultField)
{
    Database& database = isActive() ? *m_database : resolveDatabase();
    const TableDef table = isActive() ? m_table : database.tableDef(m_tableName);
    if (!table.field(resultField) || std::any_of(fields.begin(), fields.end(),
                                                 [&](const QString& f) { return !table.field(f); }))
        return DataSet::lookup(fields, values, resultField);
    bool none = false;
    Condition c;
    if (isActive()) {
        c = viewCondition(none);
        if (none)
            return {};
    }
    for (int i = 0; i < fields.size(); ++i) {
        const QVariant v = values.value(i);
        c = Condition::both(std::move(c),
                            v.isNull() ? Condition::compare(Condition::Op::IsNull, fields[i], {})
                                       : Condition::compare(Condition::Op::Equal, fields[i], v));
    }
    const auto row = database.lookup(table, c, {resultField});
    return row ? row->value(0) : QVariant();
}

// ---- editing ----

void TableView::edit()
{
    checkActive();
    if (isEditing())
        return;
    if (m_keys.empty()) {
        insert();
        return;
    }
    m_events.beforeEdit(*this);
    const RowKey key = m_keys.at(m_index);
    Record fresh = emptyRecord();
    for (;;) {
        try {
            m_database->lockRecord(m_table, key);
            std::optional<QVariantList> stored;
            try {
                stored = m_database->fetchRow(m_table, m_dataNames, key);
                if (!stored)
                    throw EngineError::recordDeleted(m_tableName);
            } catch (...) {
                try {
                    m_database->unlockRecord(m_table, key);
                } catch (const EngineError&) {
                }
                throw;
            }
            // The edit starts from what is stored now, not from what this
            // view read earlier: another copy may have posted since.
            placeRow(fresh, *stored);
            computeDerived(fresh);
            break;
        } catch (const EngineError& error) {
            const DataAction action = askErrorHandler(m_events.onEditError, error);
            if (action == DataAction::Retry)
                continue;
            if (action == DataAction::Abort)
                throw AbortError();
            throw;
        }
    }
    m_locked = m_table.recordLocks;
    m_editKey = key;
    m_current = fresh;
    m_original = fresh;
    m_modified = false;
    m_rowCache.remove(m_index);
    setState(State::Edit);
    notify(DataEvent::RecordChange);
    m_events.afterEdit(*this);
}

void TableView::insert()
{
    beginInsert(false);
}

void TableView::append()
{
    beginInsert(true);
}

void TableView::beginInsert(bool atEnd)
{
    checkActive();
    prepareToMove();
    m_events.beforeInsert(*this);
    m_indexBeforeInsert = m_index;
    m_index = atEnd ? rowCount() : std::max(m_index, 0);
    m_current = emptyRecord();
    m_original.clear();
    if (m_master && m_master->dataSet() && m_master->dataSet()->isActive()) {
        const DataSet* master = m_master->dataSet();
        for (const QString& f : m_masterFields) {
            Field* own = fieldByName(f);
            m_current[own->index()] = own->coerce(master->fieldByName(f)->value());
        }
    }
    m_state = State::Insert;
    try {
        computeDerived(m_current);
        notify(DataEvent::StateChange);
        m_events.onNewRecord(*this);
    } catch (...) {
        m_state = State::Browse;
        loadCurrent(std::min(std::max(m_indexBeforeInsert, 0), rowCount() - 1));
        notify(DataEvent::StateChange);
        throw;
    }
    // Defaults alone do not make a record worth keeping.
    m_modified = false;
    m_bof = m_eof = false;
    notify(DataEvent::DataSetChange);
    m_events.afterInsert(*this);
}

bool TableView::belongsInView(const RowKey& key)
{
    bool none = false;
    const Condition where = viewCondition(none);
    if (none)
        return false;
    if (!where.isTrue() && !m_database->rowMatches(m_table, key, where))
        return false;
    if (m_filtered && m_events.onFilterRecord) {
        Record record = emptyRecord();
        if (const auto stored = m_database->fetchRow(m_table, m_dataNames, key))
            placeRow(record, *stored);
        return passesRecordFilter(record);
    }
    return true;
}

void TableView::placeAfterPost(const RowKey& oldKey, const RowKey& newKey, int fallbackIndex)
{
    if (!oldKey.isEmpty())
        m_keys.remove(oldKey);
    int index = fallbackIndex;
    if (belongsInView(newKey))
        index = m_keys.insert(newKey);
    clearRowCache();
    loadCurrent(std::min(std::max(index, 0), rowCount() - 1));
    m_bof = m_eof = m_keys.empty();
}

void TableView::post()
{
    checkActive();
    if (!isEditing())
        return;
    updateRecord();
    Transaction action(*m_database);
    m_events.beforePost(*this);
    const bool inserting = m_state == State::Insert;
    RowKey newKey;
    for (;;) {
        try {
            for (int i = 0; i < m_dataNames.size(); ++i) {
                const Field* f = field(m_dataIndexes[i]);
                const QVariant& v = m_current[m_dataIndexes[i]];
                if (f->required() &&
                    (v.isNull() || (isText(f->dataType()) && v.toString().isEmpty())))
                    throw EngineError::requiredField(f->fieldName());
            }
            WritingFlag writing(m_writing);
            if (inserting) {
                QVariantList values;
                for (int i : std::as_const(m_dataIndexes))
                    values.append(m_current[i]);
                newKey = m_database->insertRow(m_table, m_dataNames, values);
            } else {
                QStringList names;
                QVariantList values;
                for (int i = 0; i < m_dataNames.size(); ++i) {
                    const int at = m_dataIndexes[i];
                    if (!sameValue(m_current[at], m_original.value(at))) {
                        names.append(m_dataNames[i]);
                        values.append(m_current[at]);
                    }
                }
                // Also with nothing changed: it gives the lock back.
                m_database->updateRow(m_table, m_editKey, names, values);
                newKey = m_table.primaryKey.isEmpty() ? m_editKey : currentKey();
            }
            break;
        } catch (const EngineError& error) {
            const DataAction action = askErrorHandler(m_events.onPostError, error);
            if (action == DataAction::Retry)
                continue;
            if (action == DataAction::Abort)
                throw AbortError();
            throw;
        }
    }
    const RowKey oldKey = inserting ? RowKey() : m_editKey;
    const int fallback = inserting ? m_indexBeforeInsert : m_index;
    m_state = State::Browse;
    m_locked = false;
    m_editKey.clear();
    m_original.clear();
    m_modified = false;
    placeAfterPost(oldKey, newKey, fallback);
    notify(DataEvent::StateChange);
    notify(DataEvent::DataSetChange);
    m_events.afterPost(*this);
    action.commit();
}

void TableView::unlockQuietly()
{
    if (!m_locked || !m_database)
        return;
    m_locked = false;
    try {
        m_database->unlockRecord(m_table, m_editKey);
    } catch (const EngineError&) {
        // The lock row stays behind; its heartbeat has stopped, so other
        // copies take it over after the lease.
    }
}

void TableView::cancel()
{
    if (!isActive() || !isEditing())
        return;
    m_events.beforeCancel(*this);
    const bool inserting = m_state == State::Insert;
    if (!inserting)
        unlockQuietly();
    const int index = inserting ? m_indexBeforeInsert : m_index;
    m_state = State::Browse;
    m_editKey.clear();
    m_original.clear();
    loadCurrent(std::min(std::max(index, 0), rowCount() - 1));
    notify(DataEvent::StateChange);
    notify(inserting ? DataEvent::DataSetChange : DataEvent::RecordChange);
    m_events.afterCancel(*this);
}

void TableView::deleteRecord()
{
    checkActive();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_keys.empty() || m_index < 0)
        throw EngineError(ErrorKind::Other,
                          QStringLiteral("Cannot perform this operation on an empty dataset."));
    Transaction action(*m_database);
    m_events.beforeDelete(*this);
    // The handler may have moved the view; delete what is current now.
    if (m_keys.empty() || m_index < 0) {
        action.commit();
        return;
    }
    const RowKey key = m_state == State::Edit ? m_editKey : m_keys.at(m_index);
    for (;;) {
        try {
            WritingFlag writing(m_writing);
            m_database->deleteRow(m_table, key);
            break;
        } catch (const EngineError& error) {
            const DataAction action = askErrorHandler(m_events.onDeleteError, error);
            if (action == DataAction::Retry)
                continue;
            if (action == DataAction::Abort)
                throw AbortError();
            throw;
        }
    }
    const bool wasEditing = m_state == State::Edit;
    m_state = State::Browse;
    m_locked = false;
    m_editKey.clear();
    m_original.clear();
    m_keys.remove(key);
    clearRowCache();
    loadCurrent(std::min(m_index, rowCount() - 1));
    m_bof = m_eof = m_keys.empty();
    if (wasEditing)
        notify(DataEvent::StateChange);
    notify(DataEvent::DataSetChange);
    m_events.afterDelete(*this);
    action.commit();
}

void TableView::refresh()
{
    checkActive();
    checkBrowseMode();
    reloadKeepingPlace();
    m_events.afterRefresh(*this);
}

void TableView::saveChanges()
{
    if (m_database)
        m_database->saveChanges();
}

void TableView::transactionBegun(int depth)
{
    Saved saved;
    saved.depth = depth;
    saved.state = m_state;
    saved.current = m_current;
    saved.original = m_original;
    saved.editKey = m_editKey;
    if (m_state == State::Browse && m_index >= 0 && m_index < rowCount())
        saved.place = m_keys.at(m_index);
    saved.index = m_index;
    saved.indexBeforeInsert = m_indexBeforeInsert;
    saved.locked = m_locked;
    saved.modified = m_modified;
    saved.changes = m_tableChanges;
    saved.linkValues = m_linkValues;
    m_saved.push_back(std::move(saved));
}

void TableView::transactionKept(int depth)
{
    while (!m_saved.empty() && m_saved.back().depth >= depth)
        m_saved.pop_back();
}

void TableView::transactionUndone(int depth, bool wrote)
{
    // First step: the record and state the level found, values typed
    // included; no records are read yet, as a master may not have its own
    // record back.
    while (!m_saved.empty() && m_saved.back().depth > depth)
        m_saved.pop_back();
    if (m_saved.empty() || m_saved.back().depth != depth) {
        // Opened within the level: only what it read may be gone.
        if (wrote) {
            m_undonePlace = m_state == State::Browse && m_index >= 0 && m_index < rowCount()
                                ? m_keys.at(m_index)
                                : RowKey();
            m_undoneRereadKeys = true;
        }
        return;
    }
    const Saved saved = std::move(m_saved.back());
    m_saved.pop_back();
    const bool touched = wrote && saved.changes != m_tableChanges;
    if (!touched && saved.state == m_state && saved.index == m_index &&
        saved.current == m_current && saved.linkValues == m_linkValues)
        return; // nothing of this view changed
    m_state = saved.state;
    m_current = saved.current;
    m_original = saved.original;
    m_editKey = saved.editKey;
    m_index = saved.index;
    m_indexBeforeInsert = saved.indexBeforeInsert;
    m_locked = saved.locked;
    m_modified = saved.modified;
    m_undonePlace = saved.place;
    m_undoneRereadKeys = touched;
}

void TableView::transactionUndoneSettled()
{
    if (!m_undoneRereadKeys)
        return;
    const bool reread = *m_undoneRereadKeys;
    m_undoneRereadKeys.reset();
    try {
        // A detail reads the records of its master's record, which may be
        // another one again.
        const QVariantList link = masterValues();
        const bool otherMaster =
            m_master && (link.size() != m_linkValues.size() ||
                         !std::equal(link.begin(), link.end(), m_linkValues.begin(), sameValue));
        if (reread || otherMaster)
            loadKeys();
        clearRowCache();
        const int n = rowCount();
        if (m_state == State::Edit) {
            const int at = m_keys.indexOf(m_editKey);
            m_index = at >= 0 ? at : std::min(m_keys.lowerBound(m_editKey), n - 1);
        } else if (m_state == State::Insert) {
            m_index = std::clamp(m_index, 0, n);
        } else {
            const int at =
                m_undonePlace.isEmpty() ? std::max(m_index, 0) : m_keys.lowerBound(m_undonePlace);
            loadCurrent(std::min(at, n - 1));
        }
        m_bof = m_eof = n == 0 && m_state == State::Browse;
    } catch (const EngineError&) {
        // The records are read anew at the next refresh.
    }
    notifyControls(DataEvent::StateChange);
    notifyControls(DataEvent::DataSetChange);
}

void TableView::tableChangedElsewhere(const QString& table)
{
    if (table.compare(m_tableName, Qt::CaseInsensitive) != 0 &&
        !m_lookupTables.contains(table, Qt::CaseInsensitive))
        return;
    ++m_tableChanges;
    if (m_writing)
        return;
    clearRowCache();
    if (m_state == State::Browse && m_index >= 0) {
        loadCurrent(m_index);
        notify(DataEvent::RecordChange);
    }
}

} // namespace kasplan::db
