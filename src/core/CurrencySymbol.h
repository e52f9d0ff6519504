#pragma once

#include <QString>

class QLocale;

namespace kasplan {

// The one text that every money value of the program carries in front of its
// amount ("€ ", "eur ", "fl "), set by the general settings from the standard
// currency of the database. Until it is set, money values are written in the
// desktop's own currency format.
QString CurrencySymbol();
void SetCurrencySymbol(const QString& symbol);

// A money value as the program shows it: the currency symbol followed by the
// amount with two decimals and the locale's separators ("€ 1.234,50",
// "€ -3,00").
QString FormatMoney(double value, const QLocale& locale);

} // namespace kasplan
