#include "NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kasplan::NumberText {

namespace {

// The value rounded to precision significant digits: its digits and the
// decimal exponent of the first one (value = d.ddd × 10^exponent).
struct Digits
{
    QString digits;
    int exponent = 0;
};

Digits significant(Extended value, int precision)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%.*Le", std::clamp(precision, 1, 36) - 1,
                  std::fabs(value));
    // The C library writes the decimal point of the process's locale.
    const QString text = QString::fromLatin1(buffer);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    Digits d;
    for (const QChar c : text.left(e)) {
        if (c.isDigit())
            d.digits += c;
    }
    d.exponent = text.mid(e + 1).toInt();
    return d;
}

QString exponentPart(int exponent, int digits)
{
    const QString number = QString::number(std::abs(exponent))
                               .rightJustified(std::clamp(digits, 0, 4), QLatin1Char('0'));
    return QString(exponent < 0 ? QStringLiteral("E-") : QStringLiteral("E+")) + number;
}

QString exponentForm(const Digits& d, const QLocale& locale, int exponentDigits)
{
    QString text = d.digits.left(1);
    if (d.digits.size() > 1)
        text += locale.decimalPoint() + d.digits.mid(1);
    return text + exponentPart(d.exponent, exponentDigits);
}

QString groupThousands(const QString& whole, const QLocale& locale)
{
    QString grouped;
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            grouped += locale.groupSeparator();
        grouped += whole.at(i);
    }
    return grouped;
}

// Fixed form, unsigned, with or without thousands separators.
QString fixedForm(Extended value, int decimals, bool thousands, const QLocale& locale)
{
    char buffer[6000];
    std::snprintf(buffer, sizeof buffer, "%.*Lf", std::clamp(decimals, 0, 18), std::fabs(value));
    const QString text = QString::fromLatin1(buffer);
    qsizetype point = -1;
    for (qsizetype i = 0; i < text.size() && point < 0; ++i) {
        if (!text.at(i).isDigit())
            point = i;
    }
    QString whole = point < 0 ? text : text.left(point);
    if (thousands)
        whole = groupThousands(whole, locale);
    return point < 0 ? whole : whole + locale.decimalPoint() + text.mid(point + 1);
}

bool roundsToZero(const QString& text)
{
    return std::none_of(text.begin(), text.end(),
                        [](QChar c) { return c.isDigit() && c != QLatin1Char('0'); });
}

} // namespace

QString format(Extended value, TNumericType type, int precision, int digits, const QLocale& locale)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    const QString minus = value < 0 ? QStringLiteral("-") : QString();
    precision = std::clamp(precision, 1, 36);
    switch (type) {
    case TNumericType::ntGeneral: {
        if (value == 0)
            return QStringLiteral("0");
        Digits d = significant(value, precision);
        while (d.digits.size() > 1 && d.digits.endsWith(QLatin1Char('0')))
            d.digits.chop(1);
        if (d.exponent >= precision || d.exponent < -5)
            return minus + exponentForm(d, locale, digits);
        QString whole;
        QString fraction;
        if (d.exponent >= 0) {
            whole = d.digits.left(d.exponent + 1).leftJustified(d.exponent + 1, QLatin1Char('0'));
            fraction = d.digits.mid(d.exponent + 1);
        } else {
            whole = QStringLiteral("0");
            fraction = QString(-d.exponent - 1, QLatin1Char('0')) + d.digits;
        }
        return minus + whole + (fraction.isEmpty() ? QString() : locale.decimalPoint() + fraction);
    }
    case TNumericType::ntExponent:
        return minus + exponentForm(significant(value, precision), locale, digits);
    case TNumericType::ntFixed:
    case TNumericType::ntNumber:
    case TNumericType::ntCurrency: {
        // A whole part longer than the precision is shown in exponent form.
        if (value != 0 && significant(value, precision).exponent >= precision)
            return minus + exponentForm(significant(value, precision), locale, 2);
        const bool thousands = type != TNumericType::ntFixed;
        const QString number = fixedForm(value, digits, thousands, locale);
        const bool negative = value < 0 && !roundsToZero(number);
        if (type != TNumericType::ntCurrency)
            return (negative ? minus : QString()) + number;
        // The locale's currency pattern, with the number formed here.
        const QString pattern =
            locale.toCurrencyString(negative ? -1.0 : 1.0, locale.currencySymbol(), 0);
        return QString(pattern).replace(QLatin1Char('1'), number);
    }
    }
    return {};
}

QString general(Extended value, const QLocale& locale)
{
    return format(value, TNumericType::ntGeneral, 15, 0, locale);
}

} // namespace kasplan::NumberText
