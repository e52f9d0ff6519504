#pragma once

#include "AliasConfig.h"
#include "Database.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>

namespace kasplan::db {

class Database;

// The engine session of one running copy of the program: its database
// locations, the password list and the private and network-control folders
// it was given, its user name for record locks, and one open connection per
// database folder or server database, shared by all views on it.
//
// The password list and the two folders are accepted and kept for the code
// that sets them; the tables carry no password and the record locks live in
// the database file, so nothing else reads them.
class EngineSession
{
public:
    static constexpr const char* StandardAlias = "BROEI";
    static constexpr const char* DefaultDriver = "Paradox";

    explicit EngineSession(QString configFile = AliasConfig::defaultFile());
    ~EngineSession();
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    AliasConfig& aliases() { return m_aliases; }
    const AliasConfig& aliases() const { return m_aliases; }
    // The folder of an alias, or empty text when there is no such alias.
    QString aliasPath(const QString& alias) const;
    // Makes sure 'BROEI' exists, pointing at the standard database folder
    // when it is new, and saves the configuration. Answers its folder.
    QString ensureStandardAlias();

    void addPassword(const QString& password);
    const QStringList& passwords() const { return m_passwords; }
    void setPrivateDir(const QString& folder) { m_privateDir = folder; }
    const QString& privateDir() const { return m_privateDir; }
    void setNetFileDir(const QString& folder) { m_netFileDir = folder; }
    const QString& netFileDir() const { return m_netFileDir; }

    // The name other copies see on this copy's record locks; the login name
    // unless set.
    const QString& userName() const { return m_userName; }
    void setUserName(const QString& name) { m_userName = name; }
    // How long another copy's lock must stand still before this copy takes
    // it over. Default one minute; KASPLAN_LOCK_LEASE_MS overrides it.
    int lockLeaseMs() const { return m_lockLeaseMs; }
    void setLockLeaseMs(int ms);
    // Whether this copy tells the other copies, in every database folder it
    // opens from now on, that it has the database open, so that none of them
    // changes the tables' layout meanwhile. The windowed program does; a
    // command that only reads for a moment does not.
    void setAnnounceUse(bool announce) { m_announceUse = announce; }
    bool announceUse() const { return m_announceUse; }

    // The connection of an alias's folder or server database, opened on
    // first use. Throws EngineError: UnknownAlias, DatabaseMissing,
    // JournalMode, ServerUnreachable, ForeignDatabase.
    Database& database(const QString& alias);
    Database& databaseAt(const QString& folder);
    Database& databaseOnServer(const ServerParams& params);

    // What a database on a server must hold, and how an empty one is laid
    // out on first use. Without it a server database is opened only when it
    // carries the engine's mark.
    void setServerLayout(DatabaseLayout layout) { m_serverLayout = std::move(layout); }
    // Closes every connection; views must be closed first.
    void closeDatabases();

private:
    AliasConfig m_aliases;
    QStringList m_passwords;
    QString m_privateDir;
    QString m_netFileDir;
    QString m_userName;
    int m_lockLeaseMs;
    bool m_announceUse = false;
    std::map<QString, std::unique_ptr<Database>> m_databases;
    std::optional<DatabaseLayout> m_serverLayout;
};

} // namespace kasplan::db
