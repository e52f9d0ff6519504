#include "TMonthBar.h"

#include "BarCalendarLayout.h"
#include "FocusFrame.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kasplan {

TMonthBar::TMonthBar(const BarCalendarModel& model, QWidget* parent)
    : QWidget(parent), m_model(model)
{
    m_monthsColor = palette().color(QPalette::Base);
    m_fontColor = palette().color(QPalette::Text);
    setFocusPolicy(Qt::StrongFocus);
}

void TMonthBar::setMonthsColor(const QColor& color)
{
    m_monthsColor = color;
    update();
}

void TMonthBar::setFontColor(const QColor& color)
{
    m_fontColor = color;
    update();
}

void TMonthBar::setShowWeeknrs(bool show)
{
    m_showWeeknrs = show;
    update();
}

QColor TMonthBar::gridLineColor() const
{
    return palette().color(QPalette::Active, QPalette::Mid);
}

QFont TMonthBar::weekNumberFont() const
{
    QFont small = font();
    if (small.pixelSize() > 0)
        small.setPixelSize(std::max(1, static_cast<int>(std::lround(0.8 * small.pixelSize()))));
    else
        small.setPointSize(std::max(1, static_cast<int>(std::lround(0.8 * small.pointSizeF()))));
    return small;
}

int TMonthBar::columnLeft(int c) const
{
    // Each month lies exactly above its days, also when the day bar starts
    // inside a month.
    return (m_model.firstDayOfMonthColumn(c) - m_model.firstVisibleDay()) *
           (m_model.DayCellWidth() + 1);
}

QRect TMonthBar::cellRect(int c) const
{
    return QRect(columnLeft(c), 0, m_model.monthColumnWidth(c), height());
}

int TMonthBar::columnAt(int x) const
{
    if (x < 0)
        return -1;
    for (int c = m_model.leftMonth(); c < m_model.monthColumnCount(); ++c) {
        if (x < columnLeft(c) + m_model.monthColumnWidth(c) + 1)
            return c;
    }
    return -1;
}

QList<TMonthBar::WeekNumberLabel> TMonthBar::weekNumberLabels(int c) const
{
    const QFont small = weekNumberFont();
    const QFontMetrics metrics(small);
    const QRect cell = cellRect(c);
    const int cellRight = cell.left() + cell.width();
    const int top = cell.height() - fontPixelHeight(small) - 1;
    const int step = m_model.DayCellWidth() + 1;
    QList<WeekNumberLabel> labels;
    for (const BarCalendarModel::WeekMark& mark : m_model.weekMarks(c)) {
        const QString text = QString::number(mark.weekNumber);
        const int textWidth = metrics.horizontalAdvance(text);
        // A label near the month's end is moved left to stay inside the cell.
        const int left = std::min(cell.left() + step * mark.dayOffset, cellRight - textWidth);
        labels.append({QRect(left, top, textWidth, metrics.height()), mark.weekNumber, text});
    }
    return labels;
}

void TMonthBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_monthsColor);
    painter.setPen(m_fontColor);
    const QFont small = weekNumberFont();
    for (int c = m_model.leftMonth(); c < m_model.monthColumnCount(); ++c) {
        const QRect cell = cellRect(c);
        if (cell.left() >= width())
            break;
        painter.fillRect(cell.right() + 1, 0, 1, height(), gridLineColor());
        painter.save();
        // Within the bar too: a recorded printout knows no widget edges.
        painter.setClipRect(cell & rect());
        if (m_showWeeknrs) {
            painter.setFont(small);
            painter.drawText(cell, Qt::AlignHCenter | Qt::AlignTop, m_model.monthCaption(c));
            for (const WeekNumberLabel& label : weekNumberLabels(c))
                painter.drawText(label.rect, Qt::AlignLeft | Qt::AlignTop, label.text);
        } else {
            painter.setFont(font());
            painter.drawText(cell, Qt::AlignCenter, m_model.monthCaption(c));
        }
        painter.restore();
    }
    if (hasFocus())
        PaintFocusFrame(painter, *this);
}

void TMonthBar::mousePressEvent(QMouseEvent* event)
{
    const int c = columnAt(event->position().toPoint().x());
    if (c >= 0 && event->button() == Qt::LeftButton)
        Q_EMIT cellClicked(c);
}

void TMonthBar::keyPressEvent(QKeyEvent* event)
{
    Q_EMIT keyDown(event);
}

void TMonthBar::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void TMonthBar::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

} // namespace kasplan
