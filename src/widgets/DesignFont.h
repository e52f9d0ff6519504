#pragma once

#include <QFont>
#include <QString>

namespace kasplan {

// A font as the windows' design names it: a family and a height in pixels,
// ascent and descent together. The pixel size is the largest whose lines fit
// that height. Where "MS Sans Serif" is missing, a family of Arial's widths
// stands in for it, so the texts keep the room the windows give them.
QFont DesignFont(const QString& family, int height, bool bold = false, bool italic = false);

} // namespace kasplan
