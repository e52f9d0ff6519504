#include "EngineTable.h"

#include "EngineError.h"
#include "EngineSession.h"
#include "SqliteDatabase.h"

namespace kasplan::db {

EngineTable::EngineTable(EngineSession& session) : m_session(session) {}

void EngineTable::setTableName(const QString& name)
{
    if (name != m_tableName)
        close();
    m_tableName = name;
}

QString EngineTable::storedName(const QString& name)
{
    if (name.endsWith(QLatin1String(".DB"), Qt::CaseInsensitive))
        return name.left(name.size() - 3);
    return name;
}

Database& EngineTable::database() const
{
    return m_session.database(m_databaseName);
}

SqliteDatabase& EngineTable::folderDatabase() const
{
    auto* folder = qobject_cast<SqliteDatabase*>(&database());
    if (!folder)
        throw EngineError(ErrorKind::Other,
                          QStringLiteral("The layout of a table on a database server is not "
                                         "changed by the program.\nTable: %1")
                              .arg(storedName(m_tableName)));
    return *folder;
}

QString EngineTable::tableType() const
{
    return qobject_cast<SqliteDatabase*>(&database()) ? QLatin1String(Paradox)
                                                      : QLatin1String(ServerTable);
}

void EngineTable::open()
{
    Database& db = database();
    const QString name = storedName(m_tableName);
    if (!db.hasTable(name))
        throw EngineError::tableMissing(name);
    // A server keeps its own order among its users; only a folder database
    // needs to know who else has it open.
    if (auto* folder = qobject_cast<SqliteDatabase*>(&db); folder && m_exclusive)
        folder->checkExclusiveUse();
    m_def = db.tableDef(name);
    m_open = true;
}

} // namespace kasplan::db
