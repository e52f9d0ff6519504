#include "ProgressBoxDisplay.h"

#include "TProgressBox.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

namespace kasplan {

ProgressBoxDisplay::~ProgressBoxDisplay()
{
    Hide();
}

void ProgressBoxDisplay::Show(const QString& caption)
{
    if (!m_shown)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    m_shown = true;
    m_box.setWindowTitle(caption);
    m_box.CancelBtn->hide();
    m_box.ProgressBar->setValue(0);
    m_box.show();
    // The work that follows handles no events: the box must be on the screen
    // before it starts, or it shows nothing until the end.
    const QDeadlineTimer deadline(1000);
    do {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    } while (!(m_box.windowHandle() && m_box.windowHandle()->isExposed()) &&
             !deadline.hasExpired());
}

void ProgressBoxDisplay::SetPosition(int percent)
{
    m_box.SetProgress(percent);
}

void ProgressBoxDisplay::Hide()
{
    if (!m_shown)
        return;
    m_shown = false;
    m_box.hide();
    QApplication::restoreOverrideCursor();
}

} // namespace kasplan
