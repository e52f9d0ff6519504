#pragma once

#include <QString>

#include <functional>

namespace kasplan {

// Names for a copy that must differ from the original: "NL" becomes "NL1",
// then "NL2"; "NL9" becomes "NL10", "Kas07" "Kas8", an empty text "1". The
// text before the number is cut to make room, so the result stays within the
// field's length (unless the number alone is longer).
namespace NumberedVariants {

// The variant after text: its trailing number (0 when it has none) plus one.
// A text without a number gets the separator before the new one. Digits the
// cut leaves at the end are dropped, so the number stays the one counted.
QString Next(const QString& text, int limit, const QString& separator = QString());

// The first variant after text, and after each variant in turn, that inUse
// does not know.
QString FirstUnused(const QString& text, int limit,
                    const std::function<bool(const QString&)>& inUse,
                    const QString& separator = QString());

} // namespace NumberedVariants
} // namespace kasplan
