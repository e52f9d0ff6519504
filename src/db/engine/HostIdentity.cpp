#include "HostIdentity.h"

#include <QCoreApplication>
#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <pwd.h>
#include <unistd.h>

namespace kasplan::db {

HostIdentity HostIdentity::current(const QString& user)
{
    HostIdentity id;
    id.user = user;
    id.host = QSysInfo::machineHostName();
    id.hostId = QString::fromLatin1(QSysInfo::machineUniqueId());
    if (id.hostId.isEmpty())
        id.hostId = id.host;
    QFile boot(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    if (boot.open(QIODevice::ReadOnly))
        id.bootId = QString::fromLatin1(boot.readAll().trimmed());
    id.pid = qint64(::getpid());
    return id;
}

QString HostIdentity::loginName()
{
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? QStringLiteral("?") : user;
}

bool HostIdentity::processAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
    // EPERM: it exists but belongs to someone else.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace kasplan::db
