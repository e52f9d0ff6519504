#include "HelperChannel.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

namespace kasplan::test {

HelperChannel::HelperChannel(Handler handler)
    : m_handler(std::move(handler)), m_notifier(STDIN_FILENO, QSocketNotifier::Read)
{
    connect(&m_notifier, &QSocketNotifier::activated, this, &HelperChannel::readAvailable);
}

void HelperChannel::reply(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void HelperChannel::readAvailable()
{
    char chunk[4096];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n <= 0) {
        // The test went away: nothing more will come.
        m_notifier.setEnabled(false);
        QCoreApplication::exit(0);
        return;
    }
    m_buffer.append(chunk, n);
    qsizetype end;
    while ((end = m_buffer.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_buffer.left(end));
        m_buffer.remove(0, end + 1);
        m_handler(line.split(QLatin1Char('\t')));
    }
}

} // namespace kasplan::test
