#include "TProgressBox.h"

#include "core/Rounding.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace kasplan {

TProgressBox::TProgressBox(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      PauseBtn(new QToolButton(this)), PlayBtn(new QToolButton(this)),
      CancelBtn(new QPushButton(QStringLiteral("Cancel"), this)),
      ProgressBar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("ProgressBox"));
    setWindowTitle(QStringLiteral("Progress"));
    setFixedSize(278, 93);

    PauseBtn->setObjectName(QStringLiteral("PauseBtn"));
    PauseBtn->setToolTip(QStringLiteral("Pause"));
    PauseBtn->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
    PlayBtn->setObjectName(QStringLiteral("PlayBtn"));
    PlayBtn->setToolTip(QStringLiteral("Continue"));
    PlayBtn->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    auto* pauseGroup = new QButtonGroup(this);
    for (QToolButton* button : {PauseBtn, PlayBtn}) {
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->hide();
        pauseGroup->addButton(button);
    }
    pauseGroup->setExclusive(true);
    PlayBtn->setChecked(true);

    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setFocusPolicy(Qt::ClickFocus);
    CancelBtn->setAutoDefault(false);
    connect(CancelBtn, &QPushButton::clicked, this, &TProgressBox::CancelBtnClick);

    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(100);
    ProgressBar->setTextVisible(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(PauseBtn);
    buttons->addWidget(PlayBtn);
    buttons->addStretch();
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ProgressBar);
    layout->addLayout(buttons);
}

bool TProgressBox::SetProgress(double position)
{
    return ShowPosition(position);
}

bool TProgressBox::StepProgress(double increment)
{
    m_position += increment;
    return ShowPosition(m_position);
}

bool TProgressBox::ShowPosition(double position)
{
    setFocus();
    ProgressBar->setValue(roundHalfEven(position, ProgressBar->minimum(), ProgressBar->maximum()));
    // Only a box the user can act on hands out events: an operation that
    // cannot be cancelled must not let the user start anything else meanwhile.
    if (!CancelBtn->isHidden() || !PlayBtn->isHidden()) {
        QCoreApplication::processEvents();
        while (!PlayBtn->isChecked())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return m_cancelled;
}

void TProgressBox::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TProgressBox::FormShow()
{
    m_cancelled = false;
    setFocus();
    m_position = ProgressBar->value();
    ProgressBar->setFocus();
}

void TProgressBox::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TProgressBox::FormActivate()
{
    repaint();
    setFocus();
}

void TProgressBox::CancelBtnClick()
{
    PlayBtn->setChecked(true);
    m_cancelled = true;
}

void TProgressBox::keyPressEvent(QKeyEvent* event)
{
    if (FormKeyDown(event->key()))
        return;
    QWidget::keyPressEvent(event);
}

bool TProgressBox::FormKeyDown(int key)
{
    if (key == Qt::Key_Escape && !CancelBtn->isHidden()) {
        CancelBtn->click();
        return true;
    }
    // Enter toggles the pause.
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !PauseBtn->isHidden() &&
        !PlayBtn->isHidden()) {
        if (PlayBtn->isChecked())
            PauseBtn->setChecked(true);
        else
            PlayBtn->setChecked(true);
        return true;
    }
    return false;
}

} // namespace kasplan
