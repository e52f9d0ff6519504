#pragma once

#include <QFocusEvent>

#include <functional>

class QWidget;

namespace kasplan {

class FieldDataLink;

// What the bound controls share when the focus leaves them.
namespace BoundFocus {

// The focus left for another control of the window: the control writes its
// value back. A window that is deactivated, or a menu or message opening,
// leaves the value where it is.
bool leavesForAnotherControl(const QFocusEvent* event);

// Writes the control's value back. When the field refuses it, the control
// selects its text (selectAll), takes the focus back and the refusal is
// shown. Answers whether the value was written.
bool writeBack(FieldDataLink& link, QWidget* control, const std::function<void()>& selectAll);

} // namespace BoundFocus
} // namespace kasplan
