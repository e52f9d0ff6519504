#pragma once

#include "SettingsCatalog.h"

#include <QString>

#include <memory>
#include <optional>

namespace kasplan {

class SettingsKeyFile;

// The two scopes of the settings store: per user, and machine-wide for every
// user of the computer (writable by whoever installed the program).
enum class TRegistryHive { rhCurrentUser, rhLocalMachine };

// The program's settings store. Settings live below the application key
// "Software/<Company>/<ApplicName>/<Version>" of the current root scope, one
// folder per key level, so a fresh scope holds no folders at all. Every
// operation opens the key, does its work and lets go: nothing is cached, and
// another copy of the program sees a write at once.
//
// Reading never fails: a missing key or value, or a value of another type,
// answers the caller's default. Writing where this user may not write is
// skipped without a message; a write that fails after that is thrown
// (std::runtime_error) to the caller.
class TZHRegistry
{
public:
    // The folders of the two scopes; empty means the program's locations
    // (Locations::userSettingsDir and machineSettingsDir), looked up anew at
    // every call.
    struct Scopes
    {
        QString machineDir;
        QString userDir;
    };

    TZHRegistry();
    explicit TZHRegistry(Scopes scopes);

    TRegistryHive AppRootKey() const { return m_root; }
    void SetAppRootKey(TRegistryHive root) { m_root = root; }
    QString Company() const { return m_company; }
    void SetCompany(const QString& company) { m_company = company; }
    QString ApplicName() const { return m_applicName; }
    void SetApplicName(const QString& name) { m_applicName = name; }
    QString Version() const { return m_version; }
    void SetVersion(const QString& version) { m_version = version; }

    bool ReadBool(const QString& name, bool defaultValue) const;
    qint32 ReadInteger(const QString& name, qint32 defaultValue) const;
    QString ReadString(const QString& name, const QString& defaultValue) const;
    bool ValueExists(const QString& name) const;

    void WriteBool(const QString& name, bool value);
    void WriteInteger(const QString& name, qint32 value);
    void WriteString(const QString& name, const QString& value);
    // Answers whether the value was deleted.
    bool DeleteValue(const QString& name);

    bool ReadBool(const BoolSetting& setting) const;
    qint32 ReadInteger(const IntegerSetting& setting) const;
    QString ReadString(const StringSetting& setting) const;
    void WriteBool(const BoolSetting& setting, bool value);
    void WriteInteger(const IntegerSetting& setting, qint32 value);
    void WriteString(const StringSetting& setting, const QString& value);

    // Start-up: machine-wide root, version "4.0", the settings version marker,
    // then the "UserSetsLoc" choice (also when the marker could not be
    // written). Run once, before any other setting is read.
    void Initialise();
    // The "UserSetsLoc" choice: machine-wide when it is 0 (or missing), per
    // user for any other number.
    void ApplyUserSetsLoc();
    // The settings version marker as it was found at start-up: empty on the
    // very first start, "4.0" afterwards.
    QString StoredSettingsVersion() const { return m_storedSettingsVersion; }

    // The folder of the application key below the current root.
    QString AppKeyDir() const;
    // Whether this user may write the application key below the root: the
    // key, or where it is missing the nearest folder above it that exists,
    // is a folder this user may write.
    bool MayWrite(TRegistryHive root) const;

    // The store of the running program. Until one is installed, a store with
    // version "4.0" and the "UserSetsLoc" choice applied, that writes no marker.
    static TZHRegistry& current();
    static void install(std::unique_ptr<TZHRegistry> store);

private:
    enum class OpenMode { ReadOnly, Writing };
    std::optional<SettingsKeyFile> OpenAppKey(OpenMode mode) const;
    QString rootDir() const;

    Scopes m_scopes;
    TRegistryHive m_root = TRegistryHive::rhLocalMachine;
    QString m_company = QStringLiteral("Zandhof Services");
    QString m_applicName = QStringLiteral("Kasplan");
    QString m_version;
    QString m_storedSettingsVersion;
};

} // namespace kasplan
