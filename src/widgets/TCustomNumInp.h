#pragma once

#include "NumberText.h"

#include <QColor>
#include <QLineEdit>

#include <optional>

namespace kasplan {

// The number types of a numeric input field: they fix the range a value
// can have and whether it has decimals.
enum class TDataType {
    dtByte,
    dtDouble,
    dtExtended,
    dtInteger,
    dtShortint,
    dtSingle,
    dtSmallInt,
    dtWord
};

// A single-line edit for one number. Typing is filtered so that only a
// well-formed number can be entered; the number is kept as an Extended,
// formatted by its data type and numeric type in the locale's separators,
// checked against Min..Max when the focus leaves, and painted right-aligned
// or centred while it is not being edited (negative values in
// NegativeColor). The messages are the component's own English texts.
//
// TCustomNumInp keeps its properties protected; TNumInp publishes them.
class TCustomNumInp : public QLineEdit
{
    Q_OBJECT

public:
    explicit TCustomNumInp(QWidget* parent = nullptr);

    static bool isIntegerType(TDataType type);
    // The lowest and highest value a data type can hold.
    static Extended lowest(TDataType type);
    static Extended highest(TDataType type);

protected:
    // The value. Reading it takes over a text not yet parsed (with the
    // messages of leaving the field); setting it outside Min..Max while
    // Validate is on shows the range message and keeps the old value.
    Extended Value();
    void setValue(Extended value);
    Extended Min() const { return m_min; }
    void setMin(Extended min);
    Extended Max() const { return m_max; }
    void setMax(Extended max);
    bool Validate() const { return m_validate; }
    void setValidate(bool validate);
    TDataType Datatype() const { return m_datatype; }
    void setDatatype(TDataType type);
    TNumericType NumericType() const { return m_numericType; }
    void setNumericType(TNumericType type);
    int Digits() const { return m_digits; }
    void setDigits(int digits);
    int Decimals() const { return m_decimals; }
    void setDecimals(int decimals);
    QColor NegativeColor() const { return m_negativeColor; }
    void setNegativeColor(const QColor& color);
    // How the text is painted while it is not being edited.
    Qt::Alignment Alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    bool TabOnEnterKey() const { return m_tabOnEnterKey; }
    void setTabOnEnterKey(bool on) { m_tabOnEnterKey = on; }
    bool AutoSelect() const { return m_autoSelect; }
    void setAutoSelect(bool on) { m_autoSelect = on; }
    // The longest text that can be typed.
    int MaxTextLength() const;

    // The value as each type: rounded for the integer types, 0 when it lies
    // outside the type's range.
    quint8 AsByte();
    qint8 AsShortint();
    qint16 AsSmallInt();
    quint16 AsWord();
    qint32 AsInteger();
    float AsSingle();
    double AsDouble();

    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Converts the text as leaving the field does; answers whether the value
    // was taken over. Messages select the text and keep the focus here.
    bool parseText();
    // The text as a number: nullopt when it is none.
    std::optional<Extended> numberFromText(const QString& text) const;
    bool inRange(Extended value) const { return value >= m_min && value <= m_max; }
    void showRangeMessage();
    void clampToType();
    void reformat();
    void applyFontColour();
    void typeCharacter(QKeyEvent* event);
    void pasteNumber();
    template <class T> T readAs(TDataType type);

    Extended m_value = 0;
    Extended m_min = 0;
    Extended m_max = 0;
    bool m_validate = true;
    TDataType m_datatype = TDataType::dtExtended;
    TNumericType m_numericType = TNumericType::ntGeneral;
    int m_digits = 12;
    int m_decimals = 2;
    QColor m_negativeColor = Qt::red;
    QColor m_normalColor;
    Qt::Alignment m_alignment = Qt::AlignRight;
    bool m_tabOnEnterKey = false;
    bool m_autoSelect = true;
    // On while the field has the focus or its text has not been parsed yet.
    bool m_editing = false;
    bool m_colouring = false;
};

} // namespace kasplan
