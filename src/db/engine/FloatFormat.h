#pragma once

#include <QLocale>
#include <QString>

namespace kasplan::db {

// Number pictures as the views' display formats write them: "#0.###",
// "#0", "#.#". A "0" always writes a digit, a "#" only a digit the value
// has; "," in the whole part groups thousands. The separators are the
// locale's. So 2.5 with "#.#" is "2,5" in Dutch, 0.5 is ",5" and 0 is empty.
QString formatFloat(const QString& picture, double value, const QLocale& locale = QLocale());

} // namespace kasplan::db
