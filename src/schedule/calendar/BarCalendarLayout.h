#pragma once

#include <QRect>

class QFont;

namespace kasplan {

// The absolute pixel height of a font, the measure the calendar's layout and
// its week numbers are computed with.
int fontPixelHeight(const QFont& font);

// What the arrangement of a bar calendar depends on.
struct BarCalendarMetrics
{
    int width = 0;
    int height = 0;
    int bevel = 1;
    int labelFontHeight = 0;
    int captionFontHeight = 0;
    int dateFontHeight = 0;
    int monthFontHeight = 0;
    int datePanelWidth = 0;
    int dateCaptionWidth = 0;
    int upDownWidth = 0;
    int leftUpDownWidth = 0;   // 0: no left day up-down
    int scrollBarHeight = 0;   // 0: no scroll bar
    bool omitMonthBar = false; // the bar keeps its place in the layout, 0 high
    bool omitDayBar = false;
};

// Where every part of a bar calendar goes for a given size. Heights and widths
// that would come out negative on a very small control are 0.
struct BarCalendarLayout
{
    int headHeight = 0;
    QRect labelPanel;
    QRect captionPanel;
    QRect datePanel;
    QRect leftDayUpDown;
    QRect monthUpDown;
    QRect dayUpDown;
    QRect monthBar;
    QRect dayBar;
    QRect scrollBar;

    static BarCalendarLayout arrange(const BarCalendarMetrics& m);
};

} // namespace kasplan
