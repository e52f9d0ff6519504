#pragma once

#include <QString>
#include <QStringList>

namespace kasplan {

// The coded fields of the cultivar database and their Dutch texts. The main
// group and product type lists are also the item lists of the cultivar
// window's index combo boxes, where a code is the position of its item; both
// read them from here so the window and the data module can never disagree.
namespace CodedValues {

// Unit of a week-or-day setting: 1 is days, every other value weeks.
QString UnitWord(int unit);

// Quantity units (PG_unit, Qtyunit, QtyUnit): 0 "Kg", 1 "Stuks".
QString UnitText(int code);
// Typed text to a unit code: "stuks" or "aantal" in any case give 1, the rest 0.
int UnitCode(const QString& text);

// Use type of a size (Gebruikstype).
QString GebruikstypeText(int code);
int GebruikstypeCode(const QString& text);

// Main groups: "(algemeen)", "Tulpen TU", ... "Bijgoed BIJ".
const QStringList& HoofdgroepItems();
// The item at position code, empty text outside the list.
QString HoofdgroepText(int code);
// The abbreviation ("TU", "BIJ"); empty for "(algemeen)" and outside the list.
QString HoofdgroepAfkText(int code);

// Flower product types: "(algemeen)", "Tulpen", "Irissen", "Planten", "Rozen".
const QStringList& ProductTypeItems();
QString ProductTypeText(int code);

} // namespace CodedValues
} // namespace kasplan
