#include "Version.h"

#include "VersionStrings.h"

namespace kasplan {

VersionResource VersionResource::compiledIn()
{
    return VersionResource({
        {QStringLiteral("FileVersion"), QStringLiteral(KASPLAN_FILE_VERSION)},
        {QStringLiteral("ProductVersion"), QStringLiteral(KASPLAN_SETTINGS_VERSION)},
        {QStringLiteral("CompanyName"), QStringLiteral(KASPLAN_COMPANY)},
        {QStringLiteral("FileDescription"), QStringLiteral(KASPLAN_DESCRIPTION)},
        {QStringLiteral("ProductName"), QStringLiteral(KASPLAN_PRODUCT)},
        {QStringLiteral("LegalCopyright"), QStringLiteral(KASPLAN_COPYRIGHT)},
        {QStringLiteral("HomePage"), QStringLiteral(KASPLAN_HOMEPAGE)},
    });
}

namespace {
VersionResource& currentVersion()
{
    static VersionResource version = VersionResource::compiledIn();
    return version;
}
} // namespace

const VersionResource& programVersion()
{
    return currentVersion();
}

void setProgramVersion(const VersionResource& version)
{
    currentVersion() = version;
}

QString fileVersion()
{
    return programVersion().ReadVersionString(QStringLiteral("FileVersion"));
}

QString settingsVersion()
{
    return QStringLiteral(KASPLAN_SETTINGS_VERSION);
}

} // namespace kasplan
