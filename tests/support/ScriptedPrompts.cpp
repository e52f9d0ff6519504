#include "ScriptedPrompts.h"

namespace kasplan {

UserPrompts::Button ScriptedPrompts::message(Kind kind, const QString& text, int buttons,
                                             Button defaultButton)
{
    m_shown.append({kind, text, buttons});
    if (m_answers.isEmpty())
        return defaultButton;
    return m_answers.takeFirst();
}

QStringList ScriptedPrompts::texts() const
{
    QStringList result;
    for (const auto& shown : m_shown)
        result.append(shown.text);
    return result;
}

ScopedScriptedPrompts::ScopedScriptedPrompts()
{
    auto prompts = std::make_unique<ScriptedPrompts>();
    m_prompts = prompts.get();
    UserPrompts::install(std::move(prompts));
}

ScopedScriptedPrompts::~ScopedScriptedPrompts()
{
    UserPrompts::install(nullptr);
}

} // namespace kasplan
