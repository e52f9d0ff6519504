#include "TCalendarUpDown.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace kasplan {

TCalendarUpDown::TCalendarUpDown(QWidget* parent) : QWidget(parent)
{
    // Pressing it takes the focus, so the calendar counts as focused; it is
    // no tab stop.
    setFocusPolicy(Qt::ClickFocus);
}

QSize TCalendarUpDown::sizeHint() const
{
    return QSize(34, 20);
}

void TCalendarUpDown::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int half = width() / 2;
    const QRect halves[2] = {QRect(0, 0, half, height()), QRect(half, 0, width() - half, height())};
    for (int i = 0; i < 2; ++i) {
        QStyleOptionButton button;
        button.initFrom(this);
        button.rect = halves[i];
        const bool down = m_pressed == (i == 0 ? Half::Left : Half::Right);
        button.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
        button.state &= ~QStyle::State_HasFocus;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &button, &painter, this);

        QStyleOption arrow;
        arrow.initFrom(this);
        const int side = std::min(halves[i].width(), halves[i].height()) / 2;
        arrow.rect = QRect(0, 0, side, side);
        arrow.rect.moveCenter(halves[i].center() + (down ? QPoint(1, 1) : QPoint()));
        style()->drawPrimitive(i == 0 ? QStyle::PE_IndicatorArrowLeft
                                      : QStyle::PE_IndicatorArrowRight,
                               &arrow, &painter, this);
    }
}

void TCalendarUpDown::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    m_pressed = pos.x() < width() / 2 ? Half::Left : Half::Right;
    update();
    Q_EMIT mouseDown(event->button(), event->modifiers(), pos);
}

void TCalendarUpDown::mouseReleaseEvent(QMouseEvent*)
{
    m_pressed = Half::None;
    update();
}

} // namespace kasplan
