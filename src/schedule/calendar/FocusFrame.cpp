#include "FocusFrame.h"

#include <QPainter>
#include <QWidget>

namespace kasplan {

void PaintFocusFrame(QPainter& painter, const QWidget& bar)
{
    constexpr int Width = 2;
    const QColor colour = bar.palette().color(QPalette::Active, QPalette::Highlight);
    const QRect r = bar.rect();
    painter.fillRect(r.left(), r.top(), r.width(), Width, colour);
    painter.fillRect(r.left(), r.bottom() - Width + 1, r.width(), Width, colour);
    painter.fillRect(r.left(), r.top(), Width, r.height(), colour);
    painter.fillRect(r.right() - Width + 1, r.top(), Width, r.height(), colour);
}

} // namespace kasplan
