#include "TDBEdit.h"

#include "BoundFocus.h"
#include "db/engine/DataSet.h"
#include "db/engine/Field.h"

#include <QApplication>
#include <QKeyEvent>

namespace kasplan {

TDBEdit::TDBEdit(QWidget* parent) : QLineEdit(parent)
{
    m_link.writeValue = [this](db::Field& field) { field.setText(text()); };
    connect(&m_link, &FieldDataLink::dataChanged, this, &TDBEdit::showField);
    connect(&m_link, &FieldDataLink::editingChanged, this, &TDBEdit::updateReadOnly);
    connect(this, &QLineEdit::textEdited, this, &TDBEdit::textWasEdited);
    updateReadOnly();
    showField();
}

TDBEdit::TDBEdit(db::DataSource* source, const QString& field, QWidget* parent) : TDBEdit(parent)
{
    m_link.setFieldName(field);
    m_link.setDataSource(source);
}

void TDBEdit::showField()
{
    const db::Field* field = m_link.field();
    if (!field) {
        setText(QString());
        return;
    }
    // Text fields take no more characters than the field holds.
    if (field->dataType() == db::FieldType::Alpha && field->size() > 0)
        setMaxLength(field->size());
    setText(m_focused && m_link.canModify() ? field->text() : field->displayText());
}

void TDBEdit::updateReadOnly()
{
    QLineEdit::setReadOnly(!m_link.canModify());
}

void TDBEdit::textWasEdited(const QString& typed)
{
    const int cursor = cursorPosition();
    m_link.userChanged([&] {
        setText(typed);
        setCursorPosition(cursor);
    });
}

void TDBEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        m_link.reset();
        selectAll();
        event->accept();
        return;
    }
    const QString typed = event->text();
    const db::Field* field = m_link.field();
    if (field && !isReadOnly() && typed.size() == 1 && typed.at(0).isPrint() &&
        !(event->modifiers() & Qt::ControlModifier) && !field->isValidChar(typed.at(0))) {
        QApplication::beep();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TDBEdit::focusInEvent(QFocusEvent* event)
{
    if (!m_focused) {
        m_focused = true;
        showField();
    }
    QLineEdit::focusInEvent(event);
}

void TDBEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (!BoundFocus::leavesForAnotherControl(event))
        return;
    if (!BoundFocus::writeBack(m_link, this, [this] { selectAll(); }))
        return;
    m_focused = false;
    showField();
}

} // namespace kasplan
