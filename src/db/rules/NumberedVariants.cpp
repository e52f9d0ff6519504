#include "NumberedVariants.h"

namespace kasplan::NumberedVariants {

namespace {

bool isDecimalDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The decimal digits plus one, without leading zeros. Worked on the text so
// that no run of digits is too long to count.
QString incremented(QString digits)
{
    int i = int(digits.size()) - 1;
    while (i >= 0 && digits[i] == QLatin1Char('9'))
        digits[i--] = QLatin1Char('0');
    if (i < 0)
        digits.prepend(QLatin1Char('1'));
    else
        digits[i] = QChar(digits[i].unicode() + 1);
    qsizetype zeros = 0;
    while (zeros < digits.size() - 1 && digits[zeros] == QLatin1Char('0'))
        ++zeros;
    return digits.mid(zeros);
}

// At most length characters of text, never half a surrogate pair.
QString cut(const QString& text, qsizetype length)
{
    if (length <= 0)
        return QString();
    if (text.size() <= length)
        return text;
    QString head = text.left(length);
    if (head.back().isHighSurrogate())
        head.chop(1);
    return head;
}

} // namespace

QString Next(const QString& text, int limit, const QString& separator)
{
    qsizetype start = text.size();
    while (start > 0 && isDecimalDigit(text[start - 1]))
        --start;
    const QString digits = text.mid(start);
    const QString number = incremented(digits.isEmpty() ? QStringLiteral("0") : digits);
    QString rest = text.left(start);
    if (digits.isEmpty() && !text.isEmpty())
        rest = cut(rest, limit - number.size() - separator.size()) + separator;
    else
        rest = cut(rest, limit - number.size());
    while (!rest.isEmpty() && isDecimalDigit(rest.back()))
        rest.chop(1);
    return rest + number;
}

QString FirstUnused(const QString& text, int limit,
                    const std::function<bool(const QString&)>& inUse, const QString& separator)
{
    // Each variant counts one higher than the one before, so the search ends
    // after at most as many steps as there are names in use.
    QString candidate = Next(text, limit, separator);
    while (inUse(candidate))
        candidate = Next(candidate, limit, separator);
    return candidate;
}

} // namespace kasplan::NumberedVariants
