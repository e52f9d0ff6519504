#pragma once

#include "EngineError.h"
#include "Field.h"
#include "HandlerList.h"
#include "RowKey.h"

#include <QCache>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>
#include <vector>

namespace kasplan::db {

class Database;
class DataSource;
class EngineSession;

// What a view tells its data sources.
enum class DataEvent {
    FieldChange,   // a field of the current record changed (the field is given)
    RecordChange,  // the current record's values were replaced
    DataSetChange, // the records shown changed (open, filter, refresh, post, delete)
    DataSetScroll, // another record became current
    StateChange,   // browse, edit, insert, closed
};

// A place in a view to come back to. It names the record, not its position,
// so it survives inserts, deletes and refreshes as long as the record exists.
struct Bookmark
{
    RowKey key;
    int row = -1;
    bool isNull() const { return key.isEmpty() && row < 0; }
};

// A cursor on a set of records with a current record: the fields, the
// browse / edit / insert states, moving, bookmarks, calculated and lookup
// fields, the events the data module's rules hang on, and the suspension of
// display updates. TableView (a table, editable) and QueryView (a SELECT,
// read-only) fill in where the records come from.
class DataSet : public QObject
{
    Q_OBJECT

public:
    enum class State { Inactive, Browse, Edit, Insert, CalcFields, Filter };

    enum LocateOption {
        CaseInsensitive = 0x1,
        PartialKey = 0x2,
    };

    // The data module's handlers, and those of anyone else with a rule on
    // the view: each event keeps every handler added to it and runs them in
    // the order added. Each may throw: EngineError (or another error of the
    // handler's own) ends the action with that error, AbortError ends it
    // silently.
    struct Events
    {
        using Hook = HandlerList<void(DataSet&)>;
        using ErrorHook = HandlerList<void(DataSet&, const EngineError&, DataAction&)>;
        Hook beforeOpen, afterOpen, beforeClose, afterClose;
        Hook beforeInsert, afterInsert, onNewRecord;
        Hook beforeEdit, afterEdit;
        Hook beforePost, afterPost;
        Hook beforeCancel, afterCancel;
        Hook beforeDelete, afterDelete;
        Hook beforeScroll, afterScroll;
        Hook afterRefresh;
        // Fill the calculated fields of the record being read.
        Hook onCalcFields;
        // Decide whether the record being read is shown while the filter is
        // on: it is shown when every handler accepts it. They read the fields
        // named by setFilterFields().
        HandlerList<bool(DataSet&)> onFilterRecord;
        // Asked in turn until one decides (sets the action to Abort or
        // Retry, or throws an error of its own in place of the refusal).
        ErrorHook onPostError, onEditError, onDeleteError;
    };

    explicit DataSet(const QString& name, QObject* parent = nullptr);
    ~DataSet() override;

    QString name() const { return objectName(); }

    // Where the records live: a database location of the session.
    void setSession(EngineSession* session) { m_session = session; }
    EngineSession* session() const { return m_session; }
    void setDatabaseName(const QString& alias);
    const QString& databaseName() const { return m_databaseName; }

    // ---- fields ----
    // Declared fields stay for the life of the view ("persistent"); a view
    // without declared data fields gets one for every column at open.
    Field* addField(const FieldDef& def);
    Field* addCalculatedField(const QString& name, FieldType type, int size = 0);
    Field* addLookupField(const QString& name, FieldType type, int size, Field::LookupDef lookup);
    Field* findField(const QString& name) const;
    Field* fieldByName(const QString& name) const; // throws fieldNotFound
    int fieldCount() const { return int(m_fields.size()); }
    Field* field(int i) const { return m_fields[size_t(i)].get(); }
    QList<Field*> fields() const;

    // ---- open and close ----
    void open();
    void close();
    void setActive(bool active) { active ? open() : close(); }
    bool isActive() const { return m_state != State::Inactive; }
    State state() const { return m_tempState != State::Inactive ? m_tempState : m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }

    // ---- moving ----
    void first();
    void last();
    void next();
    void prior();
    int moveBy(int distance);
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }
    bool isEmpty() const { return recordCount() == 0 && m_state != State::Insert; }
    int recordCount() const;
    // Position of the current record, from 0; -1 when there is none.
    int currentIndex() const { return m_index; }
    void setCurrentIndex(int index);

    // ---- bookmarks, search ----
    virtual Bookmark bookmark() const;
    virtual bool bookmarkValid(const Bookmark& bookmark) const;
    // Throws RecordDeleted when the record is gone.
    virtual void gotoBookmark(const Bookmark& bookmark);
    // Makes the first record, in the view's order, whose fields match the
    // values current. Answers false and stays put when none matches.
    virtual bool locate(const QStringList& fields, const QVariantList& values, int options = 0);
    // The result field's value in the first matching record, without moving.
    virtual QVariant lookup(const QStringList& fields, const QVariantList& values,
                            const QString& resultField);

    // ---- editing (read-only views refuse) ----
    // Whether the records of this view can be changed at all.
    virtual bool canModify() const { return false; }
    virtual void edit();
    virtual void insert();
    virtual void append();
    virtual void post();
    virtual void cancel();
    virtual void deleteRecord();
    // Ends a pending edit: posts a changed record, cancels an unchanged one.
    // Either way the controls first write what they hold (updateRecord).
    void checkBrowseMode();
    // Asks the controls bound to the view to write what they show but have
    // not yet written (text still being typed) into the record being edited.
    // Their refusals are thrown. Silent while display updates are suspended:
    // the controls then do not show the record being worked on.
    void updateRecord();
    bool modified() const { return m_modified; }
    virtual void refresh();

    // ---- display updates ----
    // While suspended, data sources hear nothing (detail views still follow
    // their master); resuming tells them the whole view changed.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

    // ---- records by position, for grids ----
    QVariant valueAt(int index, const Field* field);
    QString displayTextAt(int index, const Field* field);
    // The values of fields in the records at rows (positions in the view),
    // read together, for exports that read each record once: the view stays
    // where it is and keeps what it had read. The record being edited gives
    // its edited values.
    virtual std::vector<QVariantList> valuesAt(const std::vector<int>& rows,
                                               const QList<const Field*>& fields);
    // The rows a grid shows: the records by position and, while one is being
    // inserted, that record in a row of its own at currentIndex(), the stored
    // records from there on one row further down.
    int rowsShown() const;
    QString displayTextInRow(int row, const Field* field);
    // Makes the record of the row current. A pending edit or insert is ended
    // first (posted when changed); the record the row showed becomes current,
    // wherever the posted record took its place.
    void setCurrentRow(int row);
    // Names the record at a position, for a return to it after the records
    // were renumbered.
    virtual Bookmark bookmarkAt(int index) const;

    Events& events() { return m_events; }

    // Data sources register here (DataSource::setDataSet).
    void attachDataSource(DataSource* source);
    void detachDataSource(DataSource* source);

protected:
    using Record = QVariantList;

    // ---- for the kinds of view ----
    virtual void doOpen() = 0;
    virtual void doClose() = 0;
    virtual int rowCount() const = 0;
    // The stored fields of the record at index, already in their places.
    virtual Record readRow(int index) = 0;
    // The same for count records from index from on; kinds of view that
    // can read several records at once do.
    virtual std::vector<Record> readRows(int from, int count);
    [[noreturn]] void refuseChanges() const;

    void checkActive() const;
    // Settings that only a closed view may change.
    void checkInactive() const;
    Record emptyRecord() const;
    // Fills lookup and calculated fields of a record.
    void computeDerived(Record& record);
    // Runs fn with the fields reading record, in the given temporary state.
    void withRecord(Record& record, State tempState, const std::function<void()>& fn);
    void notify(DataEvent event, Field* field = nullptr);
    // Tells the controls and handlers of the data sources, not the detail
    // views, and passes their errors over: for a view put back as it was
    // after an undone transaction, whose details are put back themselves.
    void notifyControls(DataEvent event) noexcept;
    // Before this view moves: end pending edits here and in its details.
    void prepareToMove();
    void setState(State state);
    // Makes index current and reads it (or clears the record when none).
    void loadCurrent(int index);
    void clearRowCache();
    void dropDynamicFields();
    void renumberFields();
    // The connection of the view's database location; throws when the view
    // has no session or the location cannot be opened.
    Database& resolveDatabase() const;
    bool hasDeclaredDataFields() const;
    // A view without declared data fields gets one for every column, ahead
    // of its calculated and lookup fields.
    void addColumnFields(const QList<FieldDef>& columns);
    bool hasDerivedFields() const;
    DataAction askErrorHandler(const Events::ErrorHook& hook, const EngineError& error);

    // The stored record at index, read into the row cache when needed; null
    // outside the records.
    const Record* storedRow(int index);

    Record m_current;
    Record m_original;
    int m_index = -1;
    bool m_bof = true;
    bool m_eof = true;
    bool m_modified = false;
    State m_state = State::Inactive;
    State m_tempState = State::Inactive;
    Record* m_active = &m_current;
    std::vector<std::unique_ptr<Field>> m_fields;
    std::vector<Field*> m_dynamicFields;
    QList<DataSource*> m_dataSources;
    Events m_events;
    EngineSession* m_session = nullptr;
    QString m_databaseName;
    int m_disableCount = 0;
    QCache<int, Record> m_rowCache{512};
    int m_lastReadAhead = -1;

private:
    friend class Field;
    friend class DataSource;
    QVariant fieldValue(const Field* field) const;
    QVariant fieldOldValue(const Field* field) const;
    void setFieldValue(Field* field, const QVariant& value);
    virtual void setLookupValue(Field* field, const QVariant& value);
    void moveTo(int index);
    // Reads the record at index into the row cache, with its neighbours.
    void readAhead(int index);
};

} // namespace kasplan::db
