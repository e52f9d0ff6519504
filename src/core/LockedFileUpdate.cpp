#include "LockedFileUpdate.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <stdexcept>

namespace kasplan {

namespace {

// A write holds the lock for milliseconds. A lock older than this is taken
// over: its copy died, perhaps before it could even note its process id in
// the lock file (QLockFile takes over a lock of a dead process on this
// computer at once, but an empty lock only once it is stale).
constexpr int staleLockMs = 5000;
// Long enough for another copy to finish a write on a slow network share,
// and to outlast a stale lock.
constexpr int lockWaitMs = 2 * staleLockMs;

[[noreturn]] void fail(const QString& fileName, const QString& reason)
{
    throw std::runtime_error(
        QStringLiteral("Kan '%1' niet opslaan: %2").arg(fileName, reason).toStdString());
}

} // namespace

void updateFileLocked(const QString& fileName,
                      const std::function<std::optional<QByteArray>(const QByteArray&)>& change)
{
    QLockFile lock(fileName + QStringLiteral(".lock"));
    lock.setStaleLockTime(staleLockMs);
    if (!lock.tryLock(lockWaitMs)) {
        fail(fileName, lock.error() == QLockFile::LockFailedError
                           ? QStringLiteral("het bestand is in gebruik door een ander programma.")
                           : QStringLiteral("het slot-bestand kan niet worden gemaakt."));
    }

    QByteArray current;
    QFile existing(fileName);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            fail(fileName, existing.errorString());
        current = existing.readAll();
        if (existing.error() != QFileDevice::NoError)
            fail(fileName, existing.errorString());
        existing.close();
    }

    const std::optional<QByteArray> replacement = change(current);
    if (!replacement)
        return;

    QSaveFile save(fileName);
    if (!save.open(QIODevice::WriteOnly))
        fail(fileName, save.errorString());
    if (save.write(*replacement) != replacement->size() || !save.commit())
        fail(fileName, save.errorString());
}

void removeDeadLock(const QString& fileName)
{
    const QString lockName = fileName + QStringLiteral(".lock");
    if (!QFileInfo::exists(lockName))
        return;
    QLockFile lock(lockName);
    lock.setStaleLockTime(staleLockMs);
    // Taking the lock succeeds only when its copy is gone; letting go of it
    // removes the file.
    if (lock.tryLock(0))
        lock.unlock();
}

void removeDeadLocksBelow(const QString& folder)
{
    static const QLatin1String suffix(".lock");
    QDirIterator it(folder, {QStringLiteral("*.lock")}, QDir::Files | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString lockName = it.next();
        removeDeadLock(lockName.left(lockName.size() - suffix.size()));
    }
}

} // namespace kasplan
