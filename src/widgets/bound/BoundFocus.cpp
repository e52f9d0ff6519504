#include "BoundFocus.h"

#include "FieldDataLink.h"
#include "core/ErrorBarrier.h"

#include <QWidget>

namespace kasplan::BoundFocus {

bool leavesForAnotherControl(const QFocusEvent* event)
{
    return event->reason() != Qt::ActiveWindowFocusReason &&
           event->reason() != Qt::PopupFocusReason;
}

bool writeBack(FieldDataLink& link, QWidget* control, const std::function<void()>& selectAll)
{
    try {
        link.updateRecord();
        return true;
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        if (selectAll)
            selectAll();
        control->setFocus(Qt::OtherFocusReason);
        ReportError(error);
        return false;
    }
}

} // namespace kasplan::BoundFocus
