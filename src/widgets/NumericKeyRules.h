#pragma once

#include "NumberText.h"

#include <QChar>
#include <QString>

namespace kasplan {

// What a typed character does to the text of a numeric input field, so that
// only a well-formed number can be typed. Backspace is the character '\b'.
class NumericKeyRules
{
public:
    struct Settings
    {
        bool integerType = false;
        TNumericType numericType = TNumericType::ntGeneral;
        int decimals = 2;
        int maxLength = 12;
        QChar decimalPoint = QLatin1Char(',');
    };

    // The field's text with its cursor and selection.
    struct EditState
    {
        QString text;
        int cursor = 0;
        int selectionStart = 0;
        int selectionLength = 0;
    };

    struct Decision
    {
        bool refused = false;
        bool beep = false;
        // The fixed formats tidy the text before the character acts; the
        // field then holds this text with the cursor at tidiedCursor.
        bool tidied = false;
        QString tidiedText;
        int tidiedCursor = 0;
        // What is typed in the key's place: the character, "E" for "e", or
        // nothing for a Backspace that only removed a selection.
        QString typed;
        bool backspace = false;
    };

    explicit NumericKeyRules(const Settings& settings) : m_settings(settings) {}

    Decision decide(const EditState& state, QChar key) const;

private:
    Decision fixedFormats(const EditState& state, QChar key) const;
    Decision generalFormats(const EditState& state, QChar key) const;
    bool tooLong(const QString& text, int added) const;

    Settings m_settings;
};

} // namespace kasplan
