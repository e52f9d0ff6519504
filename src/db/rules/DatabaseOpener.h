#pragma once

#include <QString>

namespace kasplan {

// What choosing and opening the cultivar database needs from the settings
// store, the database engine and the data module's views. The data module
// provides it; tests provide one that fails where they want.
class DatabaseOpenHost
{
public:
    virtual ~DatabaseOpenHost() = default;

    virtual bool ReadBool(const QString& name, bool defaultValue) = 0;
    virtual int ReadInteger(const QString& name, int defaultValue) = 0;
    virtual QString ReadString(const QString& name, const QString& defaultValue) = 0;
    virtual void WriteBool(const QString& name, bool value) = 0;

    // The alias of the standard database ('BROEI').
    virtual QString StandardAlias() const = 0;
    // Drops "UserCDataLoc" from the engine configuration, saves it and adds it
    // again with driver "Paradox" for the given folder, or as the server
    // database that a "postgresql://" path names.
    virtual void RecreateUserAlias(const QString& path) = 0;

    virtual QString DatabaseAlias() const = 0;
    virtual void SetDatabaseAlias(const QString& alias) = 0;
    // Closes every view, binds them all to the alias, makes its folder the
    // network control directory, opens the views, resets the stock filters
    // and ends any internal edit. Throws when any of that fails.
    virtual void OpenViewsAt(const QString& alias) = 0;
};

// Opens the cultivar database at the location the settings choose, falling
// back once to the standard database with a message. When the standard
// database cannot be opened either, the engine's error is thrown on.
class DatabaseOpener
{
public:
    static inline const QString HortiAlias = QStringLiteral("HORTIDB");
    static inline const QString UserAlias = QStringLiteral("UserCDataLoc");

    explicit DatabaseOpener(DatabaseOpenHost& host) : m_host(host) {}

    void OpenDatabase();

private:
    QString chooseAlias(bool firstAttemptWithUse);

    DatabaseOpenHost& m_host;
};

} // namespace kasplan
