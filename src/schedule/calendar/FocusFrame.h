#pragma once

class QPainter;
class QWidget;

namespace kasplan {

// Marks a bar that has the input focus: a frame in the highlight colour just
// inside its edges, drawn over the cells, so that a keyboard user sees which
// of the six bars of the window the keys go to.
void PaintFocusFrame(QPainter& painter, const QWidget& bar);

} // namespace kasplan
