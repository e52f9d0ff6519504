#include "FieldDataLink.h"

#include "core/ErrorBarrier.h"
#include "db/engine/DataSet.h"
#include "db/engine/Field.h"

namespace kasplan {

FieldDataLink::FieldDataLink(QObject* parent) : QObject(parent) {}

FieldDataLink::~FieldDataLink()
{
    if (m_source)
        m_source->removeDataLink(this);
}

void FieldDataLink::setDataSource(db::DataSource* source)
{
    if (m_source == source)
        return;
    if (m_source) {
        m_source->removeDataLink(this);
        disconnect(m_source, nullptr, this, nullptr);
    }
    m_source = source;
    m_modified = false;
    if (source) {
        source->addDataLink(this);
        connect(source, &db::DataSource::dataSetChanged, this, [this] { recordChanged(nullptr); });
        connect(source, &db::DataSource::scrolled, this, [this] { recordChanged(nullptr); });
        connect(source, &db::DataSource::recordChanged, this, [this] { recordChanged(nullptr); });
        connect(source, &db::DataSource::fieldChanged, this, &FieldDataLink::recordChanged);
        connect(source, &db::DataSource::stateChanged, this, &FieldDataLink::stateChanged);
    }
    const db::DataSet* view = dataSet();
    m_wasActive = view && view->isActive();
    Q_EMIT editingChanged();
    Q_EMIT dataChanged();
}

void FieldDataLink::setFieldName(const QString& name)
{
    if (m_fieldName == name)
        return;
    m_fieldName = name;
    m_modified = false;
    Q_EMIT editingChanged();
    Q_EMIT dataChanged();
}

void FieldDataLink::setReadOnly(bool readOnly)
{
    if (m_readOnly == readOnly)
        return;
    m_readOnly = readOnly;
    Q_EMIT editingChanged();
}

db::DataSet* FieldDataLink::dataSet() const
{
    return m_source ? m_source->dataSet() : nullptr;
}

db::Field* FieldDataLink::field() const
{
    const db::DataSet* view = dataSet();
    if (!view || !view->isActive() || m_fieldName.isEmpty())
        return nullptr;
    return view->findField(m_fieldName);
}

bool FieldDataLink::canModify() const
{
    const db::Field* f = field();
    return !m_readOnly && f && !f->readOnly() && f->kind() != db::FieldKind::Calculated &&
           f->dataSet()->canModify();
}

bool FieldDataLink::editing() const
{
    return canModify() && dataSet()->isEditing();
}

bool FieldDataLink::edit()
{
    if (!canModify())
        return false;
    db::DataSet* view = dataSet();
    if (!view->isEditing())
        view->edit();
    return editing();
}

void FieldDataLink::reset()
{
    m_modified = false;
    Q_EMIT dataChanged();
}

bool FieldDataLink::userChanged(const std::function<void()>& redo)
{
    if (!editing()) {
        bool started = false;
        if (!Guarded([&] { started = edit(); }) || !started) {
            reset();
            return false;
        }
        redo();
    }
    m_modified = true;
    return true;
}

void FieldDataLink::updateRecord()
{
    if (!m_modified)
        return;
    db::Field* f = field();
    if (f && writeValue)
        writeValue(*f);
    m_modified = false;
}

void FieldDataLink::updateData()
{
    updateRecord();
}

void FieldDataLink::recordChanged(db::Field* changed)
{
    // A change of another field leaves what this control holds alone.
    if (changed && changed->fieldName().compare(m_fieldName, Qt::CaseInsensitive) != 0)
        return;
    m_modified = false;
    Q_EMIT dataChanged();
}

void FieldDataLink::stateChanged()
{
    const db::DataSet* view = dataSet();
    const bool active = view && view->isActive();
    if (active != m_wasActive) {
        m_wasActive = active;
        m_modified = false;
        Q_EMIT dataChanged();
    }
    Q_EMIT editingChanged();
}

} // namespace kasplan
