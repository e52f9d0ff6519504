#pragma once

#include <QWidget>

namespace kasplan {

// A horizontal up-down button pair: a left and a right arrow side by side.
// It keeps no position; the calendar only asks where the mouse went down.
class TCalendarUpDown : public QWidget
{
    Q_OBJECT

public:
    explicit TCalendarUpDown(QWidget* parent = nullptr);

    QSize sizeHint() const override;

Q_SIGNALS:
    // The mouse went down at pos (in this button's coordinates); the button
    // has the input focus by then.
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Half { None, Left, Right };
    Half m_pressed = Half::None;
};

} // namespace kasplan
