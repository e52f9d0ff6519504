#include "StandInMainWindow.h"

#include "core/TZHRegistry.h"

#include <QApplication>
#include <QLabel>
#include <QShowEvent>

namespace kasplan {

StandInMainWindow::StandInMainWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("KMmainform"));
    setWindowTitle(QStringLiteral("Kasplan 4.0"));
    auto* label = new QLabel(QStringLiteral("Kasplan"), this);
    label->setAlignment(Qt::AlignCenter);
    setCentralWidget(label);
    resize(800, 600);
}

void StandInMainWindow::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        setWindowTitle(QApplication::applicationName() + QLatin1Char(' ') +
                       TZHRegistry::current().StoredSettingsVersion());
    QMainWindow::showEvent(event);
}

} // namespace kasplan
