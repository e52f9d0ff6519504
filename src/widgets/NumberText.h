#pragma once

#include <QLocale>
#include <QString>

namespace kasplan {

// The widest floating type, used for the numbers of the numeric input field.
using Extended = long double;

// The display formats of the numeric input field.
enum class TNumericType { ntGeneral, ntExponent, ntFixed, ntNumber, ntCurrency };

// Numbers as text in the locale's separators.
namespace NumberText {

// precision: significant digits (general, exponent; the most whole-number
// digits of the fixed formats before they switch to exponent form);
// digits: decimals for the fixed formats, the least exponent digits (0..4)
// for general and exponent.
//   ntGeneral  the shorter of fixed and exponent form, no trailing zeros;
//              fixed while the whole part has at most precision digits and
//              the value is 0.00001 or more
//   ntExponent d,ddd...E+dd with precision digits in all
//   ntFixed    ddd,dd with digits decimals
//   ntNumber   d.ddd,dd: fixed with thousands separators
//   ntCurrency the number form within the locale's currency format
QString format(Extended value, TNumericType type, int precision, int digits,
               const QLocale& locale = QLocale());

// The general form with 15 significant digits, as messages show numbers.
QString general(Extended value, const QLocale& locale = QLocale());

} // namespace NumberText
} // namespace kasplan
