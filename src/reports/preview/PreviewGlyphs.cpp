#include "PreviewGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kasplan {

namespace {

constexpr int Size = 24;
const QColor Ink(30, 30, 30);
const QColor Paper(255, 255, 255);
const QColor Accent(0, 0, 128);

void page(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(Ink, 1));
    p.setBrush(Paper);
    p.drawRect(r);
}

void arrow(QPainter& p, bool right)
{
    QPainterPath path;
    if (right) {
        path.moveTo(8, 5);
        path.lineTo(17, 12);
        path.lineTo(8, 19);
    } else {
        path.moveTo(16, 5);
        path.lineTo(7, 12);
        path.lineTo(16, 19);
    }
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Accent);
    p.drawPath(path);
}

void magnifier(QPainter& p, bool plus)
{
    p.setPen(QPen(Ink, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14.5, 14.5), QPointF(21, 21));
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Paper);
    p.drawEllipse(QPointF(10, 10), 7, 7);
    p.setPen(QPen(Accent, 2));
    p.drawLine(QPointF(6.5, 10), QPointF(13.5, 10));
    if (plus)
        p.drawLine(QPointF(10, 6.5), QPointF(10, 13.5));
}

void printer(QPainter& p)
{
    p.setPen(QPen(Ink, 1));
    p.setBrush(Paper);
    p.drawRect(QRectF(7.5, 2.5, 9, 7));
    p.setBrush(QColor(150, 150, 150));
    p.drawRoundedRect(QRectF(2.5, 9.5, 19, 9), 2, 2);
    p.setBrush(Paper);
    p.drawRect(QRectF(6.5, 15.5, 11, 6));
    p.setBrush(QColor(0, 180, 0));
    p.drawEllipse(QPointF(18, 12), 1, 1);
}

} // namespace

QIcon PreviewIcon(PreviewGlyph glyph)
{
    QPixmap pixmap(Size, Size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case PreviewGlyph::PriorPage:
        arrow(p, false);
        break;
    case PreviewGlyph::NextPage:
        arrow(p, true);
        break;
    case PreviewGlyph::ZoomOut:
        magnifier(p, false);
        break;
    case PreviewGlyph::ZoomIn:
        magnifier(p, true);
        break;
    case PreviewGlyph::WholePage:
        page(p, QRectF(6.5, 2.5, 11, 19));
        p.setPen(QPen(Accent, 1));
        for (double y : {6.5, 9.5, 12.5, 15.5})
            p.drawLine(QPointF(8.5, y), QPointF(15.5, y));
        break;
    case PreviewGlyph::PageWidth:
        page(p, QRectF(3.5, 4.5, 17, 15));
        p.setPen(QPen(Accent, 1.5));
        p.drawLine(QPointF(5.5, 12), QPointF(18.5, 12));
        p.drawLine(QPointF(5.5, 12), QPointF(8.5, 9));
        p.drawLine(QPointF(5.5, 12), QPointF(8.5, 15));
        p.drawLine(QPointF(18.5, 12), QPointF(15.5, 9));
        p.drawLine(QPointF(18.5, 12), QPointF(15.5, 15));
        break;
    case PreviewGlyph::PrinterSetup:
        printer(p);
        p.setPen(QPen(Accent, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(15, 21), QPointF(22, 14));
        p.setBrush(Accent);
        p.drawEllipse(QPointF(21.5, 14.5), 1.5, 1.5);
        break;
    case PreviewGlyph::Print:
        printer(p);
        break;
    case PreviewGlyph::Help: {
        QFont font = p.font();
        font.setPixelSize(18);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Accent);
        p.drawText(QRect(0, 0, Size, Size), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    }
    p.end();
    return QIcon(pixmap);
}

} // namespace kasplan
