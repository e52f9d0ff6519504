#pragma once

class QPrinter;
class QWidget;

namespace kasplan {

// Prints a window's client area on one page: the widgets paint themselves at
// the printer's resolution, scaled to fit the page and keeping their shape,
// so text and bars print sharp (and a PDF keeps its text). Throws
// std::runtime_error when the printer or file cannot be opened.
void PrintClientArea(QPrinter& printer, QWidget& clientArea);

} // namespace kasplan
