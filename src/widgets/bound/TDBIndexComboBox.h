#pragma once

#include "FieldDataLink.h"

#include <QComboBox>
#include <QStringList>

namespace kasplan {

// A drop-down list bound to an integer field that holds a code: the stored
// value is the position of the chosen item in Items, and the control shows
// the item at the stored position (nothing for a value outside the list; a
// field without a value reads as 0, the first item). The user only picks;
// no text is typed. A pick puts the view into edit mode; the position is
// written back when the focus leaves or the record is posted.
class TDBIndexComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit TDBIndexComboBox(QWidget* parent = nullptr);
    TDBIndexComboBox(db::DataSource* source, const QString& field, const QStringList& items,
                     QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source) { m_link.setDataSource(source); }
    db::DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }
    const QString& dataField() const { return m_link.fieldName(); }
    void setReadOnly(bool readOnly) { m_link.setReadOnly(readOnly); }
    bool isReadOnly() const { return m_link.readOnly(); }
    // The item texts, position = code. Assigning them shows the field anew.
    void setItems(const QStringList& items);
    QStringList items() const;
    FieldDataLink& dataLink() { return m_link; }

    // The text shown for a stored value: the item at that position, empty
    // outside the list.
    QString displayTextFor(int value) const;

    void showPopup() override;
    void hidePopup() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showField();
    void picked(int index);
    // Puts the view into edit mode for a key that would change the choice;
    // answers whether the key may act.
    bool editForKey();

    FieldDataLink m_link;
    bool m_dropped = false;
};

} // namespace kasplan
