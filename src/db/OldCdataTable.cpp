#include "OldCdataTable.h"

#include "core/Clock.h"
#include "db/engine/EngineError.h"
#include "db/engine/EngineSession.h"
#include "db/paradox/Folder.h"
#include "db/paradox/Table.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kasplan {

OldCdataTable::OldCdataTable(db::EngineSession& session) : m_session(session) {}

OldCdataTable::~OldCdataTable() = default;

QString OldCdataTable::path() const
{
    const QString folder = m_session.aliasPath(m_databaseName);
    return folder.isEmpty() ? QString() : paradox::findInFolder(folder, QLatin1String(FileName));
}

void OldCdataTable::Open()
{
    const QString file = path();
    if (file.isEmpty())
        throw db::EngineError::tableMissing(QLatin1String(FileName));
    m_table = std::make_unique<paradox::Table>(file);
}

void OldCdataTable::Close()
{
    m_table.reset();
}

QStringList OldCdataTable::files() const
{
    const QString file = path();
    if (file.isEmpty())
        return {};
    const QFileInfo info(file);
    const QString base = info.completeBaseName();
    QStringList result;
    for (const QFileInfo& f : info.dir().entryInfoList(QDir::Files | QDir::Hidden)) {
        if (f.completeBaseName().compare(base, Qt::CaseInsensitive) == 0)
            result.append(f.absoluteFilePath());
    }
    return result;
}

QString OldCdataTable::MoveTo(const QString& backupDir)
{
    Close();
    const QStringList moving = files();
    const QString stamp = Clock::current().now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = QDir(backupDir).filePath(QStringLiteral("Kbroei14-") + stamp);
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = QDir(backupDir).filePath(QStringLiteral("Kbroei14-%1-%2").arg(stamp).arg(n));
    if (!QDir().mkpath(target))
        throw db::EngineError(db::ErrorKind::Other,
                              QStringLiteral("Folder could not be made.\nFolder: %1").arg(target));
    for (const QString& file : moving) {
        const QString to = QDir(target).filePath(QFileInfo(file).fileName());
        if (!QFile::rename(file, to) && !(QFile::copy(file, to) && QFile::remove(file)))
            throw db::EngineError(db::ErrorKind::Other,
                                  QStringLiteral("File could not be moved.\nFile: %1").arg(file));
    }
    return target;
}

} // namespace kasplan
