#pragma once

#include "FieldDataLink.h"

#include <QLabel>

namespace kasplan {

// A read-only display of a field's display text, following the view.
class TDBText : public QLabel
{
    Q_OBJECT

public:
    explicit TDBText(QWidget* parent = nullptr);
    TDBText(db::DataSource* source, const QString& field, QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source) { m_link.setDataSource(source); }
    db::DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }
    const QString& dataField() const { return m_link.fieldName(); }

private:
    void showField();

    FieldDataLink m_link;
};

} // namespace kasplan
