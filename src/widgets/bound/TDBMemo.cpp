#include "TDBMemo.h"

#include "BoundFocus.h"
#include "db/engine/Field.h"

#include <QApplication>
#include <QKeyEvent>

namespace kasplan {

TDBMemo::TDBMemo(QWidget* parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    m_link.writeValue = [this](db::Field& field) {
        field.setText(toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
    };
    connect(&m_link, &FieldDataLink::dataChanged, this, &TDBMemo::showField);
    connect(&m_link, &FieldDataLink::editingChanged, this,
            [this] { QPlainTextEdit::setReadOnly(!m_link.canModify()); });
    connect(this, &QPlainTextEdit::textChanged, this, &TDBMemo::textWasChanged);
    QPlainTextEdit::setReadOnly(true);
}

TDBMemo::TDBMemo(db::DataSource* source, const QString& field, QWidget* parent) : TDBMemo(parent)
{
    m_link.setFieldName(field);
    m_link.setDataSource(source);
}

void TDBMemo::showText(const QString& text)
{
    m_showing = true;
    setPlainText(text);
    m_showing = false;
}

void TDBMemo::showField()
{
    const db::Field* field = m_link.field();
    QString text = field ? field->text() : QString();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    showText(text);
}

void TDBMemo::textWasChanged()
{
    if (m_showing)
        return;
    const QString typed = toPlainText();
    const int cursor = textCursor().position();
    m_link.userChanged([&] {
        showText(typed);
        QTextCursor c = textCursor();
        c.setPosition(std::min(cursor, int(typed.size())));
        setTextCursor(c);
    });
}

void TDBMemo::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        m_link.reset();
        selectAll();
        event->accept();
        return;
    }
    const QString typed = event->text();
    const db::Field* field = m_link.field();
    if (field && typed.size() == 1 && typed.at(0).isPrint() &&
        !(event->modifiers() & Qt::ControlModifier) && !field->isValidChar(typed.at(0))) {
        QApplication::beep();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TDBMemo::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    if (BoundFocus::leavesForAnotherControl(event))
        BoundFocus::writeBack(m_link, this, [this] { selectAll(); });
}

} // namespace kasplan
