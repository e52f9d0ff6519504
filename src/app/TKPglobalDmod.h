#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace kasplan {

namespace db {
class EngineSession;
class EngineTable;
class TRestructure;
} // namespace db
class IniFile;
class TProgressBox;
class TZHRegistry;

// What the global data module asks of the database engine. Until the engine
// is wired in these do nothing, and every alias lies in the standard
// database folder.
struct TKPglobalDmodHooks
{
    // Hands the engine session its private folder.
    std::function<void(const QString& privDir)> SetPrivateDir = [](const QString&) {};
    // The folder of a database alias.
    std::function<QString(const QString& alias)> AliasPath;
    // Opens the connection to the database of the alias, kept for the whole run.
    std::function<void(const QString& alias)> OpenDatabase = [](const QString&) {};
    // Gives the session its network control folder, shared by every copy.
    std::function<void(const QString& dir)> SetNetFileDir = [](const QString&) {};
    // The engine session whose 'BROEI' the upgrade changes; without one
    // there are no tables to change.
    std::function<db::EngineSession*()> Session = [] { return nullptr; };
};

// The global data module: prepares the engine session, connects the standard
// database 'BROEI', keeps its version file "KPDBase.ini" (the global
// DBaseIni) and a progress window, and upgrades the database when this
// program's version differs from the one that last upgraded it.
class TKPglobalDmod : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* StdAlias = "BROEI";
    static constexpr const char* DBaseIniName = "KPDBase.ini";

    explicit TKPglobalDmod(TZHRegistry& registry, TKPglobalDmodHooks hooks = {});
    ~TKPglobalDmod() override;

    // The creation steps. An error ends them and reaches the caller, but the
    // settings store's root always follows "UserSetsLoc" afterwards.
    void KPglobalDmodCreate();
    // Frees the progress window and DBaseIni.
    void DataModuleDestroy();

    // The upgrade is due when the machine-wide marker "UpdateDBase" exists or
    // the version in "KPDBase.ini" differs from AppFileVersion.
    bool UpgradeDue() const;
    void UpgradeLocalTables();
    void UpgradeDatabaseTables();

    TProgressBox* ProgressBox() const { return m_progressBox.get(); }
    // Set by the database-tables step: the old cultivar table may be imported.
    bool ImportPending() const { return m_importPending; }

    // The steps of the database-tables step, on UpdateTable and Restructor.
    // Table names may carry the old extension ("Cdata.DB"); sqlType is one
    // of INTEGER, SMALLINT, DATE, MONEY, FLOAT.
    // Runs the ADD statement; a failure is passed over and answered false.
    bool AddColumn(const QString& table, const QString& field, const QString& sqlType);
    // Runs the DROP statement; errors reach the caller.
    void DropColumn(const QString& table, const QString& field);
    // Answers whether the field was missing (and AddColumn was called).
    bool AddColumnIfMissing(const QString& table, const QString& field, const QString& sqlType);
    void DropColumnIfPresent(const QString& table, const QString& field);
    // Adds a text field of length by restructure; answers whether it did.
    bool AddAlphaFieldIfMissing(const QString& table, const QString& field, int length);
    // The same for several fields in one rewrite of the table: each rewrite
    // copies every record.
    bool AddAlphaFieldsIfMissing(const QString& table, const QStringList& fields, int length);

    // The statements as AddColumn and DropColumn run them: two lines, the
    // table, then the change. An added column keeps the minimum check that
    // today's table gives it.
    static QString AddColumnSQL(const QString& table, const QString& field, const QString& sqlType);
    static QString DropColumnSQL(const QString& table, const QString& field);
    // Every ALTER statement run by this module, in order.
    const QStringList& Statements() const { return m_statements; }

private:
    // Opens the table of the upgrade to look, and closes it again.
    bool HasColumn(const QString& table, const QString& field);
    // The previous major version's table is only read: the stage checks that
    // it can be, and its errors are passed over.
    void PrepareOldTable();
    void UpgradeCdata();
    void UpgradeCsizes();
    db::EngineTable& UpdateTable(const QString& table);

    TZHRegistry& m_registry;
    TKPglobalDmodHooks m_hooks;
    std::unique_ptr<TProgressBox> m_progressBox;
    std::unique_ptr<IniFile> m_dbaseIni;
    bool m_importPending = false;
    QString m_databaseDir;
    std::unique_ptr<db::EngineTable> m_UpdateTable;
    std::unique_ptr<db::EngineTable> m_UpdateTable2;
    std::unique_ptr<db::TRestructure> m_Restructor;
    QStringList m_statements;
};

} // namespace kasplan
