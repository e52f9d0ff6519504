#pragma once

#include "db/engine/EngineSession.h"

#include <QString>

#include <memory>

namespace kasplan {

class TDMod;

// The cultivar database as the windowed program would open it, for commands
// without a window: the location the settings choose, with the same
// fallback to the standard database, which is created on a first start, and
// the units of the settings. It writes nothing back: a command that only
// reads leaves the settings and the engine configuration as they were, also
// when the opening fails. The messages opening would show are kept instead;
// when the database cannot be opened or read the constructor throws
// std::runtime_error with a one-line reason.
class CommandDatabase
{
public:
    CommandDatabase();
    ~CommandDatabase();
    CommandDatabase(const CommandDatabase&) = delete;
    CommandDatabase& operator=(const CommandDatabase&) = delete;

    TDMod& DMod() { return *m_dmod; }

    // The first line of a message text.
    static QString FirstLine(const QString& text);

private:
    class CollectingPrompts;
    class PromptsScope;
    void Open(const CollectingPrompts& prompts);

    std::unique_ptr<PromptsScope> m_prompts;
    db::EngineSession m_session;
    std::unique_ptr<TDMod> m_dmod;
};

} // namespace kasplan
