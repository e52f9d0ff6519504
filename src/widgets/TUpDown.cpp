#include "TUpDown.h"

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
    const QSize s = event->size();
    if (m_orientation == Qt::Vertical) {
        const int half = s.height() / 2;
        m_next->setGeometry(0, 0, s.width(), half);
        m_prev->setGeometry(0, half, s.width(), s.height() - half);
    } else {
        const int half = s.width() / 2;
        m_prev->setGeometry(0, 0, half, s.height());
        m_next->setGeometry(half, 0, s.width() - half, s.height());
    }
}

} // namespace kasplan
