#pragma once

#include "FieldDataLink.h"

#include <QComboBox>

namespace kasplan {

// A combo box bound to a text field: free text, with the items as
// suggestions in its drop-down. It behaves as the single-line edit does
// (edit mode on the first change, the text written through the field's entry
// handler when the focus leaves or the record is posted, refused characters,
// Escape); picking a suggestion is a change like typing it. Nothing is added
// to the list and nothing is completed while typing: what is typed is what is
// stored.
class TDBComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit TDBComboBox(QWidget* parent = nullptr);
    TDBComboBox(db::DataSource* source, const QString& field, const QStringList& items,
                QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source) { m_link.setDataSource(source); }
    db::DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }
    const QString& dataField() const { return m_link.fieldName(); }
    void setReadOnly(bool readOnly) { m_link.setReadOnly(readOnly); }
    bool isReadOnly() const { return m_link.readOnly(); }
    FieldDataLink& dataLink() { return m_link; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showField();
    void showText(const QString& text);

    FieldDataLink m_link;
    bool m_focused = false;
};

} // namespace kasplan
