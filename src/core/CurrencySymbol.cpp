#include "CurrencySymbol.h"

#include <QLocale>

namespace kasplan {

namespace {

QString& symbol()
{
    static QString text;
    return text;
}

} // namespace

QString CurrencySymbol()
{
    return symbol();
}

void SetCurrencySymbol(const QString& text)
{
    symbol() = text;
}

QString FormatMoney(double value, const QLocale& locale)
{
    if (symbol().isEmpty())
        return locale.toCurrencyString(value);
    return symbol() + locale.toString(value, 'f', 2);
}

} // namespace kasplan
