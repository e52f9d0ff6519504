#pragma once

#include <QPushButton>

namespace kasplan {

// A button that acts the moment a mouse button goes down on it, telling
// which keys were held then. A click or its shortcut does nothing more.
class PressButton : public QPushButton
{
    Q_OBJECT

public:
    using QPushButton::QPushButton;

Q_SIGNALS:
    void pressedWith(Qt::KeyboardModifiers modifiers);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace kasplan
