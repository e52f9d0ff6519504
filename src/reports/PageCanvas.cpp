#include "PageCanvas.h"

#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

namespace kasplan::report {

PageCanvas::PageCanvas(QPainter& painter, double dotsPerMm, bool blackWhite)
    : m_painter(painter), m_dotsPerMm(dotsPerMm), m_blackWhite(blackWhite)
{
    m_painter.setRenderHint(QPainter::Antialiasing, !blackWhite);
    m_painter.setRenderHint(QPainter::TextAntialiasing, !blackWhite);
}

QColor PageCanvas::ink(const QColor& colour, bool blackWhite)
{
    if (!blackWhite || colour.alpha() == 0)
        return colour;
    return qGray(colour.rgb()) < 128 ? QColor(Qt::black) : QColor(Qt::white);
}

void PageCanvas::paint(const Band& band, QPointF topLeftMm, double widthMm)
{
    m_painter.save();
    for (const BandItem& item : band.items()) {
        const QRectF box = item.box.translated(topLeftMm);
        switch (item.kind) {
        case BandItem::Kind::Text:
            paintText(item, box);
            break;
        case BandItem::Kind::Line:
            m_painter.setPen(pen(item.color, item.penMm * m_dotsPerMm, Qt::FlatCap));
            m_painter.drawLine(at(box.topLeft()), at(box.bottomRight()));
            break;
        case BandItem::Kind::Frame:
            m_painter.setPen(pen(item.color, item.penMm * m_dotsPerMm, Qt::SquareCap));
            m_painter.setBrush(Qt::NoBrush);
            m_painter.drawRect(at(box));
            break;
        case BandItem::Kind::Fill:
            m_painter.fillRect(at(box), ink(item.color, m_blackWhite));
            break;
        case BandItem::Kind::Logo:
            paintLogo(at(box));
            break;
        }
    }
    if (band.framed()) {
        m_painter.setPen(pen(Qt::black, ThinLineMm * m_dotsPerMm, Qt::SquareCap));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(at(QRectF(topLeftMm, QSizeF(widthMm, band.height()))));
    }
    m_painter.restore();
}

QPen PageCanvas::pen(const QColor& colour, double widthPx, Qt::PenCapStyle cap) const
{
    return ThinPen(ink(colour, m_blackWhite), widthPx, 1.0, m_blackWhite, cap);
}

QPen ThinPen(const QColor& colour, double width, double scale, bool blackWhite, Qt::PenCapStyle cap)
{
    QPen pen(colour, width, Qt::SolidLine, cap, Qt::MiterJoin);
    // Lines thinner than a dot come out grey unless smoothed away; in black
    // and white they are one dot wide instead.
    if (blackWhite && width * scale < 1)
        pen.setWidth(0);
    return pen;
}

int PageCanvas::deviceFont(const TextStyle& style)
{
    for (int i = 0; i < m_fonts.size(); ++i) {
        const TextStyle& known = m_fonts[i].style;
        if (known.points == style.points && known.bold == style.bold &&
            known.italic == style.italic && known.underline == style.underline)
            return i;
    }
    // Point sizes as the device resolves them would follow its own idea of
    // its resolution; the size asked for follows the millimetres instead.
    QPaintDevice* device = m_painter.device();
    const int deviceDpi = device ? device->logicalDpiY() : 72;
    QFont font = style.font();
    font.setPointSizeF(style.points * m_dotsPerMm * 25.4 / deviceDpi);
    if (m_blackWhite)
        font.setStyleStrategy(QFont::NoAntialias);
    // Bound to the device, so the texts are laid out at its resolution.
    const QFont onDevice = device ? QFont(font, device) : font;
    m_fonts.append({style, onDevice, QFontMetricsF(onDevice)});
    return int(m_fonts.size()) - 1;
}

const PageCanvas::PreparedText& PageCanvas::prepared(const QString& text, int fontIndex)
{
    // Reports repeat their headings, captions and many values on every page.
    const DeviceFont& font = m_fonts[fontIndex];
    auto& cache = m_texts[fontIndex];
    auto found = cache.find(text);
    if (found == cache.end()) {
        if (cache.size() > 5000)
            cache.clear();
        // Shaped once: the glyphs and their places, from the line's top.
        QTextLayout layout(text, font.font, m_painter.device());
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setPosition(QPointF(0, 0));
        layout.endLayout();
        found = cache.insert(text, {layout.glyphRuns(), line.naturalTextWidth()});
    }
    return *found;
}

void PageCanvas::paintText(const BandItem& item, const QRectF& boxMm)
{
    if (item.text.isEmpty())
        return;
    const int fontIndex = deviceFont(item.style);
    const DeviceFont& font = m_fonts[fontIndex];
    const QRectF box = at(boxMm);
    m_painter.setPen(ink(item.style.color, m_blackWhite));
    m_painter.setFont(font.font);

    if (!item.wordWrap) {
        // One line, placed by hand: most texts of a report are short, and
        // only one too wide for its box needs cutting off.
        const PreparedText& text = prepared(item.text, fontIndex);
        double x = box.left();
        if (item.alignment & Qt::AlignRight)
            x = box.right() - text.width;
        else if (item.alignment & Qt::AlignHCenter)
            x = box.left() + (box.width() - text.width) / 2;
        const QPointF topLeft(x, box.top());
        const bool cut = text.width > box.width() + 0.5;
        if (cut) {
            m_painter.save();
            m_painter.setClipRect(
                QRectF(box.left(), box.top() - box.height(), box.width(), 3 * box.height()),
                Qt::IntersectClip);
        }
        for (const QGlyphRun& run : text.runs)
            m_painter.drawGlyphRun(topLeft, run);
        if (cut)
            m_painter.restore();
        return;
    }

    QTextOption option(item.alignment);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QTextLayout layout(item.text, font.font, m_painter.device());
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    // Lines follow each other at Arial's spacing, whatever family stands in
    // for it, so a box holds the lines it was made for. A line that does not
    // fit the box in full is left out: longer text is cut off at a line,
    // never through one.
    const double spacing = LineHeightMm(item.style) * m_dotsPerMm;
    int shown = 0;
    layout.beginLayout();
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(box.width());
        const double y = shown * spacing;
        if (shown > 0 && y + spacing > box.height() + 0.01 * m_dotsPerMm)
            break;
        line.setPosition(QPointF(0, y));
        ++shown;
    }
    layout.endLayout();

    m_painter.save();
    // Cut off at the sides of the box; the lines kept fit its height.
    const double height = std::max(shown * spacing, box.height());
    m_painter.setClipRect(
        QRectF(box.left(), box.top() - box.height(), box.width(), height + 2 * box.height()),
        Qt::IntersectClip);
    for (int i = 0; i < shown; ++i)
        layout.lineAt(i).draw(&m_painter, box.topLeft());
    m_painter.restore();
}

void PageCanvas::paintLogo(const QRectF& box)
{
    m_painter.save();
    PaintLogo(m_painter, box, m_blackWhite);
    m_painter.restore();
}

void PaintLogo(QPainter& p, const QRectF& box, bool blackWhite)
{
    const auto ink = [blackWhite](const QColor& c) { return PageCanvas::ink(c, blackWhite); };
    // Drawn on an 80 by 80 grid, stretched to the box.
    p.translate(box.topLeft());
    const double scale = std::min(box.width(), box.height()) / 80.0;
    p.scale(box.width() / 80.0, box.height() / 80.0);
    const auto pen = [&](const QColor& c, double width, Qt::PenCapStyle cap = Qt::SquareCap) {
        return ThinPen(ink(c), width, scale, blackWhite, cap);
    };

    // The greenhouse: glass panes under a pointed roof.
    p.setPen(pen(QColor(40, 90, 60), 2));
    p.setBrush(ink(QColor(215, 238, 245)));
    QPainterPath house;
    house.moveTo(6, 74);
    house.lineTo(6, 34);
    house.lineTo(40, 8);
    house.lineTo(74, 34);
    house.lineTo(74, 74);
    house.closeSubpath();
    p.drawPath(house);
    p.setPen(pen(QColor(40, 90, 60), 1));
    for (int x : {23, 40, 57})
        p.drawLine(QPointF(x, x == 40 ? 8 : 21), QPointF(x, 74));
    p.drawLine(QPointF(6, 34), QPointF(74, 34));

    // The tulip: stem, two leaves and a red cup of three petals.
    p.setPen(pen(QColor(30, 120, 40), 3, Qt::RoundCap));
    p.drawLine(QPointF(40, 72), QPointF(40, 44));
    p.setPen(Qt::NoPen);
    p.setBrush(ink(QColor(60, 150, 60)));
    QPainterPath leaves;
    leaves.moveTo(40, 70);
    leaves.cubicTo(26, 62, 24, 52, 28, 46);
    leaves.cubicTo(32, 56, 36, 62, 40, 66);
    leaves.moveTo(40, 68);
    leaves.cubicTo(54, 60, 56, 50, 52, 44);
    leaves.cubicTo(48, 54, 44, 60, 40, 64);
    p.drawPath(leaves);
    p.setBrush(ink(QColor(210, 30, 40)));
    QPainterPath cup;
    cup.moveTo(30, 28);
    cup.lineTo(35, 34);
    cup.lineTo(40, 24);
    cup.lineTo(45, 34);
    cup.lineTo(50, 28);
    cup.cubicTo(52, 40, 46, 47, 40, 47);
    cup.cubicTo(34, 47, 28, 40, 30, 28);
    p.drawPath(cup);
}

} // namespace kasplan::report
