#pragma once

#include "FieldDataLink.h"

#include <QPlainTextEdit>

namespace kasplan {

// A multi-line edit bound to a text or memo field, with the single-line
// edit's behaviour: the first change puts the view into edit mode, the text
// is written through the field's entry handler when the focus leaves or the
// record is posted, Escape returns to the field's value. Lines are stored
// with CR LF between them, as the program's texts have them; Tab moves on to
// the next control.
class TDBMemo : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TDBMemo(QWidget* parent = nullptr);
    TDBMemo(db::DataSource* source, const QString& field, QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source) { m_link.setDataSource(source); }
    db::DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }
    const QString& dataField() const { return m_link.fieldName(); }
    void setReadOnly(bool readOnly) { m_link.setReadOnly(readOnly); }
    bool isReadOnly() const { return m_link.readOnly(); }
    FieldDataLink& dataLink() { return m_link; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showField();
    void textWasChanged();
    void showText(const QString& text);

    FieldDataLink m_link;
    bool m_showing = false;
};

} // namespace kasplan
