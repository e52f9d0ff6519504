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

} // namespace kasplan
