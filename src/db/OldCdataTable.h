#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace kasplan {

namespace db {
class EngineSession;
}
namespace paradox {
class Table;
}

// The previous major version's cultivar table "Kbroei14.DB", a Paradox file
// in the folder of the standard database, read through the Paradox reader.
// It is never changed; when done with, it goes with its companion files (the
// same name with any extension: memo, indexes, checks) into a folder of
// their own below the backups folder, so that nothing of it is lost.
class OldCdataTable
{
public:
    static constexpr const char* FileName = "Kbroei14.DB";

    explicit OldCdataTable(db::EngineSession& session);
    ~OldCdataTable();

    void setDatabaseName(const QString& alias) { m_databaseName = alias; }
    const QString& databaseName() const { return m_databaseName; }

    // The table's file, its name's case ignored; empty when there is none.
    QString path() const;
    // Throws EngineError TableMissing when there is no table, FormatError
    // when it cannot be read.
    void Open();
    void Close();
    bool isOpen() const { return m_table != nullptr; }
    paradox::Table& table() const { return *m_table; }

    // Moves the closed table and its companion files into a new folder below
    // backupDir; answers that folder. Throws EngineError when a file cannot
    // be moved (those moved already stay moved, the others in place).
    QString MoveTo(const QString& backupDir);
    // The files that belong to the table.
    QStringList files() const;

private:
    db::EngineSession& m_session;
    QString m_databaseName;
    std::unique_ptr<paradox::Table> m_table;
};

} // namespace kasplan
