#pragma once

#include "DataSet.h"

#include <QList>
#include <QObject>

#include <functional>

namespace kasplan::db {

class TableView;

// A control bound to a field of a data source's view, that may hold a value
// the record does not have yet (text being typed).
class DataLink
{
public:
    // Writes the value held into the record; throws the field's refusal.
    virtual void updateData() = 0;

protected:
    ~DataLink() = default;
};

// Passes a view's changes on: to the detail views linked to it (always, so
// they follow their master even while display updates are suspended), then
// to the data module's handlers and to the windows (signals), unless the
// view's display updates are suspended or the source is disabled.
class DataSource : public QObject
{
    Q_OBJECT

public:
    struct Handlers
    {
        // A field changed (field given) or the whole record did (nullptr).
        // May throw, which ends the change that caused it. Every handler
        // added runs, in the order added.
        HandlerList<void(DataSource&, Field* field)> onDataChange;
        HandlerList<void(DataSource&)> onStateChange;
    };

    explicit DataSource(const QString& name, QObject* parent = nullptr);
    ~DataSource() override;

    QString name() const { return objectName(); }
    void setDataSet(DataSet* dataSet);
    DataSet* dataSet() const { return m_dataSet; }
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    Handlers& handlers() { return m_handlers; }

    // Detail views register here (TableView::setMaster).
    void addDetail(TableView* detail);
    void removeDetail(TableView* detail);
    const QList<TableView*>& details() const { return m_details; }

    // Controls register here while they are bound to this source.
    void addDataLink(DataLink* link);
    void removeDataLink(DataLink* link);

    // Called by the view.
    void dataEvent(DataEvent event, Field* field, bool toDetails, bool toControls);
    // Asks the registered controls to write what they hold (unless the
    // source is disabled).
    void updateRecord();

Q_SIGNALS:
    void dataSetChanged();
    void scrolled();
    void recordChanged();
    void fieldChanged(kasplan::db::Field* field);
    void stateChanged();

private:
    DataSet* m_dataSet = nullptr;
    bool m_enabled = true;
    Handlers m_handlers;
    QList<TableView*> m_details;
    QList<DataLink*> m_links;
};

} // namespace kasplan::db
