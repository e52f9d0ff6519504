#include "AppGlobals.h"

#include "Locations.h"
#include "Version.h"

#include <QDir>

#include <optional>

namespace kasplan {

namespace {

struct Globals
{
    std::optional<QString> fileVersion;
    QString appDir;
    IniFile* dbaseIni = nullptr;
};

Globals& globals()
{
    static Globals values;
    return values;
}

QString withSeparator(const QString& dir)
{
    const QString clean = QDir::cleanPath(dir);
    return clean.endsWith(QLatin1Char('/')) ? clean : clean + QLatin1Char('/');
}

} // namespace

QString AppFileVersion()
{
    const auto& fixed = globals().fileVersion;
    return fixed ? *fixed : fileVersion();
}

QString AppDir()
{
    const QString& fixed = globals().appDir;
    return fixed.isEmpty() ? withSeparator(Locations::programDir()) : fixed;
}

QString AppPrivDir()
{
    return AppDir() + QStringLiteral("PrivDir/");
}

QString AppTempDir()
{
    return AppDir() + QStringLiteral("temp/");
}

QString AppBackupDir()
{
    return AppDir() + QStringLiteral("backups/");
}

IniFile* DBaseIni()
{
    return globals().dbaseIni;
}

namespace AppGlobals {

void SetAppFileVersion(const QString& version)
{
    globals().fileVersion = version;
}

void SetAppDir(const QString& dir)
{
    globals().appDir = withSeparator(dir);
}

void SetDBaseIni(IniFile* file)
{
    globals().dbaseIni = file;
}

void Reset()
{
    globals() = Globals();
}

} // namespace AppGlobals
} // namespace kasplan
