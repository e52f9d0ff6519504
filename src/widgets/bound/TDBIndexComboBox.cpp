#include "TDBIndexComboBox.h"

#include "BoundFocus.h"
#include "core/ErrorBarrier.h"
#include "db/engine/Field.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>

namespace kasplan {

TDBIndexComboBox::TDBIndexComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    m_link.writeValue = [this](db::Field& field) { field.setValue(currentIndex()); };
    connect(&m_link, &FieldDataLink::dataChanged, this, &TDBIndexComboBox::showField);
    connect(this, &QComboBox::activated, this, &TDBIndexComboBox::picked);
    showField();
}

TDBIndexComboBox::TDBIndexComboBox(db::DataSource* source, const QString& field,
                                   const QStringList& items, QWidget* parent)
    : TDBIndexComboBox(parent)
{
    addItems(items);
    m_link.setFieldName(field);
    m_link.setDataSource(source);
}

void TDBIndexComboBox::setItems(const QStringList& items)
{
    clear();
    addItems(items);
    showField();
}

QStringList TDBIndexComboBox::items() const
{
    QStringList texts;
    for (int i = 0; i < count(); ++i)
        texts.append(itemText(i));
    return texts;
}

QString TDBIndexComboBox::displayTextFor(int value) const
{
    return value >= 0 && value < count() ? itemText(value) : QString();
}

void TDBIndexComboBox::showField()
{
    // The open list keeps what the user is looking at.
    if (m_dropped)
        return;
    const db::Field* field = m_link.field();
    if (!field) {
        setCurrentIndex(-1);
        return;
    }
    const QString text = displayTextFor(field->asInteger());
    // The first item with that text: a list may name two codes alike.
    setCurrentIndex(text.isEmpty() ? -1
                                   : findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void TDBIndexComboBox::picked(int index)
{
    if (!m_link.userChanged([&] { setCurrentIndex(index); }))
        hidePopup();
}

bool TDBIndexComboBox::editForKey()
{
    bool editing = false;
    return Guarded([&] { editing = m_link.edit(); }) && editing;
}

void TDBIndexComboBox::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Escape && !m_dropped) {
        m_link.reset();
        event->accept();
        return;
    }
    // Keys that move the choice act only on a record that can be edited.
    const bool moves = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
                       key == Qt::Key_PageDown || key == Qt::Key_Home || key == Qt::Key_End;
    if (moves && !(event->modifiers() & Qt::AltModifier)) {
        if (!editForKey()) {
            event->accept();
            return;
        }
        QComboBox::keyPressEvent(event);
        return;
    }
    const QString typed = event->text();
    const bool control = event->modifiers() & Qt::ControlModifier;
    const bool printable = typed.size() == 1 && typed.at(0).isPrint() && !control;
    if (printable) {
        const db::Field* field = m_link.field();
        if (field && !field->isValidChar(typed.at(0))) {
            QApplication::beep();
            event->accept();
            return;
        }
    }
    const bool changes = printable || key == Qt::Key_Backspace ||
                         (control && (key == Qt::Key_V || key == Qt::Key_X));
    if (changes && !editForKey()) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void TDBIndexComboBox::wheelEvent(QWheelEvent* event)
{
    // Like the arrow keys: no turning through the list of a record that
    // cannot be edited.
    if (!m_link.canModify()) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

void TDBIndexComboBox::showPopup()
{
    m_dropped = true;
    QComboBox::showPopup();
}

void TDBIndexComboBox::hidePopup()
{
    QComboBox::hidePopup();
    if (m_dropped) {
        m_dropped = false;
        if (!m_link.modified())
            showField();
    }
}

void TDBIndexComboBox::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    if (BoundFocus::leavesForAnotherControl(event))
        BoundFocus::writeBack(m_link, this, {});
}

} // namespace kasplan
