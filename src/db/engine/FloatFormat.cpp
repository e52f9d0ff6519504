#include "FloatFormat.h"

#include <algorithm>
#include <cmath>

namespace kasplan::db {

QString formatFloat(const QString& picture, double value, const QLocale& locale)
{
    const qsizetype dot = picture.indexOf(QLatin1Char('.'));
    const QString whole = dot < 0 ? picture : picture.left(dot);
    const QString fraction = dot < 0 ? QString() : picture.mid(dot + 1);
    const int minWhole = int(whole.count(QLatin1Char('0')));
    const bool grouped = whole.contains(QLatin1Char(','));
    const int minDecimals = int(fraction.count(QLatin1Char('0')));
    const int maxDecimals = minDecimals + int(fraction.count(QLatin1Char('#')));

    // Round once, at the last decimal the picture can show.
    QString digits = QString::number(std::fabs(value), 'f', maxDecimals);
    QString intPart = digits;
    QString decPart;
    if (const qsizetype p = digits.indexOf(QLatin1Char('.')); p >= 0) {
        intPart = digits.left(p);
        decPart = digits.mid(p + 1);
    }
    while (decPart.size() > minDecimals && decPart.endsWith(QLatin1Char('0')))
        decPart.chop(1);
    if (intPart == QLatin1String("0"))
        intPart.clear();
    while (intPart.size() < minWhole)
        intPart.prepend(QLatin1Char('0'));
    if (grouped && intPart.size() > 3) {
        const QString separator = locale.groupSeparator();
        for (qsizetype i = intPart.size() - 3; i > 0; i -= 3)
            intPart.insert(i, separator);
    }
    QString text = intPart;
    if (!decPart.isEmpty())
        text += locale.decimalPoint() + decPart;
    // A value that rounds to nothing shows no sign.
    const bool shownNonZero = std::any_of(
        text.cbegin(), text.cend(), [](QChar c) { return c.isDigit() && c != QLatin1Char('0'); });
    if (value < 0 && shownNonZero)
        text.prepend(locale.negativeSign());
    return text;
}

} // namespace kasplan::db
