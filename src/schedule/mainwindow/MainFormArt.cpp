#include "MainFormArt.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace kasplan {

void PaintKasplanLogo(QPainter& p, qreal side)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 80.0, side / 80.0);

    // The greenhouse: glass panes under a pointed roof.
    p.setPen(QPen(QColor(40, 90, 60), 2));
    p.setBrush(QColor(215, 238, 245));
    QPainterPath house;
    house.moveTo(6, 74);
    house.lineTo(6, 34);
    house.lineTo(40, 8);
    house.lineTo(74, 34);
    house.lineTo(74, 74);
    house.closeSubpath();
    p.drawPath(house);
    p.setPen(QPen(QColor(40, 90, 60, 120), 1));
    for (int x : {23, 40, 57})
        p.drawLine(QPointF(x, x == 40 ? 8 : 21), QPointF(x, 74));
    p.drawLine(QPointF(6, 34), QPointF(74, 34));

    // The tulip: stem, two leaves and a red cup of three petals.
    p.setPen(QPen(QColor(30, 120, 40), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(40, 72), QPointF(40, 44));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 150, 60));
    QPainterPath leaves;
    leaves.moveTo(40, 70);
    leaves.cubicTo(26, 62, 24, 52, 28, 46);
    leaves.cubicTo(32, 56, 36, 62, 40, 66);
    leaves.moveTo(40, 68);
    leaves.cubicTo(54, 60, 56, 50, 52, 44);
    leaves.cubicTo(48, 54, 44, 60, 40, 64);
    p.drawPath(leaves);
    p.setBrush(QColor(210, 30, 40));
    QPainterPath cup;
    cup.moveTo(30, 28);
    cup.lineTo(35, 34);
    cup.lineTo(40, 24);
    cup.lineTo(45, 34);
    cup.lineTo(50, 28);
    cup.cubicTo(52, 40, 46, 47, 40, 47);
    cup.cubicTo(34, 47, 28, 40, 30, 28);
    p.drawPath(cup);
    p.restore();
}

QImage KasplanLogoImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    PaintKasplanLogo(p, size);
    return image;
}

QPixmap KasplanLogo(int size)
{
    return QPixmap::fromImage(KasplanLogoImage(size));
}

QIcon KasplanIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(KasplanLogo(size));
    return icon;
}

QIcon PrinterGlyph()
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7.5, 2.5, 9, 7)); // paper going in
    p.setBrush(QColor(150, 150, 150));
    p.drawRoundedRect(QRectF(2.5, 9.5, 19, 9), 2, 2); // the body
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 15.5, 11, 6)); // paper coming out
    p.setBrush(QColor(0, 180, 0));
    p.drawEllipse(QPointF(18, 12), 1, 1);
    return QIcon(pixmap);
}

QIcon OptionsGlyph()
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(12, 12);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(120, 120, 130));
    // A cog: eight teeth round a wheel with a hole.
    QPainterPath cog;
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4;
        QPainterPath tooth;
        tooth.addRect(QRectF(-2, -10, 4, 5));
        cog.addPath(QTransform().rotateRadians(a).map(tooth));
    }
    cog.addEllipse(QPointF(0, 0), 7, 7);
    p.drawPath(cog.simplified());
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(0, 0), 3, 3);
    return QIcon(pixmap);
}

} // namespace kasplan
