#pragma once

#include "core/UserPrompts.h"

namespace kasplan {

// The prompts of the windowed program: each message is a modal message box
// over the active window, titled with the application's name.
class MessageBoxPrompts : public UserPrompts
{
public:
    Button message(Kind kind, const QString& text, int buttons, Button defaultButton) override;
};

} // namespace kasplan
