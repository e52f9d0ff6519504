#pragma once

#include "core/UserPrompts.h"

#include <QList>
#include <QPointer>

class QMessageBox;
class QWindow;

namespace kasplan {

// The prompts of the windowed program: each message is a modal message box
// over the active window, titled with the application's name.
class MessageBoxPrompts : public UserPrompts
{
public:
    Button message(Kind kind, const QString& text, int buttons, Button defaultButton) override;

    // The program is ending: the open message boxes close, each answered as
    // if closed without a button, and later messages are answered that way
    // without being shown, so that no box keeps the program from stopping.
    void dismissAll();

private:
    QList<QPointer<QMessageBox>> m_open;
    bool m_dismissed = false;
};

// Whether the window is one of the message boxes of the program.
bool isMessageBoxWindow(const QWindow* window);

} // namespace kasplan
