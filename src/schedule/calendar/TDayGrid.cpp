#include "TDayGrid.h"

#include "FocusFrame.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace kasplan {

TDayGrid::TDayGrid(const BarCalendarModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    m_daysColor = palette().color(QPalette::Base);
    m_sunDaysColor = palette().color(QPalette::Button);
    setFocusPolicy(Qt::StrongFocus);
}

void TDayGrid::setColor(QColor& member, const QColor& color)
{
    if (member == color)
        return;
    member = color;
    update();
}

void TDayGrid::setDaysColor(const QColor& color)
{
    setColor(m_daysColor, color);
}

void TDayGrid::setSunDaysColor(const QColor& color)
{
    setColor(m_sunDaysColor, color);
}

void TDayGrid::setPeriodColor(const QColor& color)
{
    setColor(m_periodColor, color);
}

void TDayGrid::setPeriodSunDaysColor(const QColor& color)
{
    setColor(m_periodSunDaysColor, color);
}

QColor TDayGrid::highlightColor() const
{
    // The same colour whether or not the window is active.
    return palette().color(QPalette::Active, QPalette::Highlight);
}

QColor TDayGrid::gridLineColor() const
{
    return palette().color(QPalette::Active, QPalette::Mid);
}

QColor TDayGrid::cellColor(BarCalendarModel::DayCell cell) const
{
    using Cell = BarCalendarModel::DayCell;
    switch (cell) {
    case Cell::Selected:
        return highlightColor();
    case Cell::SelectedSunday:
    case Cell::PeriodSunday:
        return m_periodSunDaysColor;
    case Cell::Period:
        return m_periodColor;
    case Cell::Sunday:
        return m_sunDaysColor;
    case Cell::Ordinary:
        break;
    }
    return m_daysColor;
}

int TDayGrid::columnLeft(int c) const
{
    return (c - m_model.firstVisibleDay()) * (m_model.DayCellWidth() + 1);
}

int TDayGrid::columnAt(int x) const
{
    if (x < 0)
        return -1;
    const int c = m_model.firstVisibleDay() + x / (m_model.DayCellWidth() + 1);
    return c < m_model.dayColumnCount() ? c : -1;
}

QString TDayGrid::dayToolTip(int c) const
{
    const TDate d = m_model.StartDate() + c;
    return QStringLiteral("%1, week %2")
        .arg(QLocale::system().toString(ToQDate(d), QLocale::LongFormat))
        .arg(WeekNumber(d));
}

bool TDayGrid::event(QEvent* event)
{
    // A day is a few pixels wide: pointing at one names it.
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int c = columnAt(help->pos().x());
        if (c < 0) {
            QToolTip::hideText();
        } else {
            const QRect cell(columnLeft(c), 0, m_model.DayCellWidth() + 1, height());
            QToolTip::showText(help->globalPos(), dayToolTip(c), this, cell);
        }
        return true;
    }
    return QWidget::event(event);
}

void TDayGrid::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // A recorded printout knows no widget edges: the last cell stays inside.
    painter.setClipRect(rect());
    painter.fillRect(rect(), m_daysColor);
    const int cellWidth = m_model.DayCellWidth();
    const QColor line = gridLineColor();
    for (int c = m_model.firstVisibleDay(); c < m_model.dayColumnCount(); ++c) {
        const int x = columnLeft(c);
        if (x >= width())
            break;
        painter.fillRect(x, 0, cellWidth, height(), cellColor(m_model.dayCell(c)));
        painter.fillRect(x + cellWidth, 0, 1, height(), line);
    }
    if (hasFocus())
        PaintFocusFrame(painter, *this);
}

void TDayGrid::mousePressEvent(QMouseEvent* event)
{
    const int c = columnAt(event->position().toPoint().x());
    if (c >= 0 && event->button() == Qt::LeftButton)
        Q_EMIT cellClicked(c);
}

void TDayGrid::keyPressEvent(QKeyEvent* event)
{
    Q_EMIT keyDown(event);
}

void TDayGrid::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void TDayGrid::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

} // namespace kasplan
