#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace kasplan {

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

private:
    TZHRegistry& m_registry;
    TKPglobalDmodHooks m_hooks;
    std::unique_ptr<TProgressBox> m_progressBox;
    std::unique_ptr<IniFile> m_dbaseIni;
    bool m_importPending = false;
};

} // namespace kasplan
