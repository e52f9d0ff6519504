#include "FieldPlaceholder.h"

#include "db/engine/DataSet.h"
#include "db/engine/DataSource.h"
#include "db/engine/Field.h"

namespace kasplan {

FieldPlaceholder::FieldPlaceholder(db::DataSource* source, const QString& field, QWidget* parent)
    : QLineEdit(parent), m_source(source), m_field(field)
{
    setReadOnly(true);
    for (auto signal : {&db::DataSource::dataSetChanged, &db::DataSource::scrolled,
                        &db::DataSource::recordChanged, &db::DataSource::stateChanged})
        connect(source, signal, this, &FieldPlaceholder::showField);
    connect(source, &db::DataSource::fieldChanged, this, &FieldPlaceholder::showField);
    showField();
}

void FieldPlaceholder::showField()
{
    const db::DataSet* view = m_source ? m_source->dataSet() : nullptr;
    const db::Field* field =
        view && view->isActive() && !view->isEmpty() ? view->findField(m_field) : nullptr;
    try {
        setText(field ? field->displayText() : QString());
    } catch (const std::exception&) {
        clear();
    }
}

} // namespace kasplan
