#pragma once

#include <QIcon>
#include <QPixmap>

namespace kasplan {

// The pictures of the main window, drawn here so the program carries no
// image files: the logo (a tulip under a greenhouse roof) and the glyphs of
// the print and settings buttons.
QPixmap KasplanLogo(int size);
QIcon PrinterGlyph();
QIcon OptionsGlyph();

} // namespace kasplan
