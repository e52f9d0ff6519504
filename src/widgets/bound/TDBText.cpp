#include "TDBText.h"

#include "db/engine/Field.h"

namespace kasplan {

TDBText::TDBText(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    m_link.setReadOnly(true);
    connect(&m_link, &FieldDataLink::dataChanged, this, &TDBText::showField);
}

TDBText::TDBText(db::DataSource* source, const QString& field, QWidget* parent) : TDBText(parent)
{
    m_link.setFieldName(field);
    m_link.setDataSource(source);
}

void TDBText::showField()
{
    const db::Field* field = m_link.field();
    setText(field ? field->displayText() : QString());
}

} // namespace kasplan
