#include "BarCalendarLayout.h"

#include <QFont>
#include <QFontInfo>

#include <algorithm>
#include <cmath>

namespace kasplan {

namespace {

QRect box(int left, int top, int width, int height)
{
    return QRect(left, top, std::max(0, width), std::max(0, height));
}

} // namespace

int fontPixelHeight(const QFont& font)
{
    if (font.pixelSize() > 0)
        return font.pixelSize();
    return QFontInfo(font).pixelSize();
}

BarCalendarLayout BarCalendarLayout::arrange(const BarCalendarMetrics& m)
{
    const int b = m.bevel;
    const int W = m.width;
    BarCalendarLayout l;

    const int monthBarHeight =
        m.omitMonthBar ? 0 : static_cast<int>(std::lround(1.8 * m.monthFontHeight));
    const int h =
        std::max({m.labelFontHeight + 6 + 2 + b, m.captionFontHeight + 6, m.dateFontHeight + 6});
    l.headHeight = h;
    const int dayBarHeight =
        m.omitDayBar ? 0
                     : std::max(0, m.height - m.scrollBarHeight - h - monthBarHeight - 5 - 2 * b);
    const int barWidth = W - m.upDownWidth - 4 - 2 * b;
    const int monthTop = h + 4;
    const int dayTop = monthTop + monthBarHeight + 1;

    l.leftDayUpDown =
        box(W - m.leftUpDownWidth - 1 - b, 2, m.leftUpDownWidth, m.labelFontHeight + 8);

    // On a narrow control the date panel keeps its width first, the caption
    // panel takes what is left and the label panel the rest up to the caption,
    // so that no panel starts left of the bevel.
    const int datePanelWidth =
        std::clamp(m.datePanelWidth, 0, std::max(0, W - m.leftUpDownWidth - 2 * b - 2));
    const int dateLeft = W - datePanelWidth - m.leftUpDownWidth - 1 - b;
    const int captionWidth = std::clamp(m.dateCaptionWidth, 0, std::max(0, dateLeft - b - 1));
    const int captionLeft = dateLeft - captionWidth + 1;
    l.datePanel = box(dateLeft, b + 1, datePanelWidth, h);
    l.captionPanel = box(captionLeft, b + 1, captionWidth, h);
    l.labelPanel = box(b + 1, b + 1, captionLeft - 2 - b, h);

    l.monthUpDown = box(W - m.upDownWidth - 1 - b, monthTop, m.upDownWidth, monthBarHeight);
    l.dayUpDown = box(W - m.upDownWidth - 1 - b, dayTop, m.upDownWidth, dayBarHeight);
    l.monthBar = box(b + 1, monthTop, barWidth, monthBarHeight);
    l.dayBar = box(b + 1, dayTop, barWidth, dayBarHeight);
    l.scrollBar = box(0, dayTop + dayBarHeight, W, m.scrollBarHeight);
    return l;
}

} // namespace kasplan
