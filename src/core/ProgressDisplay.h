#pragma once

#include <QString>

namespace kasplan {

// A progress window as code without windows sees it: the program gives one
// (the hourglass with it), tests record what it was told.
class ProgressDisplay
{
public:
    virtual ~ProgressDisplay() = default;
    // Shows it with caption at position 0, no Cancel button.
    virtual void Show(const QString& caption) = 0;
    // 0 to 100.
    virtual void SetPosition(int percent) = 0;
    virtual void Hide() = 0;
};

} // namespace kasplan
