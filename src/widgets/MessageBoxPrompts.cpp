#include "MessageBoxPrompts.h"

#include <QApplication>
#include <QMessageBox>

namespace kasplan {

namespace {

constexpr std::pair<UserPrompts::Button, QMessageBox::StandardButton> buttonPairs[] = {
    {UserPrompts::Ok, QMessageBox::Ok},         {UserPrompts::Cancel, QMessageBox::Cancel},
    {UserPrompts::Yes, QMessageBox::Yes},       {UserPrompts::No, QMessageBox::No},
    {UserPrompts::Abort, QMessageBox::Abort},   {UserPrompts::Retry, QMessageBox::Retry},
    {UserPrompts::Ignore, QMessageBox::Ignore},
};

QMessageBox::Icon iconFor(UserPrompts::Kind kind)
{
    switch (kind) {
    case UserPrompts::Kind::Error:
        return QMessageBox::Critical;
    case UserPrompts::Kind::Warning:
        return QMessageBox::Warning;
    case UserPrompts::Kind::Information:
        return QMessageBox::Information;
    case UserPrompts::Kind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// The answer when the box is closed without a button (Escape with no cancel
// button, the window's close box): the most cautious button offered.
UserPrompts::Button closedAnswer(int buttons, UserPrompts::Button defaultButton)
{
    for (auto careful : {UserPrompts::Cancel, UserPrompts::No, UserPrompts::Abort})
        if (buttons & careful)
            return careful;
    return defaultButton;
}

} // namespace

UserPrompts::Button MessageBoxPrompts::message(Kind kind, const QString& text, int buttons,
                                               Button defaultButton)
{
    if (buttons == NoButton)
        buttons = Ok;
    if (m_dismissed)
        return closedAnswer(buttons, defaultButton);
    QMessageBox::StandardButtons standard;
    for (const auto& [ours, theirs] : buttonPairs)
        if (buttons & ours)
            standard |= theirs;

    // The program's texts mark line breaks Windows-fashion, a lone carriage
    // return included.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(iconFor(kind), QApplication::applicationName(), shown, standard,
                    QApplication::activeWindow());
    for (const auto& [ours, theirs] : buttonPairs)
        if (ours == defaultButton && (buttons & ours))
            box.setDefaultButton(theirs);

    m_open.append(&box);
    box.exec();
    m_open.removeAll(&box);
    const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
    for (const auto& [ours, theirs] : buttonPairs)
        if (theirs == clicked)
            return ours;
    return closedAnswer(buttons, defaultButton);
}

void MessageBoxPrompts::dismissAll()
{
    m_dismissed = true;
    // Every box, also one without an escape button, which a close request
    // alone would leave open.
    for (const QPointer<QMessageBox>& box : std::as_const(m_open))
        if (box)
            box->reject();
}

bool isMessageBoxWindow(const QWindow* window)
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->windowHandle() == window)
            return qobject_cast<QMessageBox*>(top) != nullptr;
    }
    return false;
}

} // namespace kasplan
