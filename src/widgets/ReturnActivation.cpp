#include "ReturnActivation.h"

#include "MessageBoxPrompts.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace kasplan {

ReturnActivation::ReturnActivation(QWidget* form, std::function<void()> activate)
    : QObject(form), m_form(form), m_activate(std::move(activate))
{
    connect(qApp, &QGuiApplication::focusWindowChanged, this,
            &ReturnActivation::focusWindowChanged);
}

void ReturnActivation::focusWindowChanged(QWindow* window)
{
    // Nothing: the program lost the focus to another program.
    if (!window)
        return;
    if (window == m_form->windowHandle()) {
        if (m_activateOnReturn) {
            m_activateOnReturn = false;
            m_activate();
        }
    } else if (!isMessageBoxWindow(window)) {
        m_activateOnReturn = true;
    }
}

} // namespace kasplan
