#pragma once

#include "core/ProgressDisplay.h"

namespace kasplan {

class TProgressBox;

// A progress box for code without windows: shown with its caption, the
// Cancel button hidden and the hourglass on until it is hidden again.
class ProgressBoxDisplay : public ProgressDisplay
{
public:
    explicit ProgressBoxDisplay(TProgressBox& box) : m_box(box) {}
    ~ProgressBoxDisplay() override;

    void Show(const QString& caption) override;
    void SetPosition(int percent) override;
    void Hide() override;

private:
    TProgressBox& m_box;
    bool m_shown = false;
};

} // namespace kasplan
