#pragma once

#include "FieldDataLink.h"

#include <QLineEdit>

namespace kasplan {

// A single-line edit bound to a field. It shows the field's display text,
// and its edit text while it has the focus; the first change puts the view
// into edit mode, and the typed text is written through the field's entry
// handler when the focus leaves or the record is posted, so the data
// module's rules run. Characters the field does not accept are refused with
// a beep; Escape returns to the field's value.
class TDBEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit TDBEdit(QWidget* parent = nullptr);
    TDBEdit(db::DataSource* source, const QString& field, QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source) { m_link.setDataSource(source); }
    db::DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }
    const QString& dataField() const { return m_link.fieldName(); }
    // The control's own read-only switch; the edit is also read-only while
    // the field cannot be changed.
    void setReadOnly(bool readOnly) { m_link.setReadOnly(readOnly); }
    bool isReadOnly() const { return m_link.readOnly(); }
    FieldDataLink& dataLink() { return m_link; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showField();
    void updateReadOnly();
    void textWasEdited(const QString& text);

    FieldDataLink m_link;
    bool m_focused = false;
};

} // namespace kasplan
