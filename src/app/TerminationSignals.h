#pragma once

#include <QObject>

class QSocketNotifier;

namespace kasplan {

// Ends the program as if the user closed its windows when the desktop
// session (or a terminal) asks it to stop with SIGTERM, SIGHUP or SIGINT, so
// what the main window keeps on closing is kept. Without this those signals
// would end the process on the spot. One instance per program.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // Whether a signal came; a start-up that is still busy should then not
    // enter the event loop.
    bool Requested() const { return m_requested; }

Q_SIGNALS:
    // A signal came; the windows are closed right after.
    void terminationRequested();

private:
    void handleSignal();

    QSocketNotifier* m_notifier = nullptr;
    bool m_requested = false;
};

} // namespace kasplan
