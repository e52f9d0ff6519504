#pragma once

#include <QWidget>

class QProgressBar;
class QPushButton;
class QToolButton;

namespace kasplan {

// A small window with a progress bar from 0 to 100 that long operations show
// while they work. While its Cancel button or its pause buttons are shown,
// each update also handles pending window events, so the user can cancel or
// pause; with them hidden an update handles nothing at all.
class TProgressBox : public QWidget
{
    Q_OBJECT

public:
    explicit TProgressBox(QWidget* parent = nullptr);

    // Sets the bar to the position (nearest whole number, halves to even)
    // and answers whether the user cancelled.
    bool SetProgress(double position);
    // Advances the bar by the increment. Increments add up exactly, so many
    // small steps of less than one percent still move the bar.
    bool StepProgress(double increment);

    QToolButton* const PauseBtn;
    QToolButton* const PlayBtn;
    QPushButton* const CancelBtn;
    QProgressBar* const ProgressBar;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormShow();
    void FormActivate();
    void CancelBtnClick();
    bool FormKeyDown(int key);
    bool ShowPosition(double position);

    bool m_cancelled = false;
    double m_position = 0.0;
};

} // namespace kasplan
