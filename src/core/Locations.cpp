#include "Locations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kasplan::Locations {

namespace {

QString belowHome(const QString& name)
{
    const QString home = homeOverride();
    return home.isEmpty() ? QString() : QDir(home).absoluteFilePath(name);
}

QString programFileDir()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // The commands run before any application object exists. The working
    // folder is wherever the user happens to be, so the program file is
    // asked for directly (as Qt does), which keeps an installed copy on its
    // own settings and folders.
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (!program.isEmpty())
        return QFileInfo(program).absolutePath();
    return QDir::currentPath();
}

bool installedSystemWide()
{
    return programFileDir().startsWith(QLatin1String("/usr/"));
}

QString userFolder(QStandardPaths::StandardLocation location, const QString& name)
{
    return QDir(QStandardPaths::writableLocation(location))
        .absoluteFilePath(QStringLiteral("Kasplan/") + name);
}

} // namespace

QString homeOverride()
{
    const QString home = qEnvironmentVariable("KASPLAN_HOME");
    return home.isEmpty() ? QString() : QDir(home).absolutePath();
}

QString userSettingsDir()
{
    const QString dir = belowHome(QStringLiteral("user-settings"));
    return dir.isEmpty()
               ? userFolder(QStandardPaths::GenericConfigLocation, QStringLiteral("user-settings"))
               : dir;
}

QString machineSettingsDir()
{
    const QString dir = belowHome(QStringLiteral("machine-settings"));
    if (!dir.isEmpty())
        return dir;
    // Whoever installed the program can write here: root for a system-wide
    // installation, the builder for a copy in their own folder.
    if (installedSystemWide())
        return QStringLiteral("/etc/kasplan");
    return QDir(programFileDir()).absoluteFilePath(QStringLiteral("machine-settings"));
}

QString engineConfigDir()
{
    const QString dir = belowHome(QStringLiteral("engine"));
    return dir.isEmpty()
               ? userFolder(QStandardPaths::GenericConfigLocation, QStringLiteral("engine"))
               : dir;
}

QString standardDatabaseDir()
{
    const QString dir = belowHome(QStringLiteral("database"));
    return dir.isEmpty()
               ? userFolder(QStandardPaths::GenericDataLocation, QStringLiteral("database"))
               : dir;
}

QString programDir()
{
    const QString dir = belowHome(QStringLiteral("program"));
    if (!dir.isEmpty())
        return dir;
    // A system-wide installation cannot keep its working folders beside the
    // program file; each user gets their own.
    if (installedSystemWide() || !QFileInfo(programFileDir()).isWritable())
        return userFolder(QStandardPaths::GenericDataLocation, QStringLiteral("program"));
    return programFileDir();
}

} // namespace kasplan::Locations
