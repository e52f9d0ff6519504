#pragma once

#include <QMainWindow>

namespace kasplan {

// Holds the main window's place in the start-up until the schedule window
// takes it: closing it ends the program, and on showing it its caption
// carries the settings version found at start-up, as the real one's does.
class StandInMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit StandInMainWindow(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace kasplan
