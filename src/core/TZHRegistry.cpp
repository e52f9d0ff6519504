#include "TZHRegistry.h"

#include "Locations.h"
#include "SettingsKeyFile.h"
#include "Version.h"

#include <QDir>
#include <QFileInfo>

namespace kasplan {

TZHRegistry::TZHRegistry() = default;

TZHRegistry::TZHRegistry(Scopes scopes) : m_scopes(std::move(scopes)) {}

QString TZHRegistry::rootDir() const
{
    if (m_root == TRegistryHive::rhCurrentUser)
        return m_scopes.userDir.isEmpty() ? Locations::userSettingsDir() : m_scopes.userDir;
    return m_scopes.machineDir.isEmpty() ? Locations::machineSettingsDir() : m_scopes.machineDir;
}

QString TZHRegistry::AppKeyDir() const
{
    QDir dir(rootDir());
    QString path = dir.filePath(QStringLiteral("Software"));
    // An empty level name opens the same key again, as the registry does.
    for (const QString& level : {m_company, m_applicName, m_version}) {
        if (!level.isEmpty())
            path = QDir(path).filePath(level);
    }
    return QDir::cleanPath(path);
}

bool TZHRegistry::MayWrite(TRegistryHive root) const
{
    TZHRegistry scope = *this;
    scope.m_root = root;
    const QString keyDir = scope.AppKeyDir();
    if (QFileInfo(keyDir).isDir())
        return SettingsKeyFile(keyDir).isWritable();
    // The first write makes the missing levels.
    QString path = keyDir;
    while (!QFileInfo::exists(path)) {
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            return false;
        path = parent;
    }
    const QFileInfo nearest(path);
    return nearest.isDir() && nearest.isWritable();
}

std::optional<SettingsKeyFile> TZHRegistry::OpenAppKey(OpenMode mode) const
{
    const QString keyDir = AppKeyDir();
    if (mode == OpenMode::ReadOnly) {
        // Reading never creates a key.
        if (!QFileInfo(keyDir).isDir())
            return std::nullopt;
        return SettingsKeyFile(keyDir);
    }
    if (!QDir().mkpath(keyDir))
        return std::nullopt;
    SettingsKeyFile key(keyDir);
    if (!key.isWritable())
        return std::nullopt;
    return key;
}

bool TZHRegistry::ReadBool(const QString& name, bool defaultValue) const
{
    const auto key = OpenAppKey(OpenMode::ReadOnly);
    const auto value = key ? key->value(name) : std::nullopt;
    if (!value || value->type != SettingsValue::Type::Integer)
        return defaultValue;
    return value->integer != 0;
}

qint32 TZHRegistry::ReadInteger(const QString& name, qint32 defaultValue) const
{
    const auto key = OpenAppKey(OpenMode::ReadOnly);
    const auto value = key ? key->value(name) : std::nullopt;
    if (!value || value->type != SettingsValue::Type::Integer)
        return defaultValue;
    return value->integer;
}

QString TZHRegistry::ReadString(const QString& name, const QString& defaultValue) const
{
    const auto key = OpenAppKey(OpenMode::ReadOnly);
    const auto value = key ? key->value(name) : std::nullopt;
    if (!value || (value->type != SettingsValue::Type::String &&
                   value->type != SettingsValue::Type::ExpandString))
        return defaultValue;
    return value->text;
}

bool TZHRegistry::ValueExists(const QString& name) const
{
    const auto key = OpenAppKey(OpenMode::ReadOnly);
    return key && key->value(name).has_value();
}

void TZHRegistry::WriteBool(const QString& name, bool value)
{
    WriteInteger(name, value ? 1 : 0);
}

void TZHRegistry::WriteInteger(const QString& name, qint32 value)
{
    if (const auto key = OpenAppKey(OpenMode::Writing))
        key->write(name, SettingsValue::fromInteger(value));
}

void TZHRegistry::WriteString(const QString& name, const QString& value)
{
    if (const auto key = OpenAppKey(OpenMode::Writing))
        key->write(name, SettingsValue::fromString(value));
}

bool TZHRegistry::DeleteValue(const QString& name)
{
    const auto key = OpenAppKey(OpenMode::Writing);
    return key && key->remove(name);
}

bool TZHRegistry::ReadBool(const BoolSetting& setting) const
{
    return ReadBool(QLatin1String(setting.name), setting.defaultValue);
}

qint32 TZHRegistry::ReadInteger(const IntegerSetting& setting) const
{
    return setting.valueOf(ReadInteger(QLatin1String(setting.name), setting.defaultValue));
}

QString TZHRegistry::ReadString(const StringSetting& setting) const
{
    return ReadString(QLatin1String(setting.name), QString::fromUtf8(setting.defaultValue));
}

void TZHRegistry::WriteBool(const BoolSetting& setting, bool value)
{
    WriteBool(QLatin1String(setting.name), value);
}

void TZHRegistry::WriteInteger(const IntegerSetting& setting, qint32 value)
{
    WriteInteger(QLatin1String(setting.name), value);
}

void TZHRegistry::WriteString(const StringSetting& setting, const QString& value)
{
    WriteString(QLatin1String(setting.name), value);
}

void TZHRegistry::Initialise()
{
    try {
        m_root = TRegistryHive::rhLocalMachine;
        m_version = settingsVersion();
        m_storedSettingsVersion = ReadString(Setting::Version);
        if (m_storedSettingsVersion != m_version)
            WriteString(Setting::Version, m_version);
    } catch (...) {
        ApplyUserSetsLoc();
        throw;
    }
    ApplyUserSetsLoc();
}

void TZHRegistry::ApplyUserSetsLoc()
{
    m_root = TRegistryHive::rhLocalMachine;
    m_root = ReadInteger(Setting::UserSetsLoc) == 0 ? TRegistryHive::rhLocalMachine
                                                    : TRegistryHive::rhCurrentUser;
}

namespace {
std::unique_ptr<TZHRegistry>& installedStore()
{
    static std::unique_ptr<TZHRegistry> store;
    return store;
}
} // namespace

TZHRegistry& TZHRegistry::current()
{
    auto& store = installedStore();
    if (!store) {
        store = std::make_unique<TZHRegistry>();
        store->SetVersion(settingsVersion());
        store->ApplyUserSetsLoc();
    }
    return *store;
}

void TZHRegistry::install(std::unique_ptr<TZHRegistry> store)
{
    installedStore() = std::move(store);
}

} // namespace kasplan
