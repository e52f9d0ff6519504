#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

namespace kasplan::report {

// Lengths of a report are in millimetres, font sizes in points.
inline constexpr double ThinLineMm = 0.25;
// A pen "width 3" of the screen design: three pixels at 96 dots per inch.
inline constexpr double PenWidth3Mm = 3 * 25.4 / 96;

// The font and colour of a text. Reports print in Arial; where it is missing,
// a family of the same widths stands in.
struct TextStyle
{
    double points = 9;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    QColor color = Qt::black;

    TextStyle sized(double pt) const;
    TextStyle withBold() const;
    TextStyle withItalic() const;
    TextStyle withUnderline() const;
    TextStyle coloured(const QColor& c) const;

    // The font at its size in points.
    QFont font() const;
};

// One line of text: a little more than the font's size, as Arial's ascent
// and descent together are 1.15 em.
double LineHeightMm(const TextStyle& style);

// One element of a band, placed in millimetres from the band's top left.
struct BandItem
{
    enum class Kind {
        Text,  // text in a box: one line unless wrapped, cut off at the box
        Line,  // from box.topLeft() to box.bottomRight()
        Frame, // an unfilled rectangle
        Fill,  // a filled rectangle (bars)
        Logo,  // the program's logo, stretched to the box
    };

    Kind kind = Kind::Text;
    QString name; // the element's design name, where it has one
    QRectF box;
    QString text;
    TextStyle style;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop;
    bool wordWrap = false;
    double penMm = ThinLineMm;
    QColor color = Qt::black;
};

// A horizontal strip of a page with its elements; a band is never split
// over two pages.
class Band
{
public:
    Band() = default;
    Band(QString name, double heightMm);

    const QString& name() const { return m_name; }
    double height() const { return m_height; }
    bool isNull() const { return m_name.isEmpty(); }

    // Framed on all four sides.
    void setFramed(bool framed) { m_framed = framed; }
    bool framed() const { return m_framed; }

    // A text whose box starts at `at`, `width` wide (the text is cut off
    // there) and one line of its font high.
    BandItem& addText(const QString& name, QPointF at, double width, const QString& text,
                      const TextStyle& style, Qt::Alignment alignment = Qt::AlignLeft);
    // A text in a box of its own size, wrapped over its lines when asked.
    BandItem& addTextBox(const QString& name, const QRectF& box, const QString& text,
                         const TextStyle& style, Qt::Alignment alignment, bool wordWrap);
    BandItem& addLine(QPointF from, QPointF to, double penMm = ThinLineMm);
    BandItem& addFrame(const QString& name, const QRectF& box, double penMm, const QColor& color);
    BandItem& addFill(const QRectF& box, const QColor& color = Qt::black);
    BandItem& addLogo(const QString& name, const QRectF& box);

    const QList<BandItem>& items() const { return m_items; }
    // The element of that name; nullptr when the band has none.
    const BandItem* item(const QString& name) const;
    // The texts of the band, in the order they were added.
    QStringList texts() const;

private:
    QString m_name;
    double m_height = 0;
    bool m_framed = false;
    QList<BandItem> m_items;
};

} // namespace kasplan::report
