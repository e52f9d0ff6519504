#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

class QPainter;

namespace kasplan {

// The pictures of the main window, drawn here so the program carries no
// image files: the logo (a tulip under a greenhouse roof) and the glyphs of
// the print and settings buttons.
//
// The logo is painted in one place, into a square of the given side at the
// painter's origin, so the window, the window icon and the icon files that
// an installation puts in the desktop's icon theme show one picture.
void PaintKasplanLogo(QPainter& painter, qreal side);
QImage KasplanLogoImage(int size);
QPixmap KasplanLogo(int size);
// The logo at the sizes a desktop asks for, for the program's windows.
QIcon KasplanIcon();
QIcon PrinterGlyph();
QIcon OptionsGlyph();

} // namespace kasplan
