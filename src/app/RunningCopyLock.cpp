#include "RunningCopyLock.h"

#include <QDir>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kasplan {

RunningCopyLock::RunningCopyLock(const QString& appDir)
{
    const QByteArray path = QFile::encodeName(QDir(appDir).filePath(QLatin1String(fileName)));
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

RunningCopyLock::~RunningCopyLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RunningCopyLock::IsOnlyCopy()
{
    if (m_fd < 0)
        return true;
    int result;
    do {
        result = ::flock(m_fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

void RunningCopyLock::Share()
{
    if (m_fd < 0)
        return;
    // Waits only while a copy that is starting holds the lock alone to clean up.
    while (::flock(m_fd, LOCK_SH) != 0 && errno == EINTR) {
    }
}

} // namespace kasplan
