#pragma once

#include <QMap>
#include <QString>

namespace kasplan {

// The program's version resource. The strings are compiled in from CMake; a
// missing string reads as empty text so callers can handle "no version".
class VersionResource
{
public:
    // The strings the program carries, keyed by their resource names
    // ("FileVersion", "CompanyName", "FileDescription", "ProductName",
    // "ProductVersion", "LegalCopyright", "HomePage").
    static VersionResource compiledIn();
    static VersionResource empty() { return VersionResource({}); }

    explicit VersionResource(QMap<QString, QString> strings) : m_strings(std::move(strings)) {}

    QString ReadVersionString(const QString& name) const { return m_strings.value(name); }

private:
    QMap<QString, QString> m_strings;
};

// The version resource the program uses; tests may replace it to play a
// program file without version information.
const VersionResource& programVersion();
void setProgramVersion(const VersionResource& version);

// The file version ("4.0.1.8"), empty when the resource has none.
QString fileVersion();
// The settings version ("4.0"), the key under which settings are stored.
QString settingsVersion();

} // namespace kasplan
