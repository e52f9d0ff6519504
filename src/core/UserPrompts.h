#pragma once

#include <QList>
#include <QString>

#include <exception>
#include <memory>

namespace kasplan {

// Every message box, confirmation and error text of the program goes through
// this interface. The program installs one that shows real dialogs; tests
// install a scripted one that records the texts and gives planned answers.
class UserPrompts
{
public:
    enum class Kind { Error, Warning, Information, Confirmation };
    enum Button {
        NoButton = 0,
        Ok = 0x1,
        Cancel = 0x2,
        Yes = 0x4,
        No = 0x8,
        Abort = 0x10,
        Retry = 0x20,
        Ignore = 0x40,
    };

    virtual ~UserPrompts() = default;

    // Shows a message with the given buttons and answers the one chosen.
    virtual Button message(Kind kind, const QString& text, int buttons, Button defaultButton) = 0;

    void showError(const QString& text) { message(Kind::Error, text, Ok, Ok); }
    void showWarning(const QString& text) { message(Kind::Warning, text, Ok, Ok); }
    void showInformation(const QString& text) { message(Kind::Information, text, Ok, Ok); }
    bool confirmOkCancel(const QString& text)
    {
        return message(Kind::Confirmation, text, Ok | Cancel, Ok) == Ok;
    }
    bool confirmYesNo(const QString& text)
    {
        return message(Kind::Confirmation, text, Yes | No, Yes) == Yes;
    }

    // The prompts in use. Until a real implementation is installed, messages
    // are written to standard error and answered with their default button.
    static UserPrompts& current();
    static void install(std::unique_ptr<UserPrompts> prompts);
};

// Ends an action without a further message: whoever raised it has told the
// user already, or the user chose to stop. Whoever reports errors passes it
// over silently.
class SilentAbort : public std::exception
{
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

} // namespace kasplan
