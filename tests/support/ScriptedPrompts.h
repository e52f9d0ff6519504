#pragma once

#include "core/UserPrompts.h"

#include <QList>
#include <QStringList>

namespace kasplan {

// Prompts for tests: records every message and answers from a queue.
class ScriptedPrompts : public UserPrompts
{
public:
    struct Shown
    {
        Kind kind;
        QString text;
        int buttons;
    };

    Button message(Kind kind, const QString& text, int buttons, Button defaultButton) override;

    // The answers given to the coming messages, in order; when the queue is
    // empty a message gets its default button.
    void queueAnswer(Button answer) { m_answers.append(answer); }

    const QList<Shown>& shown() const { return m_shown; }
    QStringList texts() const;
    void clear()
    {
        m_shown.clear();
        m_answers.clear();
    }

private:
    QList<Shown> m_shown;
    QList<Button> m_answers;
};

// Installs a ScriptedPrompts for a scope and gives access to it (tests).
class ScopedScriptedPrompts
{
public:
    ScopedScriptedPrompts();
    ~ScopedScriptedPrompts();
    ScopedScriptedPrompts(const ScopedScriptedPrompts&) = delete;
    ScopedScriptedPrompts& operator=(const ScopedScriptedPrompts&) = delete;
    ScriptedPrompts* operator->() const { return m_prompts; }
    ScriptedPrompts& operator*() const { return *m_prompts; }

private:
    ScriptedPrompts* m_prompts;
};

} // namespace kasplan
