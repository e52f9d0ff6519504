#pragma once

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <functional>

namespace kasplan::test {

// Runs act on the dialog of type D once it is shown modally and active, for
// a test that then starts what opens it (exec() does not return before the
// dialog closes). Should act leave it open, it is rejected after a while, so
// a failing test ends instead of waiting for ever.
template <class D> void whenShown(QObject* context, std::function<void(D&)> act)
{
    auto* timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, context, [timer, act = std::move(act)] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        QTimer::singleShot(5000, dialog, &QDialog::reject);
        if (QTest::qWaitForWindowActive(dialog))
            act(*dialog);
    });
    timer->start(10);
}

} // namespace kasplan::test
