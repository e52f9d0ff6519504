#pragma once

#include <QByteArray>
#include <QSocketNotifier>
#include <QStringList>

#include <functional>

namespace kasplan::test {

// Reads tab-separated command lines from standard input without blocking the
// event loop, so a helper process keeps its timers (lock heartbeats) running
// while it waits for the test's next command.
class HelperChannel : public QObject
{
public:
    using Handler = std::function<void(const QStringList& command)>;

    explicit HelperChannel(Handler handler);

    static void reply(const QString& line);

private:
    void readAvailable();

    Handler m_handler;
    QSocketNotifier m_notifier;
    QByteArray m_buffer;
};

} // namespace kasplan::test
