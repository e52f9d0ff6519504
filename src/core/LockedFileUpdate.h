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

} // namespace kasplan
