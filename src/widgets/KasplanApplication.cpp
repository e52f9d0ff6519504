#include "KasplanApplication.h"

#include "core/ErrorBarrier.h"

namespace kasplan {

KasplanApplication::KasplanApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool KasplanApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    Guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace kasplan
