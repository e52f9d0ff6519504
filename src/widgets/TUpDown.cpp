#include "TUpDown.h"

#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QToolButton>

#include <algorithm>

namespace kasplan {

namespace {

QToolButton* arrowButton(QWidget* parent, const char* name, Qt::ArrowType arrow)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    // Stepping the position leaves the input focus where it was.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

TUpDown::TUpDown(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), m_orientation(orientation),
      m_next(arrowButton(this, "NextButton",
                         orientation == Qt::Vertical ? Qt::UpArrow : Qt::RightArrow)),
      m_prev(arrowButton(this, "PrevButton",
                         orientation == Qt::Vertical ? Qt::DownArrow : Qt::LeftArrow))
{
    connect(m_next, &QToolButton::clicked, this, [this] { step(UDBtnType::btNext); });
    connect(m_prev, &QToolButton::clicked, this, [this] { step(UDBtnType::btPrev); });
    resize(orientation == Qt::Vertical ? QSize(17, 34) : QSize(34, 17));
}

void TUpDown::setRange(int min, int max)
{
    m_min = min;
    m_max = std::max(min, max);
    setPosition(m_position);
}

void TUpDown::setPosition(int position)
{
    m_position = std::clamp(position, m_min, m_max);
}

void TUpDown::step(UDBtnType button)
{
    const int delta = button == UDBtnType::btNext ? 1 : -1;
    int position = m_position + delta;
    if (position > m_max)
        position = m_wrap ? m_min : m_max;
    else if (position < m_min)
        position = m_wrap ? m_max : m_min;
    m_position = position;
    Q_EMIT Click(button);
}

void TUpDown::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrangeButtons();
}

void TUpDown::arrangeButtons()
{
    // With the focus the arrows leave room for the frame around them.
    const int frame = hasFocus() ? 2 : 0;
    const QRect r = rect().adjusted(frame, frame, -frame, -frame);
    if (m_orientation == Qt::Vertical) {
        const int half = r.height() / 2;
        m_next->setGeometry(r.left(), r.top(), r.width(), half);
        m_prev->setGeometry(r.left(), r.top() + half, r.width(), r.height() - half);
    } else {
        const int half = r.width() / 2;
        m_prev->setGeometry(r.left(), r.top(), half, r.height());
        m_next->setGeometry(r.left() + half, r.top(), r.width() - half, r.height());
    }
}

void TUpDown::paintEvent(QPaintEvent*)
{
    if (hasFocus()) {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Active, QPalette::Highlight));
    }
}

void TUpDown::keyPressEvent(QKeyEvent* event)
{
    const bool vertical = m_orientation == Qt::Vertical;
    const int next = vertical ? Qt::Key_Up : Qt::Key_Right;
    const int prev = vertical ? Qt::Key_Down : Qt::Key_Left;
    if (event->key() == next) {
        step(UDBtnType::btNext);
    } else if (event->key() == prev) {
        step(UDBtnType::btPrev);
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TUpDown::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    arrangeButtons();
    update();
}

void TUpDown::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    arrangeButtons();
    update();
}

} // namespace kasplan
