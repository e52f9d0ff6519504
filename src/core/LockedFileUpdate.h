#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace kasplan {

// Changes a small file that several copies of the program may change at the
// same time (a settings file, the database version file).
//
// Under a lock file beside it, the current content is read again and handed
// to `change`, which answers the new content, or nothing to leave the file as
// it is. The new content replaces the file atomically, so a copy that stops
// mid-write leaves the old content, and two copies that change different
// entries one after the other keep both changes.
//
// `change` receives an empty array when the file does not exist. Throws
// std::runtime_error (with a Dutch text for the error box) when the file
// cannot be read or written, or the lock is not free within a few seconds.
void updateFileLocked(const QString& fileName,
                      const std::function<std::optional<QByteArray>(const QByteArray&)>& change);

// Removes the lock file beside `fileName` when the copy that made it is gone.
// A copy killed just after it replaced the file, before it let go of the lock,
// leaves a lock that no later write clears when no later copy changes that
// file. A lock of a running copy, or of another computer, stays.
void removeDeadLock(const QString& fileName);

// The same for every lock file in `folder` and below it.
void removeDeadLocksBelow(const QString& folder);

} // namespace kasplan
