#include "NumericKeyRules.h"

namespace kasplan {

namespace {

constexpr QChar kBackspace = QLatin1Char('\b');

bool isSign(QChar c)
{
    return c == QLatin1Char('-') || c == QLatin1Char('+');
}

NumericKeyRules::Decision refuse(bool beep)
{
    NumericKeyRules::Decision d;
    d.refused = true;
    d.beep = beep;
    return d;
}

NumericKeyRules::Decision type(const QString& typed)
{
    NumericKeyRules::Decision d;
    d.typed = typed;
    return d;
}

NumericKeyRules::Decision backspace()
{
    NumericKeyRules::Decision d;
    d.backspace = true;
    return d;
}

} // namespace

bool NumericKeyRules::tooLong(const QString& text, int added) const
{
    return text.size() + added > m_settings.maxLength;
}

NumericKeyRules::Decision NumericKeyRules::decide(const EditState& state, QChar key) const
{
    const QChar point = m_settings.decimalPoint;
    const bool floatingOnly = key == QLatin1Char('E') || key == QLatin1Char('e') || key == point;
    if (!(key == kBackspace || isSign(key) || key.isDigit() || floatingOnly) ||
        (floatingOnly && m_settings.integerType))
        return refuse(false);
    switch (m_settings.numericType) {
    case TNumericType::ntFixed:
    case TNumericType::ntNumber:
    case TNumericType::ntCurrency:
        return fixedFormats(state, key);
    case TNumericType::ntGeneral:
    case TNumericType::ntExponent:
        break;
    }
    return generalFormats(state, key);
}

NumericKeyRules::Decision NumericKeyRules::fixedFormats(const EditState& state, QChar key) const
{
    const QChar point = m_settings.decimalPoint;
    QString text = state.text;
    int cursor = state.cursor;
    const bool hadSelection = state.selectionLength > 0;
    if (hadSelection) {
        // A selection that reaches the decimal point takes the decimals with it.
        const int start = state.selectionStart;
        const int end = start + state.selectionLength;
        const qsizetype at = text.indexOf(point);
        if (at >= start && at < end)
            text.truncate(start);
        else
            text.remove(start, state.selectionLength);
        cursor = start;
    }
    // Only the sign, the digits and the decimal point stay: thousands
    // separators and the currency symbol go.
    QString kept;
    int keptCursor = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('-') || c.isDigit() || c == point) {
            kept += c;
            if (i < cursor)
                ++keptCursor;
        }
    }
    Decision d;
    if (key == kBackspace && hadSelection) {
        d = type(QString());
    } else {
        const qsizetype at = kept.indexOf(point);
        const int wholeRoom = m_settings.maxLength - m_settings.decimals;
        const int wholeLength = int(at < 0 ? kept.size() : at);
        const int decimalsTyped = at < 0 ? 0 : int(kept.size() - at - 1);
        if (key == kBackspace) {
            // Taking the point away joins the decimals to the whole part.
            if (keptCursor > 0 && kept.at(keptCursor - 1) == point &&
                wholeLength + decimalsTyped > wholeRoom)
                d = refuse(true);
            else
                d = backspace();
        } else if (key == point) {
            if (m_settings.decimals == 0 || at >= 0 ||
                kept.size() - keptCursor > m_settings.decimals)
                d = refuse(true);
            else
                d = type(QString(point));
        } else if (key == QLatin1Char('-')) {
            d = keptCursor != 0 || kept.startsWith(QLatin1Char('-')) ? refuse(true)
                                                                     : type(QStringLiteral("-"));
        } else if (!key.isDigit()) {
            // "+" adds nothing to a fixed number; "E" has no place in it.
            d = refuse(true);
        } else if (at < 0 || keptCursor <= at) {
            if (wholeLength < wholeRoom)
                d = type(QString(key));
            else if (at < 0 && keptCursor == kept.size() && m_settings.decimals > 0)
                // The whole part is full: typing on goes into the decimals.
                d = type(QString(point) + key);
            else
                d = refuse(true);
        } else {
            d = decimalsTyped >= m_settings.decimals ? refuse(true) : type(QString(key));
        }
    }
    if (!d.refused && tooLong(kept, int(d.typed.size())))
        d = refuse(true);
    if (!d.refused && (kept != state.text || hadSelection)) {
        d.tidied = true;
        d.tidiedText = kept;
        d.tidiedCursor = keptCursor;
    }
    return d;
}

NumericKeyRules::Decision NumericKeyRules::generalFormats(const EditState& state, QChar key) const
{
    const QChar point = m_settings.decimalPoint;
    const QChar e = QLatin1Char('E');
    if (key == kBackspace) {
        // The exponent's letter stays while a sign follows it.
        const QString& t = state.text;
        const int p = state.cursor;
        if (state.selectionLength == 0 && p > 0 && t.at(p - 1) == e && p < t.size() &&
            isSign(t.at(p)))
            return refuse(true);
        return backspace();
    }
    // The rules look at the text as it is once the typed character replaces
    // the selection.
    QString t = state.text;
    int p = state.cursor;
    if (state.selectionLength > 0) {
        t.remove(state.selectionStart, state.selectionLength);
        p = state.selectionStart;
    }
    const QChar before = p > 0 ? t.at(p - 1) : QChar();
    const qsizetype exponentAt = t.indexOf(e);
    // Nothing goes in front of the exponent's sign.
    if (p > 0 && p < t.size() && before == e && isSign(t.at(p)))
        return refuse(true);
    Decision d;
    if (key == QLatin1Char('e') || key == e) {
        d = exponentAt >= 0 || !before.isDigit() ? refuse(true) : type(QString(e));
    } else if (key == point) {
        d = t.contains(point) || (exponentAt >= 0 && p > exponentAt) ? refuse(true)
                                                                     : type(QString(point));
    } else if (key == QLatin1Char('-')) {
        const bool atStart = p == 0 && !(t.size() > 0 && isSign(t.at(0)));
        d = atStart || before == e ? type(QStringLiteral("-")) : refuse(true);
    } else if (key == QLatin1Char('+')) {
        d = before == e ? type(QStringLiteral("+")) : refuse(true);
    } else {
        // A digit: not in front of the leading sign.
        d = p == 0 && t.size() > 0 && isSign(t.at(0)) ? refuse(true) : type(QString(key));
    }
    if (!d.refused && tooLong(t, int(d.typed.size())))
        d = refuse(true);
    return d;
}

} // namespace kasplan
