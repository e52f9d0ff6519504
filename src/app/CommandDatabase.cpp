#include "CommandDatabase.h"

#include "core/UserPrompts.h"
#include "db/StandardDatabase.h"
#include "db/TDMod.h"
#include "db/engine/EngineError.h"
#include "db/engine/TableView.h"

#include <QRegularExpression>

#include <stdexcept>

namespace kasplan {

// A command prints its result or one error line; the messages a window would
// show while opening are kept, and the first one explains a failure.
class CommandDatabase::CollectingPrompts : public UserPrompts
{
public:
    Button message(Kind, const QString& text, int, Button defaultButton) override
    {
        texts.append(text);
        return defaultButton;
    }
    QStringList texts;
};

QString CommandDatabase::FirstLine(const QString& text)
{
    return text.section(QRegularExpression(QStringLiteral("[\r\n]+")), 0, 0,
                        QString::SectionSkipEmpty);
}

CommandDatabase::CommandDatabase()
{
    auto prompts = std::make_unique<CollectingPrompts>();
    CollectingPrompts& collected = *prompts;
    UserPrompts::install(std::move(prompts));
    try {
        StandardDatabase::prepare(m_session);
        m_dmod = std::make_unique<TDMod>(m_session);
        m_dmod->DataModuleCreate();
        if (!m_dmod->tbCdata()->isActive()) {
            const QString reason =
                collected.texts.isEmpty() ? QString() : FirstLine(collected.texts.first());
            throw std::runtime_error(
                QStringLiteral("de cultivar database kon niet geopend worden: %1")
                    .arg(reason)
                    .toStdString());
        }
    } catch (const db::EngineError& error) {
        m_dmod.reset();
        UserPrompts::install(nullptr);
        throw std::runtime_error(QStringLiteral("de cultivar database kon niet gelezen worden: %1")
                                     .arg(FirstLine(error.text()))
                                     .toStdString());
    } catch (...) {
        m_dmod.reset();
        UserPrompts::install(nullptr);
        throw;
    }
}

CommandDatabase::~CommandDatabase()
{
    if (m_dmod)
        m_dmod->CloseAllViews();
    m_dmod.reset();
    m_session.closeDatabases();
    UserPrompts::install(nullptr);
}

} // namespace kasplan
