#pragma once

#include <functional>
#include <vector>

namespace kasplan::db {

// The handlers of one event, run in the order they were added. Adding one
// never removes another, so rules installed by different parts of the
// program hold side by side whatever the order of installing them.
template <class Signature> class HandlerList;

template <class R, class... Args> class HandlerList<R(Args...)>
{
public:
    using Handler = std::function<R(Args...)>;

    void add(Handler handler)
    {
        if (handler)
            m_handlers.push_back(std::move(handler));
    }
    bool empty() const { return m_handlers.empty(); }
    explicit operator bool() const { return !empty(); }

    // Runs every handler in turn; one that throws ends the run. Each handler
    // is copied before it runs, so a handler may add handlers to this list.
    void operator()(Args... args) const
    {
        for (size_t i = 0; i < m_handlers.size(); ++i) {
            const Handler handler = m_handlers[i];
            handler(args...);
        }
    }

    // For handlers that answer yes or no: true when every handler agrees
    // (and when there is none).
    bool all(Args... args) const
    {
        for (size_t i = 0; i < m_handlers.size(); ++i) {
            const Handler handler = m_handlers[i];
            if (!handler(args...))
                return false;
        }
        return true;
    }

    // Runs the handlers in turn until decided(), asked after each, says the
    // question is settled.
    template <class Decided> void untilDecided(Decided decided, Args... args) const
    {
        for (size_t i = 0; i < m_handlers.size() && !decided(); ++i) {
            const Handler handler = m_handlers[i];
            handler(args...);
        }
    }

private:
    std::vector<Handler> m_handlers;
};

} // namespace kasplan::db
