#include "UserPrompts.h"

#include <QTextStream>

namespace kasplan {

namespace {

class ConsolePrompts : public UserPrompts
{
public:
    Button message(Kind, const QString& text, int, Button defaultButton) override
    {
        QTextStream(stderr) << text << Qt::endl;
        return defaultButton;
    }
};

std::unique_ptr<UserPrompts>& installedPrompts()
{
    static std::unique_ptr<UserPrompts> prompts;
    return prompts;
}

} // namespace

UserPrompts& UserPrompts::current()
{
    auto& installed = installedPrompts();
    if (!installed)
        installed = std::make_unique<ConsolePrompts>();
    return *installed;
}

void UserPrompts::install(std::unique_ptr<UserPrompts> prompts)
{
    installedPrompts() = std::move(prompts);
}

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
