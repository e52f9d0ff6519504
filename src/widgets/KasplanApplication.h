#pragma once

#include <QApplication>

namespace kasplan {

// The application object of the windowed program. Every event Qt delivers
// passes its barrier: an error that a handler lets escape is shown (see
// ReportError) and the program goes on, instead of ending it. Handlers that
// can put their window back in order catch their errors themselves (Guarded);
// this is the net below them.
class KasplanApplication : public QApplication
{
    Q_OBJECT

public:
    KasplanApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace kasplan
