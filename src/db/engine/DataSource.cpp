#include "DataSource.h"

#include "TableView.h"

namespace kasplan::db {

DataSource::DataSource(const QString& name, QObject* parent) : QObject(parent)
{
    setObjectName(name);
}

DataSource::~DataSource()
{
    if (m_dataSet)
        m_dataSet->detachDataSource(this);
}

void DataSource::setDataSet(DataSet* dataSet)
{
    if (m_dataSet == dataSet)
        return;
    if (m_dataSet)
        m_dataSet->detachDataSource(this);
    m_dataSet = dataSet;
    if (m_dataSet)
        m_dataSet->attachDataSource(this);
}

void DataSource::addDetail(TableView* detail)
{
    if (!m_details.contains(detail))
        m_details.append(detail);
}

void DataSource::removeDetail(TableView* detail)
{
    m_details.removeAll(detail);
}

void DataSource::addDataLink(DataLink* link)
{
    if (!m_links.contains(link))
        m_links.append(link);
}

void DataSource::removeDataLink(DataLink* link)
{
    m_links.removeAll(link);
}

void DataSource::updateRecord()
{
    if (!m_enabled)
        return;
    // A control may go while another writes (a window closing on an error).
    const QList<DataLink*> links = m_links;
    for (DataLink* link : links) {
        if (m_links.contains(link))
            link->updateData();
    }
}

void DataSource::dataEvent(DataEvent event, Field* field, bool toDetails, bool toControls)
{
    // Details first: a handler of this source reads their records too (the
    // current size record of the current cultivar).
    if (toDetails) {
        for (TableView* detail : QList<TableView*>(m_details))
            detail->masterChanged(event, field);
    }
    if (!toControls || !m_enabled)
        return;
    if (event == DataEvent::StateChange) {
        if (m_handlers.onStateChange)
            m_handlers.onStateChange(*this);
        Q_EMIT stateChanged();
        return;
    }
    if (m_handlers.onDataChange)
        m_handlers.onDataChange(*this, event == DataEvent::FieldChange ? field : nullptr);
    switch (event) {
    case DataEvent::FieldChange:
        Q_EMIT fieldChanged(field);
        break;
    case DataEvent::RecordChange:
        Q_EMIT recordChanged();
        break;
    case DataEvent::DataSetChange:
        Q_EMIT dataSetChanged();
        break;
    case DataEvent::DataSetScroll:
        Q_EMIT scrolled();
        break;
    case DataEvent::StateChange:
        break;
    }
}

} // namespace kasplan::db
