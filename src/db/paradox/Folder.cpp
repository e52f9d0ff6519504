#include "Folder.h"

#include <QDir>
#include <QFileInfo>

namespace kasplan::paradox {

QString findInFolder(const QString& folder, const QString& fileName)
{
    const QDir dir(folder);
    // The exact name first, so that of two files differing in case only the
    // one asked for wins.
    if (QFileInfo(dir.filePath(fileName)).isFile())
        return dir.filePath(fileName);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString& entry : entries) {
        if (entry.compare(fileName, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return {};
}

} // namespace kasplan::paradox
