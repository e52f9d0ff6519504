#include "ReportBand.h"

#include <QStringList>

namespace kasplan::report {

TextStyle TextStyle::sized(double pt) const
{
    TextStyle s = *this;
    s.points = pt;
    return s;
}

TextStyle TextStyle::withBold() const
{
    TextStyle s = *this;
    s.bold = true;
    return s;
}

TextStyle TextStyle::withItalic() const
{
    TextStyle s = *this;
    s.italic = true;
    return s;
}

TextStyle TextStyle::withUnderline() const
{
    TextStyle s = *this;
    s.underline = true;
    return s;
}

TextStyle TextStyle::coloured(const QColor& c) const
{
    TextStyle s = *this;
    s.color = c;
    return s;
}

QFont TextStyle::font() const
{
    QFont f;
    // Helvetica's metrics are Arial's; Nimbus Sans and Liberation Sans are
    // free families with those widths.
    f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")});
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    // Positions in millimetres must not drift with the screen's hinting.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    return f;
}

double LineHeightMm(const TextStyle& style)
{
    return style.points * 1.15 * 25.4 / 72;
}

Band::Band(QString name, double heightMm) : m_name(std::move(name)), m_height(heightMm) {}

BandItem& Band::addText(const QString& name, QPointF at, double width, const QString& text,
                        const TextStyle& style, Qt::Alignment alignment)
{
    return addTextBox(name, QRectF(at, QSizeF(width, LineHeightMm(style))), text, style, alignment,
                      false);
}

BandItem& Band::addTextBox(const QString& name, const QRectF& box, const QString& text,
                           const TextStyle& style, Qt::Alignment alignment, bool wordWrap)
{
    BandItem item;
    item.kind = BandItem::Kind::Text;
    item.name = name;
    item.box = box;
    item.text = text;
    item.style = style;
    item.alignment = (alignment & Qt::AlignHorizontal_Mask) | Qt::AlignTop;
    item.wordWrap = wordWrap;
    m_items.append(item);
    return m_items.last();
}

BandItem& Band::addLine(QPointF from, QPointF to, double penMm)
{
    BandItem item;
    item.kind = BandItem::Kind::Line;
    item.box = QRectF(from, to);
    item.penMm = penMm;
    m_items.append(item);
    return m_items.last();
}

BandItem& Band::addFrame(const QString& name, const QRectF& box, double penMm, const QColor& color)
{
    BandItem item;
    item.kind = BandItem::Kind::Frame;
    item.name = name;
    item.box = box;
    item.penMm = penMm;
    item.color = color;
    m_items.append(item);
    return m_items.last();
}

BandItem& Band::addFill(const QRectF& box, const QColor& color)
{
    BandItem item;
    item.kind = BandItem::Kind::Fill;
    item.box = box;
    item.color = color;
    m_items.append(item);
    return m_items.last();
}

BandItem& Band::addLogo(const QString& name, const QRectF& box)
{
    BandItem item;
    item.kind = BandItem::Kind::Logo;
    item.name = name;
    item.box = box;
    m_items.append(item);
    return m_items.last();
}

const BandItem* Band::item(const QString& name) const
{
    for (const BandItem& i : m_items) {
        if (i.name == name)
            return &i;
    }
    return nullptr;
}

QStringList Band::texts() const
{
    QStringList result;
    for (const BandItem& i : m_items) {
        if (i.kind == BandItem::Kind::Text)
            result.append(i.text);
    }
    return result;
}

} // namespace kasplan::report
