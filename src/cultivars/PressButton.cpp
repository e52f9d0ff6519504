#include "PressButton.h"

#include <QMouseEvent>

namespace kasplan {

void PressButton::mousePressEvent(QMouseEvent* event)
{
    // The action may ask a question; the button must not stay down meanwhile,
    // so it is not pressed at all.
    event->accept();
    if (isEnabled())
        Q_EMIT pressedWith(event->modifiers());
}

} // namespace kasplan
