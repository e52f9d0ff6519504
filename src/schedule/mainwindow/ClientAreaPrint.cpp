#include "ClientAreaPrint.h"

#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QWidget>

#include <algorithm>
#include <stdexcept>

namespace kasplan {

void PrintClientArea(QPrinter& printer, QWidget& clientArea)
{
    // Qt renders a widget straight onto a printer as one picture of pixels;
    // recorded as painting commands and played back, text stays text and
    // the bars stay rectangles, at any resolution.
    QPicture commands;
    {
        QPainter recorder(&commands);
        clientArea.render(&recorder, QPoint(), QRegion(),
                          QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }

    QPainter painter;
    if (!painter.begin(&printer))
        throw std::runtime_error("Het venster kan niet worden afgedrukt: de printer of het "
                                 "bestand kan niet worden geopend.");
    const QRect page = painter.viewport();
    const QSize size = clientArea.size();
    const qreal scale =
        std::min(qreal(page.width()) / size.width(), qreal(page.height()) / size.height());
    painter.translate(page.topLeft());
    // Playing back scales the picture from its own resolution to the
    // printer's; the page scale is on top of that.
    const qreal playback = qreal(printer.logicalDpiX()) / commands.logicalDpiX();
    painter.scale(scale / playback, scale / playback);
    painter.drawPicture(0, 0, commands);
    if (!painter.end())
        throw std::runtime_error("Het venster kan niet worden afgedrukt.");
}

} // namespace kasplan
