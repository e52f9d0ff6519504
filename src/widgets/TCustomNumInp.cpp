#include "TCustomNumInp.h"

#include "NumericKeyRules.h"
#include "core/UserPrompts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFrame>

#include <cmath>
#include <optional>

namespace kasplan {

namespace {

bool ownerOfTheFocusMoves(const QFocusEvent* event)
{
    // A window deactivated, or a menu or message opening, is no leaving.
    return event->reason() != Qt::ActiveWindowFocusReason &&
           event->reason() != Qt::PopupFocusReason;
}

// Round half to even, as the integer types store a value.
Extended roundToEven(Extended value)
{
    return std::nearbyint(value);
}

} // namespace

TCustomNumInp::TCustomNumInp(QWidget* parent) : QLineEdit(parent)
{
    m_normalColor = palette().color(QPalette::Text);
    resize(85, sizeHint().height());
    reformat();
}

bool TCustomNumInp::isIntegerType(TDataType type)
{
    switch (type) {
    case TDataType::dtByte:
    case TDataType::dtInteger:
    case TDataType::dtShortint:
    case TDataType::dtSmallInt:
    case TDataType::dtWord:
        return true;
    case TDataType::dtDouble:
    case TDataType::dtExtended:
    case TDataType::dtSingle:
        return false;
    }
    return false;
}

Extended TCustomNumInp::lowest(TDataType type)
{
    switch (type) {
    case TDataType::dtByte:
    case TDataType::dtWord:
        return 0;
    case TDataType::dtShortint:
        return -128;
    case TDataType::dtSmallInt:
        return -32768;
    case TDataType::dtInteger:
        // One above the type's own minimum, whose negation does not fit.
        return -2147483647.0L;
    case TDataType::dtSingle:
        return -3.4e38L;
    case TDataType::dtDouble:
        return -1.7e308L;
    case TDataType::dtExtended:
        return -1.1e4932L;
    }
    return 0;
}

Extended TCustomNumInp::highest(TDataType type)
{
    switch (type) {
    case TDataType::dtByte:
        return 255;
    case TDataType::dtShortint:
        return 127;
    case TDataType::dtSmallInt:
        return 32767;
    case TDataType::dtWord:
        return 65535;
    case TDataType::dtInteger:
        return 2147483647.0L;
    case TDataType::dtSingle:
        return 3.4e38L;
    case TDataType::dtDouble:
        return 1.7e308L;
    case TDataType::dtExtended:
        return 1.1e4932L;
    }
    return 0;
}

// ---- properties ----

Extended TCustomNumInp::Value()
{
    if (m_editing)
        parseText();
    return m_value;
}

void TCustomNumInp::setValue(Extended value)
{
    if (value == m_value)
        return;
    if (m_validate && !inRange(value)) {
        showRangeMessage();
        return;
    }
    m_value = value;
    reformat();
}

void TCustomNumInp::setMin(Extended min)
{
    if (min == m_min)
        return;
    m_min = min;
    clampToType();
    if (m_min > m_max)
        m_min = m_max;
    if (m_value < m_min)
        m_value = m_min;
    reformat();
}

void TCustomNumInp::setMax(Extended max)
{
    if (max == m_max)
        return;
    m_max = max;
    clampToType();
    if (m_max < m_min)
        m_max = m_min;
    if (m_value > m_max)
        m_value = m_max;
    reformat();
}

void TCustomNumInp::setValidate(bool validate)
{
    m_validate = validate;
    if (validate && !inRange(m_value)) {
        m_value = m_min;
        reformat();
    }
}

void TCustomNumInp::setDatatype(TDataType type)
{
    if (type == m_datatype)
        return;
    m_datatype = type;
    if (isIntegerType(type)) {
        m_numericType = TNumericType::ntGeneral;
        m_decimals = 0;
    }
    clampToType();
    reformat();
}

void TCustomNumInp::setNumericType(TNumericType type)
{
    // The integer types have only the general form.
    if (isIntegerType(m_datatype) || type == m_numericType)
        return;
    m_numericType = type;
    reformat();
}

void TCustomNumInp::setDigits(int digits)
{
    if (digits == m_digits)
        return;
    m_digits = digits;
    reformat();
}

void TCustomNumInp::setDecimals(int decimals)
{
    if (decimals == m_decimals)
        return;
    m_decimals = isIntegerType(m_datatype) ? 0 : decimals;
    reformat();
}

void TCustomNumInp::setNegativeColor(const QColor& color)
{
    m_negativeColor = color;
    reformat();
}

void TCustomNumInp::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

int TCustomNumInp::MaxTextLength() const
{
    return m_numericType == TNumericType::ntExponent ? m_digits + m_decimals + 3 : m_digits;
}

template <class T> T TCustomNumInp::readAs(TDataType type)
{
    const Extended v = Value();
    if (v < lowest(type) || v > highest(type))
        return T(0);
    return T(isIntegerType(type) ? roundToEven(v) : v);
}

quint8 TCustomNumInp::AsByte()
{
    return readAs<quint8>(TDataType::dtByte);
}

qint8 TCustomNumInp::AsShortint()
{
    return readAs<qint8>(TDataType::dtShortint);
}

qint16 TCustomNumInp::AsSmallInt()
{
    return readAs<qint16>(TDataType::dtSmallInt);
}

quint16 TCustomNumInp::AsWord()
{
    return readAs<quint16>(TDataType::dtWord);
}

qint32 TCustomNumInp::AsInteger()
{
    return readAs<qint32>(TDataType::dtInteger);
}

float TCustomNumInp::AsSingle()
{
    return readAs<float>(TDataType::dtSingle);
}

double TCustomNumInp::AsDouble()
{
    return readAs<double>(TDataType::dtDouble);
}

// ---- formatting and parsing ----

void TCustomNumInp::clampToType()
{
    const Extended low = lowest(m_datatype);
    const Extended high = highest(m_datatype);
    if (m_min < low || m_min > high)
        m_min = low;
    if (m_max < low || m_max > high)
        m_max = high;
    if (m_value < low || m_value > high)
        m_value = 0;
}

void TCustomNumInp::reformat()
{
    if (isIntegerType(m_datatype)) {
        m_value = roundToEven(m_value);
        setText(NumberText::format(m_value, TNumericType::ntGeneral, 20, 0));
    } else {
        setText(NumberText::format(m_value, m_numericType, m_digits, m_decimals));
    }
    applyFontColour();
}

void TCustomNumInp::applyFontColour()
{
    m_colouring = true;
    QPalette p = palette();
    p.setColor(QPalette::Text, m_value < 0 ? m_negativeColor : m_normalColor);
    setPalette(p);
    m_colouring = false;
    update();
}

std::optional<Extended> TCustomNumInp::numberFromText(const QString& text) const
{
    const QLocale locale;
    const QChar point = locale.decimalPoint().at(0);
    const bool currency = m_numericType == TNumericType::ntCurrency;
    bool negative = false;
    QString kept;
    for (const QChar c : text) {
        if (currency && (c == QLatin1Char('(') || c == QLatin1Char('-'))) {
            negative = true;
            continue;
        }
        const bool exponent = !currency && (c == QLatin1Char('E') || c == QLatin1Char('e'));
        if (c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-') || c == point || exponent)
            kept += c;
    }
    if (kept.isEmpty())
        kept = QStringLiteral("0");
    bool ok = false;
    const double number = locale.toDouble(kept, &ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return negative ? -Extended(number) : Extended(number);
}

void TCustomNumInp::showRangeMessage()
{
    UserPrompts::current().showError(
        QStringLiteral("Value must be between %1 and %2")
            .arg(NumberText::general(m_min), NumberText::general(m_max)));
}

bool TCustomNumInp::parseText()
{
    const std::optional<Extended> number = numberFromText(text());
    if (!number || (m_validate && !inRange(*number))) {
        if (!number)
            UserPrompts::current().showError(
                QStringLiteral("'%1' is no valid numeric input.").arg(text()));
        else
            showRangeMessage();
        selectAll();
        setFocus(Qt::OtherFocusReason);
        return false;
    }
    m_value = *number;
    reformat();
    m_editing = false;
    update();
    return true;
}

// ---- keys ----

void TCustomNumInp::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        focusNextPrevChild(key == Qt::Key_Down);
        event->accept();
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_tabOnEnterKey) {
        focusNextPrevChild(true);
        event->accept();
        return;
    }
    if (key == Qt::Key_Escape) {
        undo();
        selectAll();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        pasteNumber();
        event->accept();
        return;
    }
    const QString typed = event->text();
    const bool character =
        key == Qt::Key_Backspace || (typed.size() == 1 && typed.at(0).isPrint() &&
                                     !(mods & (Qt::ControlModifier | Qt::AltModifier)));
    if (!character) {
        // Copy, cut, the cursor keys and the rest act as in any edit.
        QLineEdit::keyPressEvent(event);
        return;
    }
    typeCharacter(event);
}

void TCustomNumInp::typeCharacter(QKeyEvent* event)
{
    event->accept();
    if (isReadOnly())
        return;
    NumericKeyRules::Settings settings;
    settings.integerType = isIntegerType(m_datatype);
    settings.numericType = m_numericType;
    settings.decimals = m_decimals;
    settings.maxLength = MaxTextLength();
    settings.decimalPoint = QLocale().decimalPoint().at(0);
    NumericKeyRules::EditState state;
    state.text = text();
    state.cursor = cursorPosition();
    if (hasSelectedText()) {
        state.selectionStart = selectionStart();
        state.selectionLength = int(selectedText().size());
    }
    const QChar key = event->key() == Qt::Key_Backspace ? QLatin1Char('\b') : event->text().at(0);
    const NumericKeyRules::Decision d = NumericKeyRules(settings).decide(state, key);
    if (d.refused) {
        if (d.beep)
            QApplication::beep();
        return;
    }
    // Through the edit's own editing, so that Escape can undo it.
    if (d.tidied) {
        selectAll();
        insert(d.tidiedText);
        setCursorPosition(d.tidiedCursor);
    }
    if (d.backspace)
        backspace();
    else if (!d.typed.isEmpty())
        insert(d.typed);
    m_editing = true;
}

void TCustomNumInp::pasteNumber()
{
    if (isReadOnly())
        return;
    const QString before = text();
    paste();
    const std::optional<Extended> number = numberFromText(text());
    if (!number) {
        setText(before);
        QApplication::beep();
        return;
    }
    m_editing = true;
    if (m_validate && !inRange(*number)) {
        // The pasted text stays to be put right.
        showRangeMessage();
        return;
    }
    m_value = *number;
    reformat();
    if (text().size() > MaxTextLength()) {
        setText(before);
        QApplication::beep();
    }
}

// ---- focus and painting ----

void TCustomNumInp::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    m_editing = true;
    if (m_autoSelect)
        selectAll();
    else
        setCursorPosition(0);
}

void TCustomNumInp::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (ownerOfTheFocusMoves(event))
        parseText();
    update();
}

void TCustomNumInp::changeEvent(QEvent* event)
{
    // The normal colour follows the palette the field is given.
    if (event->type() == QEvent::PaletteChange && !m_colouring) {
        m_normalColor = palette().color(QPalette::Text);
        if (m_value < 0)
            applyFontColour();
    }
    QLineEdit::changeEvent(event);
}

void TCustomNumInp::paintEvent(QPaintEvent* event)
{
    if (hasFocus() || m_editing || (m_alignment & Qt::AlignHorizontal_Mask) == Qt::AlignLeft) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QRect area = rect();
    painter.fillRect(area, palette().color(QPalette::Base));
    if (hasFrame()) {
        painter.setPen(palette().color(QPalette::Shadow));
        painter.drawRect(area.adjusted(0, 0, -1, -1));
        area.adjust(1, 1, -1, -1);
    }
    const int margin =
        std::min(QFontMetrics(QApplication::font()).height(), fontMetrics().height()) / 4;
    painter.setPen(palette().color(QPalette::Text));
    painter.setFont(font());
    const QRect textArea = area.adjusted(margin, margin, -margin, 0);
    const Qt::Alignment horizontal =
        (m_alignment & Qt::AlignHCenter) ? Qt::AlignHCenter : Qt::AlignRight;
    painter.drawText(textArea, horizontal | Qt::AlignTop, text());
}

} // namespace kasplan
