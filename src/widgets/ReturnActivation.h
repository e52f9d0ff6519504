#pragma once

#include <QObject>

#include <functional>

class QWidget;
class QWindow;

namespace kasplan {

// Runs a window's activation steps when it gets the focus from another window
// of this program, or for the first time. Returning from a message box (one
// it showed while activating, perhaps) or from another program runs nothing,
// or a lasting failure would show its message for ever.
class ReturnActivation : public QObject
{
public:
    ReturnActivation(QWidget* form, std::function<void()> activate);

private:
    void focusWindowChanged(QWindow* window);

    QWidget* m_form;
    std::function<void()> m_activate;
    bool m_activateOnReturn = true;
};

} // namespace kasplan
