#pragma once

#include "schedule/BarCalendarModel.h"

#include <QColor>
#include <QList>
#include <QRect>
#include <QWidget>

namespace kasplan {

// The month bar of a bar calendar: one cell per month of the range, each
// exactly as wide as its days in the day bar below, with the month's name and
// optionally the week numbers over its Tuesdays. Reactions to clicks and keys
// are the calendar's.
class TMonthBar : public QWidget
{
    Q_OBJECT

public:
    // A week number as it is drawn, in this bar's coordinates.
    struct WeekNumberLabel
    {
        QRect rect;
        int weekNumber;
        QString text;
    };

    explicit TMonthBar(const BarCalendarModel& model, QWidget* parent = nullptr);

    QColor MonthsColor() const { return m_monthsColor; }
    void setMonthsColor(const QColor& color);
    QColor fontColor() const { return m_fontColor; }
    void setFontColor(const QColor& color);
    bool ShowWeeknrs() const { return m_showWeeknrs; }
    void setShowWeeknrs(bool show);
    QColor gridLineColor() const;

    // The font of the month names and week numbers with week numbers shown:
    // 0.8 times the month font.
    QFont weekNumberFont() const;
    // Left edge of month column c in this bar; outside 0..width() when the
    // column is scrolled out of view.
    int columnLeft(int c) const;
    QRect cellRect(int c) const;
    // Month column under x, or -1 where there is none.
    int columnAt(int x) const;
    // The week numbers the painter draws in month column c.
    QList<WeekNumberLabel> weekNumberLabels(int c) const;

Q_SIGNALS:
    void cellClicked(int column);
    void keyDown(QKeyEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The focus frame comes and goes with the focus.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    const BarCalendarModel& m_model;
    QColor m_monthsColor;
    QColor m_fontColor;
    bool m_showWeeknrs = false;
};

} // namespace kasplan
