#include "TDBComboBox.h"

#include "BoundFocus.h"
#include "db/engine/Field.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace kasplan {

TDBComboBox::TDBComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    m_link.writeValue = [this](db::Field& field) { field.setText(currentText()); };
    connect(&m_link, &FieldDataLink::dataChanged, this, &TDBComboBox::showField);
    connect(&m_link, &FieldDataLink::editingChanged, this,
            [this] { lineEdit()->setReadOnly(!m_link.canModify()); });
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& typed) {
        const int cursor = lineEdit()->cursorPosition();
        m_link.userChanged([&] {
            showText(typed);
            lineEdit()->setCursorPosition(cursor);
        });
    });
    connect(this, &QComboBox::activated, this, [this](int picked) {
        const QString text = itemText(picked);
        if (!m_link.userChanged([&] { showText(text); }))
            hidePopup();
    });
    lineEdit()->setReadOnly(true);
}

TDBComboBox::TDBComboBox(db::DataSource* source, const QString& field, const QStringList& items,
                         QWidget* parent)
    : TDBComboBox(parent)
{
    addItems(items);
    m_link.setFieldName(field);
    m_link.setDataSource(source);
}

void TDBComboBox::showText(const QString& text)
{
    // The text alone: a suggestion that matches stays unchosen in the list.
    setCurrentIndex(-1);
    setEditText(text);
}

void TDBComboBox::showField()
{
    const db::Field* field = m_link.field();
    if (!field) {
        showText(QString());
        return;
    }
    if (field->dataType() == db::FieldType::Alpha && field->size() > 0)
        lineEdit()->setMaxLength(field->size());
    showText(m_focused && m_link.canModify() ? field->text() : field->displayText());
}

void TDBComboBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && !view()->isVisible()) {
        m_link.reset();
        lineEdit()->selectAll();
        event->accept();
        return;
    }
    const QString typed = event->text();
    const db::Field* field = m_link.field();
    if (field && m_link.canModify() && typed.size() == 1 && typed.at(0).isPrint() &&
        !(event->modifiers() & Qt::ControlModifier) && !field->isValidChar(typed.at(0))) {
        QApplication::beep();
        event->accept();
        return;
    }
    // The arrows turn through the suggestions only where a change can stand.
    const bool moves = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
    if (moves && !(event->modifiers() & Qt::AltModifier) && !m_link.canModify()) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void TDBComboBox::focusInEvent(QFocusEvent* event)
{
    if (!m_focused) {
        m_focused = true;
        showField();
    }
    QComboBox::focusInEvent(event);
}

void TDBComboBox::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    if (!BoundFocus::leavesForAnotherControl(event))
        return;
    if (!BoundFocus::writeBack(m_link, this, [this] { lineEdit()->selectAll(); }))
        return;
    m_focused = false;
    showField();
}

} // namespace kasplan
