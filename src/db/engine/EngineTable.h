#pragma once

#include "TableDef.h"

#include <QString>

namespace kasplan::db {

class Database;
class EngineSession;
class SqliteDatabase;

// A table of a database as the table utilities and the upgrade work on it:
// a name, the database's alias and whether it is wanted for exclusive use.
// Opening reads its layout and, for exclusive use, makes sure no other copy
// of the program has the database open. Table names may carry the old
// file extension ("Cdata.DB" is the table Cdata).
class EngineTable
{
public:
    // The table types as the old engine named them; a table on a database
    // server is of neither.
    static constexpr const char* Paradox = "PARADOX";
    static constexpr const char* ServerTable = "SERVER";
    // The level our folder tables answer as.
    static constexpr int ParadoxLevel = 7;

    explicit EngineTable(EngineSession& session);

    EngineSession& session() const { return m_session; }
    void setDatabaseName(const QString& alias) { m_databaseName = alias; }
    const QString& databaseName() const { return m_databaseName; }
    // Closes the table when the name changes.
    void setTableName(const QString& name);
    const QString& tableName() const { return m_tableName; }
    void setExclusive(bool exclusive) { m_exclusive = exclusive; }
    bool exclusive() const { return m_exclusive; }

    // Throws TableMissing for a table that does not exist, ExclusiveAccess
    // ("Table could not be opened for exclusive access") for exclusive use
    // while another copy has the database open.
    void open();
    void close() { m_open = false; }
    bool isOpen() const { return m_open; }

    // The layout read by the last open.
    const TableDef& def() const { return m_def; }
    QString tableType() const;
    Database& database() const;
    // The folder database, for a change of layout; throws for a table on a
    // server, whose layout the program does not change.
    SqliteDatabase& folderDatabase() const;

    // The table of a name that may carry the old file extension.
    static QString storedName(const QString& name);

private:
    EngineSession& m_session;
    QString m_databaseName;
    QString m_tableName;
    bool m_exclusive = false;
    bool m_open = false;
    TableDef m_def;
};

} // namespace kasplan::db
