#pragma once

#include <QString>

namespace kasplan {

// The rules of the cultivar list's filter: an engine filter text for the main
// group and two stock-only switches that a record filter applies.
namespace CultivarFilter {

// The filter text for item n of the main-group choice: 0 ("Alle") or less
// means no condition, 1 to 10 select that main group.
QString HoofdgroepFilterText(int n);

// Whether a cultivar passes the stock switches. With no switch on every
// record passes; with switches on, one switch that its flag meets suffices.
bool Accepts(bool voorraadOnly, bool pgVoorraadOnly, bool pgVoorraad, bool broeiVoorraad);

// The filter is on exactly while it can hide something.
bool FilterOn(const QString& filterText, bool voorraadOnly, bool pgVoorraadOnly);

// "Totaal %d Cultivars", the count shown under the cultivar list.
QString CountText(int shown);

} // namespace CultivarFilter
} // namespace kasplan
