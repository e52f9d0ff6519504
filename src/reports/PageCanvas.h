#pragma once

#include "ReportBand.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QPen>

class QPainter;

namespace kasplan::report {

// Paints bands on a painter whose device coordinates start at the paper's
// top left corner, dotsPerMm device pixels to the millimetre. In black and
// white every colour becomes black or white by its grey value, and the
// painting is not smoothed, so no grey is left.
class PageCanvas
{
public:
    PageCanvas(QPainter& painter, double dotsPerMm, bool blackWhite);

    void paint(const Band& band, QPointF topLeftMm, double widthMm);

    // The colour as it prints.
    static QColor ink(const QColor& colour, bool blackWhite);

private:
    QPointF at(QPointF mm) const { return mm * m_dotsPerMm; }
    QRectF at(const QRectF& mm) const
    {
        return {mm.topLeft() * m_dotsPerMm, mm.size() * m_dotsPerMm};
    }
    QPen pen(const QColor& colour, double widthPx, Qt::PenCapStyle cap) const;
    struct DeviceFont
    {
        TextStyle style;
        QFont font;
        QFontMetricsF metrics;
    };
    struct PreparedText
    {
        QList<QGlyphRun> runs;
        double width;
    };
    // The font's place in m_fonts.
    int deviceFont(const TextStyle& style);
    const PreparedText& prepared(const QString& text, int fontIndex);
    void paintText(const BandItem& item, const QRectF& box);
    void paintLogo(const QRectF& box);

    QPainter& m_painter;
    double m_dotsPerMm;
    bool m_blackWhite;
    // Texts are kept shaped by font, for the pages painted with this canvas.
    QList<DeviceFont> m_fonts;
    QHash<int, QHash<QString, PreparedText>> m_texts;
};

// A pen width wide in the painter's units, scale dots each.
QPen ThinPen(const QColor& colour, double width, double scale, bool blackWhite,
             Qt::PenCapStyle cap);

// The program's logo (a tulip under a greenhouse roof) in a box.
void PaintLogo(QPainter& painter, const QRectF& box, bool blackWhite);

} // namespace kasplan::report
