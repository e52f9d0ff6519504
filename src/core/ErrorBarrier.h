#pragma once

#include <exception>
#include <utility>

namespace kasplan {

// Where Qt enters the program's own code (a click, a row change, a key), an
// error must stop: it is shown and the program goes on. A SilentAbort passes
// silently (its message was shown already); any other error is shown through
// the prompts with its own text, the engine's refusals included.
void ReportError(std::exception_ptr error) noexcept;

// Runs fn and reports what it throws; answers whether it ran to the end.
template <class Fn> bool Guarded(Fn&& fn) noexcept
{
    try {
        std::forward<Fn>(fn)();
        return true;
    } catch (...) {
        ReportError(std::current_exception());
        return false;
    }
}

} // namespace kasplan
