#include "DataSet.h"

#include "DataSource.h"
#include "Database.h"
#include "EngineSession.h"
#include "TableView.h"

namespace kasplan::db {

namespace {

// Restores what a temporary switch of record or state changed, also when the
// work in between throws.
class RecordSwitch
{
public:
    RecordSwitch(QVariantList*& active, DataSet::State& tempState, QVariantList* record,
                 DataSet::State state)
        : m_active(active), m_tempState(tempState), m_savedActive(active), m_savedState(tempState)
    {
        m_active = record;
        if (state != DataSet::State::Inactive)
            m_tempState = state;
    }
    ~RecordSwitch()
    {
        m_active = m_savedActive;
        m_tempState = m_savedState;
    }
    RecordSwitch(const RecordSwitch&) = delete;
    RecordSwitch& operator=(const RecordSwitch&) = delete;

private:
    QVariantList*& m_active;
    DataSet::State& m_tempState;
    QVariantList* m_savedActive;
    DataSet::State m_savedState;
};

} // namespace

DataSet::DataSet(const QString& name, QObject* parent) : QObject(parent)
{
    setObjectName(name);
}

DataSet::~DataSet()
{
    for (DataSource* source : QList<DataSource*>(m_dataSources))
        source->setDataSet(nullptr);
}

void DataSet::checkInactive() const
{
    if (isActive())
        throw EngineError(
            ErrorKind::Other,
            QStringLiteral("Cannot perform this operation on an open dataset: %1.").arg(name()));
}

void DataSet::setDatabaseName(const QString& alias)
{
    checkInactive();
    m_databaseName = alias;
}

// ---- fields ----

Field* DataSet::addField(const FieldDef& def)
{
    m_fields.push_back(std::make_unique<Field>(this, def, FieldKind::Data, fieldCount()));
    return m_fields.back().get();
}

Field* DataSet::addCalculatedField(const QString& name, FieldType type, int size)
{
    m_fields.push_back(std::make_unique<Field>(this, FieldDef{name, type, size, false},
                                               FieldKind::Calculated, fieldCount()));
    return m_fields.back().get();
}

Field* DataSet::addLookupField(const QString& name, FieldType type, int size,
                               Field::LookupDef lookup)
{
    m_fields.push_back(std::make_unique<Field>(this, FieldDef{name, type, size, false},
                                               FieldKind::Lookup, fieldCount()));
    m_fields.back()->setLookup(std::move(lookup));
    return m_fields.back().get();
}

Field* DataSet::findField(const QString& name) const
{
    for (const auto& f : m_fields) {
        if (f->fieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    }
    return nullptr;
}

Field* DataSet::fieldByName(const QString& name) const
{
    Field* f = findField(name);
    if (!f)
        throw EngineError::fieldNotFound(name);
    return f;
}

QList<Field*> DataSet::fields() const
{
    QList<Field*> list;
    for (const auto& f : m_fields)
        list.append(f.get());
    return list;
}

void DataSet::dropDynamicFields()
{
    if (m_dynamicFields.empty())
        return;
    std::erase_if(m_fields, [this](const std::unique_ptr<Field>& f) {
        return std::find(m_dynamicFields.begin(), m_dynamicFields.end(), f.get()) !=
               m_dynamicFields.end();
    });
    m_dynamicFields.clear();
    renumberFields();
}

void DataSet::renumberFields()
{
    for (size_t i = 0; i < m_fields.size(); ++i)
        m_fields[i]->m_index = int(i);
}

Database& DataSet::resolveDatabase() const
{
    if (!m_session)
        throw EngineError(ErrorKind::UnknownAlias,
                          QStringLiteral("No database session for view %1.").arg(name()));
    return m_session->database(m_databaseName);
}

bool DataSet::hasDeclaredDataFields() const
{
    return std::any_of(m_fields.begin(), m_fields.end(),
                       [](const auto& f) { return f->kind() == FieldKind::Data; });
}

void DataSet::addColumnFields(const QList<FieldDef>& columns)
{
    std::vector<std::unique_ptr<Field>> all;
    for (const FieldDef& def : columns) {
        all.push_back(std::make_unique<Field>(this, def, FieldKind::Data, 0));
        m_dynamicFields.push_back(all.back().get());
    }
    for (auto& f : m_fields)
        all.push_back(std::move(f));
    m_fields = std::move(all);
    renumberFields();
}

bool DataSet::hasDerivedFields() const
{
    for (const auto& f : m_fields) {
        if (f->kind() != FieldKind::Data)
            return true;
    }
    return false;
}

// ---- values ----

QVariant DataSet::fieldValue(const Field* field) const
{
    return m_active->value(field->index());
}

QVariant DataSet::fieldOldValue(const Field* field) const
{
    if (m_state == State::Edit && m_active == &m_current)
        return m_original.value(field->index());
    return fieldValue(field);
}

void DataSet::setFieldValue(Field* field, const QVariant& value)
{
    checkActive();
    const State s = state();
    const int i = field->index();
    if (field->kind() == FieldKind::Calculated ||
        (field->kind() == FieldKind::Lookup && s == State::CalcFields)) {
        if (s != State::CalcFields)
            throw EngineError(ErrorKind::NotEditing,
                              QStringLiteral("Field '%1' is calculated; only the calculation "
                                             "of its view can set it.")
                                  .arg(field->fieldName()));
        (*m_active)[i] = field->coerce(value);
        return;
    }
    if (s != State::Edit && s != State::Insert)
        throw EngineError::notEditing();
    if (field->readOnly())
        throw EngineError(ErrorKind::Other,
                          QStringLiteral("Field '%1' cannot be modified.").arg(field->fieldName()));
    if (field->kind() == FieldKind::Lookup) {
        setLookupValue(field, value);
        return;
    }
    const QVariant v = field->coerce(value);
    if (sameValue(v, m_current[i]))
        return;
    m_current[i] = v;
    m_modified = true;
    computeDerived(m_current);
    if (field->handlers().onChange)
        field->handlers().onChange(*field);
    notify(DataEvent::FieldChange, field);
}

void DataSet::setLookupValue(Field* field, const QVariant& value)
{
    // The lookup's key fields take the key of the looked-up record whose
    // result field holds the value.
    const Field::LookupDef& def = field->lookup();
    if (!def.dataSet)
        return;
    QVariantList keys;
    if (!value.isNull()) {
        for (const QString& k : def.lookupKeyFields) {
            const QVariant v = def.dataSet->lookup({def.resultField}, {value}, k);
            if (v.isNull())
                throw EngineError::invalidValue(field->fieldName(), value.toString());
            keys.append(v);
        }
    }
    for (int i = 0; i < def.keyFields.size(); ++i)
        fieldByName(def.keyFields[i])->setValue(keys.value(i));
}

void DataSet::computeDerived(Record& record)
{
    if (!hasDerivedFields())
        return;
    withRecord(record, State::CalcFields, [&] {
        for (const auto& f : m_fields) {
            if (f->kind() == FieldKind::Calculated) {
                record[f->index()] = QVariant();
            } else if (f->kind() == FieldKind::Lookup) {
                const Field::LookupDef& def = f->lookup();
                QVariantList keys;
                bool complete = def.dataSet != nullptr;
                for (const QString& k : def.keyFields) {
                    const QVariant v = fieldByName(k)->value();
                    complete = complete && !v.isNull();
                    keys.append(v);
                }
                record[f->index()] =
                    complete ? def.dataSet->lookup(def.lookupKeyFields, keys, def.resultField)
                             : QVariant();
            }
        }
        m_events.onCalcFields(*this);
    });
}

void DataSet::withRecord(Record& record, State tempState, const std::function<void()>& fn)
{
    RecordSwitch guard(m_active, m_tempState, &record, tempState);
    fn();
}

DataSet::Record DataSet::emptyRecord() const
{
    Record r;
    r.resize(fieldCount());
    return r;
}

// ---- open and close ----

void DataSet::open()
{
    if (isActive())
        return;
    m_events.beforeOpen(*this);
    doOpen();
    m_state = State::Browse;
    clearRowCache();
    loadCurrent(rowCount() > 0 ? 0 : -1);
    m_bof = true;
    m_eof = rowCount() == 0;
    notify(DataEvent::StateChange);
    notify(DataEvent::DataSetChange);
    m_events.afterOpen(*this);
}

void DataSet::close()
{
    if (!isActive())
        return;
    m_events.beforeClose(*this);
    doClose();
    m_state = State::Inactive;
    m_index = -1;
    m_bof = m_eof = true;
    m_modified = false;
    m_current.clear();
    m_original.clear();
    clearRowCache();
    dropDynamicFields();
    notify(DataEvent::StateChange);
    notify(DataEvent::DataSetChange);
    m_events.afterClose(*this);
}

void DataSet::checkActive() const
{
    if (!isActive())
        throw EngineError::notActive(name());
}

void DataSet::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    notify(DataEvent::StateChange);
}

void DataSet::clearRowCache()
{
    m_rowCache.clear();
}

void DataSet::loadCurrent(int index)
{
    const int n = rowCount();
    m_index = (index >= 0 && index < n) ? index : -1;
    m_modified = false;
    if (m_index < 0) {
        m_current = emptyRecord();
        return;
    }
    if (const Record* cached = m_rowCache.object(m_index)) {
        m_current = *cached;
        return;
    }
    m_current = readRow(m_index);
    computeDerived(m_current);
    m_rowCache.insert(m_index, new Record(m_current));
}

// ---- moving ----

int DataSet::recordCount() const
{
    return isActive() ? rowCount() : 0;
}

void DataSet::prepareToMove()
{
    checkBrowseMode();
    for (DataSource* source : std::as_const(m_dataSources)) {
        for (TableView* detail : source->details())
            static_cast<DataSet*>(detail)->prepareToMove();
    }
}

void DataSet::moveTo(int index)
{
    m_events.beforeScroll(*this);
    loadCurrent(index);
    notify(DataEvent::DataSetScroll);
    m_events.afterScroll(*this);
}

void DataSet::first()
{
    checkActive();
    prepareToMove();
    m_bof = true;
    m_eof = rowCount() == 0;
    if (rowCount() > 0 && m_index != 0)
        moveTo(0);
}

void DataSet::last()
{
    checkActive();
    prepareToMove();
    const int n = rowCount();
    m_eof = true;
    m_bof = n == 0;
    if (n > 0 && m_index != n - 1)
        moveTo(n - 1);
}

void DataSet::next()
{
    moveBy(1);
}

void DataSet::prior()
{
    moveBy(-1);
}

int DataSet::moveBy(int distance)
{
    checkActive();
    prepareToMove();
    const int n = rowCount();
    if (n == 0) {
        m_bof = m_eof = true;
        return 0;
    }
    const int from = m_index < 0 ? 0 : m_index;
    int to = from + distance;
    m_bof = false;
    m_eof = false;
    if (to >= n) {
        to = n - 1;
        m_eof = true;
    } else if (to < 0) {
        to = 0;
        m_bof = true;
    }
    if (to != m_index)
        moveTo(to);
    return to - from;
}

void DataSet::setCurrentIndex(int index)
{
    checkActive();
    prepareToMove();
    const int n = rowCount();
    if (index < 0 || index >= n)
        return;
    m_bof = false;
    m_eof = false;
    if (index != m_index)
        moveTo(index);
}

// ---- bookmarks, search (by position; table views search by key) ----

Bookmark DataSet::bookmark() const
{
    Bookmark b;
    b.row = m_index;
    return b;
}

bool DataSet::bookmarkValid(const Bookmark& bookmark) const
{
    return isActive() && bookmark.row >= 0 && bookmark.row < rowCount();
}

void DataSet::gotoBookmark(const Bookmark& bookmark)
{
    checkActive();
    if (!bookmarkValid(bookmark))
        throw EngineError::recordDeleted(name());
    setCurrentIndex(bookmark.row);
}

namespace {

bool valueMatches(const QVariant& stored, const QVariant& wanted, int options)
{
    if (wanted.isNull())
        return stored.isNull() || stored.toString().isEmpty();
    if (stored.typeId() == QMetaType::QString || wanted.typeId() == QMetaType::QString) {
        const QString s = stored.toString();
        const QString w = wanted.toString();
        const Qt::CaseSensitivity cs =
            (options & DataSet::CaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
        return (options & DataSet::PartialKey) ? s.startsWith(w, cs) : s.compare(w, cs) == 0;
    }
    return sameValue(stored, wanted);
}

} // namespace

bool DataSet::locate(const QStringList& fields, const QVariantList& values, int options)
{
    checkActive();
    QList<Field*> targets;
    for (const QString& f : fields)
        targets.append(fieldByName(f));
    prepareToMove();
    for (int i = 0; i < rowCount(); ++i) {
        bool all = true;
        for (int k = 0; k < targets.size() && all; ++k)
            all = valueMatches(valueAt(i, targets[k]), values.value(k), options);
        if (all) {
            setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

QVariant DataSet::lookup(const QStringList& fields, const QVariantList& values,
                         const QString& resultField)
{
    if (!isActive())
        return {};
    QList<Field*> targets;
    for (const QString& f : fields)
        targets.append(fieldByName(f));
    Field* result = fieldByName(resultField);
    for (int i = 0; i < rowCount(); ++i) {
        bool all = true;
        for (int k = 0; k < targets.size() && all; ++k)
            all = valueMatches(valueAt(i, targets[k]), values.value(k), 0);
        if (all)
            return valueAt(i, result);
    }
    return {};
}

// ---- editing ----

void DataSet::refuseChanges() const
{
    throw EngineError(ErrorKind::Other,
                      QStringLiteral("Cannot modify a read-only dataset: %1.").arg(name()));
}

void DataSet::edit()
{
    refuseChanges();
}

void DataSet::insert()
{
    refuseChanges();
}

void DataSet::append()
{
    refuseChanges();
}

void DataSet::post()
{
    if (isEditing())
        refuseChanges();
}

void DataSet::cancel() {}

void DataSet::deleteRecord()
{
    refuseChanges();
}

void DataSet::checkBrowseMode()
{
    if (!isActive() || !isEditing())
        return;
    updateRecord();
    if (m_modified)
        post();
    else
        cancel();
}

void DataSet::updateRecord()
{
    if (!isEditing() || m_disableCount > 0)
        return;
    for (DataSource* source : QList<DataSource*>(m_dataSources))
        source->updateRecord();
}

void DataSet::refresh()
{
    checkActive();
    checkBrowseMode();
    const int index = m_index;
    doClose();
    doOpen();
    clearRowCache();
    loadCurrent(std::min(std::max(index, 0), rowCount() - 1));
    notify(DataEvent::DataSetChange);
    m_events.afterRefresh(*this);
}

DataAction DataSet::askErrorHandler(const Events::ErrorHook& hook, const EngineError& error)
{
    DataAction action = DataAction::Fail;
    hook.untilDecided([&action] { return action != DataAction::Fail; }, *this, error, action);
    return action;
}

// ---- display updates ----

void DataSet::disableControls()
{
    ++m_disableCount;
}

void DataSet::enableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount == 0) {
        for (DataSource* source : QList<DataSource*>(m_dataSources))
            source->dataEvent(DataEvent::DataSetChange, nullptr, false, true);
    }
}

void DataSet::notify(DataEvent event, Field* field)
{
    for (DataSource* source : QList<DataSource*>(m_dataSources))
        source->dataEvent(event, field, true, m_disableCount == 0);
}

void DataSet::notifyControls(DataEvent event) noexcept
{
    for (DataSource* source : QList<DataSource*>(m_dataSources)) {
        try {
            source->dataEvent(event, nullptr, false, m_disableCount == 0);
        } catch (...) {
            // What the controls show is put right at their next notice.
        }
    }
}

// ---- records by position ----

QVariant DataSet::valueAt(int index, const Field* field)
{
    if (!isActive() || index < 0)
        return {};
    if (index == m_index)
        return m_current.value(field->index());
    if (index >= rowCount())
        return {};
    if (const Record* cached = m_rowCache.object(index))
        return cached->value(field->index());
    readAhead(index);
    return m_rowCache.object(index)->value(field->index());
}

std::vector<QVariantList> DataSet::valuesAt(const std::vector<int>& rows,
                                            const QList<const Field*>& fields)
{
    std::vector<QVariantList> values;
    values.reserve(rows.size());
    for (int row : rows) {
        QVariantList record;
        record.reserve(fields.size());
        for (const Field* field : fields)
            record.append(valueAt(row, field));
        values.push_back(std::move(record));
    }
    return values;
}

void DataSet::readAhead(int index)
{
    // Records read by position mostly come one after another, down a grid
    // or through an export (or up, when a grid scrolls back): the records
    // next in that direction come along, read together.
    constexpr int Rows = 64;
    const bool upwards = index < m_lastReadAhead;
    const int from = upwards ? std::max(0, index - Rows + 1) : index;
    const int to = upwards ? index + 1 : std::min(rowCount(), index + Rows);
    std::vector<Record> records = readRows(from, to - from);
    for (int i = 0; i < int(records.size()); ++i) {
        computeDerived(records[size_t(i)]);
        m_rowCache.insert(from + i, new Record(std::move(records[size_t(i)])));
    }
    m_lastReadAhead = index;
}

std::vector<DataSet::Record> DataSet::readRows(int from, int count)
{
    std::vector<Record> records;
    records.reserve(size_t(count));
    for (int i = from; i < from + count; ++i)
        records.push_back(readRow(i));
    return records;
}

QString DataSet::displayTextAt(int index, const Field* field)
{
    if (!isActive() || index < 0)
        return {};
    if (index == m_index)
        return field->displayText();
    const Record* stored = storedRow(index);
    if (!stored)
        return {};
    Record record = *stored;
    QString text;
    withRecord(record, State::Inactive, [&] { text = field->displayText(); });
    return text;
}

const DataSet::Record* DataSet::storedRow(int index)
{
    if (!isActive() || index < 0 || index >= rowCount())
        return nullptr;
    if (const Record* cached = m_rowCache.object(index))
        return cached;
    auto* record = new Record(readRow(index));
    computeDerived(*record);
    m_rowCache.insert(index, record);
    return m_rowCache.object(index);
}

int DataSet::rowsShown() const
{
    return recordCount() + (m_state == State::Insert ? 1 : 0);
}

QString DataSet::displayTextInRow(int row, const Field* field)
{
    if (m_state != State::Insert || row == m_index)
        return displayTextAt(row, field);
    const Record* stored = storedRow(row > m_index ? row - 1 : row);
    if (!stored)
        return {};
    Record record = *stored;
    QString text;
    withRecord(record, State::Inactive, [&] { text = field->displayText(); });
    return text;
}

void DataSet::setCurrentRow(int row)
{
    checkActive();
    if (row == m_index || row < 0 || row >= rowsShown())
        return;
    const Bookmark target = bookmarkAt(m_state == State::Insert && row > m_index ? row - 1 : row);
    prepareToMove();
    if (bookmarkValid(target))
        gotoBookmark(target);
}

Bookmark DataSet::bookmarkAt(int index) const
{
    Bookmark b;
    b.row = index;
    return b;
}

void DataSet::attachDataSource(DataSource* source)
{
    if (!m_dataSources.contains(source))
        m_dataSources.append(source);
}

void DataSet::detachDataSource(DataSource* source)
{
    m_dataSources.removeAll(source);
}

} // namespace kasplan::db
