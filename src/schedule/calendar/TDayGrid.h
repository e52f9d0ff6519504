#pragma once

#include "schedule/BarCalendarModel.h"

#include <QColor>
#include <QWidget>

namespace kasplan {

// The day bar of a bar calendar: one row of day cells, DayCellWidth pixels
// wide with a one-pixel grid line after each, starting at the model's first
// visible day. It paints what the model says and leaves every reaction to
// clicks and keys to the calendar.
class TDayGrid : public QWidget
{
    Q_OBJECT

public:
    explicit TDayGrid(const BarCalendarModel& model, QWidget* parent = nullptr);

    QColor DaysColor() const { return m_daysColor; }
    QColor SunDaysColor() const { return m_sunDaysColor; }
    QColor PeriodColor() const { return m_periodColor; }
    QColor PeriodSunDaysColor() const { return m_periodSunDaysColor; }
    void setDaysColor(const QColor& color);
    void setSunDaysColor(const QColor& color);
    void setPeriodColor(const QColor& color);
    void setPeriodSunDaysColor(const QColor& color);
    // The system highlight colour the selected weekday is filled with.
    QColor highlightColor() const;
    QColor gridLineColor() const;
    QColor cellColor(BarCalendarModel::DayCell cell) const;

    // Left edge of day column c in this bar; outside 0..width() when the
    // column is scrolled out of view.
    int columnLeft(int c) const;
    // Day column under x, or -1 where there is none.
    int columnAt(int x) const;
    // What pointing at day column c tells: its weekday, date and week number.
    QString dayToolTip(int c) const;

Q_SIGNALS:
    void cellClicked(int column);
    // Every key goes to the calendar's own handler; the grid moves nothing.
    void keyDown(QKeyEvent* event);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The focus frame comes and goes with the focus.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void setColor(QColor& member, const QColor& color);

    const BarCalendarModel& m_model;
    QColor m_daysColor;
    QColor m_sunDaysColor;
    QColor m_periodColor = QColor(0, 0, 255);
    QColor m_periodSunDaysColor = QColor(255, 0, 0);
};

} // namespace kasplan
