#include "UnitStartup.h"

#include "RunningCopyLock.h"

#include "core/AppGlobals.h"
#include "core/Locations.h"
#include "core/LockedFileUpdate.h"
#include "core/Version.h"

#include <QDir>
#include <QFile>

namespace kasplan {

namespace {

void removeStaleFiles()
{
    const QDir appDir(AppDir());
    for (const char* lockFile : {"PARADOX.LCK", "PDOXUSRS.LCK"})
        QFile::remove(appDir.filePath(QLatin1String(lockFile)));

    // Files only, hidden ones too; sub-folders stay.
    QDir privDir(AppPrivDir());
    const auto files = privDir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& file : files)
        privDir.remove(file);
}

} // namespace

std::unique_ptr<RunningCopyLock> UnitStartup()
{
    AppGlobals::SetAppFileVersion(fileVersion());
    AppGlobals::SetAppDir(Locations::programDir());
    QDir().mkpath(AppTempDir());
    QDir().mkpath(AppBackupDir());

    auto running = std::make_unique<RunningCopyLock>(AppDir());
    if (running->IsOnlyCopy())
        removeStaleFiles();
    running->Share();
    // A copy killed while it saved a setting may have left its lock behind.
    removeDeadLocksBelow(Locations::machineSettingsDir());
    removeDeadLocksBelow(Locations::userSettingsDir());
    return running;
}

} // namespace kasplan
