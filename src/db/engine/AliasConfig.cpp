#include "AliasConfig.h"

#include "core/Locations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextStream>

namespace kasplan::db {

AliasConfig::AliasConfig(QString file) : m_file(std::move(file))
{
    load();
}

QString AliasConfig::defaultFile()
{
    return QDir(Locations::engineConfigDir()).absoluteFilePath(QStringLiteral("engine.cfg"));
}

bool AliasConfig::load()
{
    m_entries.clear();
    m_damagedContent = QByteArray();
    QFile f(m_file);
    if (!f.open(QIODevice::ReadOnly))
        return !f.exists();
    const QByteArray content = f.readAll();
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(content);
    bool understood = !utf8.hasError() && !content.contains('\0');
    int current = -1;
    for (const QStringView rawLine : QStringView(text).split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed().toString();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            current = find(name);
            if (current < 0) {
                m_entries.append({name, QString(), QString(), {}});
                current = int(m_entries.size()) - 1;
            }
            continue;
        }
        const int eq = int(line.indexOf(QLatin1Char('=')));
        const QString written = eq < 0 ? QString() : line.left(eq).trimmed();
        const QString key = written.toUpper();
        const QString value = line.mid(eq + 1).trimmed();
        if (current >= 0 && key == QLatin1String("PATH"))
            m_entries[current].path = value;
        else if (current >= 0 && key == QLatin1String("TYPE"))
            m_entries[current].driver = value;
        else if (current >= 0 && !written.isEmpty())
            m_entries[current].server.append({written, value});
        else
            understood = false; // a rewrite would lose it
    }
    // Further keywords belong to server locations only.
    for (const Entry& e : std::as_const(m_entries)) {
        if (!e.server.isEmpty() &&
            e.driver.compare(QLatin1String(ServerLocation::Driver), Qt::CaseInsensitive) != 0)
            understood = false;
    }
    if (!understood)
        m_damagedContent = content;
    return true;
}

bool AliasConfig::save()
{
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    if (damaged()) {
        QSaveFile copy(m_file + QStringLiteral(".damaged"));
        if (!copy.open(QIODevice::WriteOnly) ||
            copy.write(m_damagedContent) != m_damagedContent.size() || !copy.commit())
            return false;
        m_damagedContent = QByteArray();
    }
    QSaveFile f(m_file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&f);
    out.setEncoding(QStringConverter::Utf8);
    out << "; Kasplan database locations\n";
    for (const Entry& e : std::as_const(m_entries)) {
        out << "\n[" << e.name << "]\nTYPE=" << e.driver << "\n";
        if (!e.path.isEmpty() || e.server.isEmpty())
            out << "PATH=" << e.path << "\n";
        // Other keywords of a folder location were kept aside as damaged.
        if (e.driver.compare(QLatin1String(ServerLocation::Driver), Qt::CaseInsensitive) == 0) {
            for (const auto& [key, value] : e.server)
                out << key << "=" << value << "\n";
        }
    }
    out.flush();
    return f.commit();
}

int AliasConfig::find(const QString& name) const
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QStringList AliasConfig::aliasNames() const
{
    QStringList names;
    for (const Entry& e : m_entries)
        names.append(e.name);
    return names;
}

bool AliasConfig::contains(const QString& name) const
{
    return find(name) >= 0;
}

QStringList AliasConfig::params(const QString& name) const
{
    const int i = find(name);
    if (i < 0)
        return {};
    QStringList params{QStringLiteral("PATH=") + m_entries[i].path,
                       QStringLiteral("TYPE=") + m_entries[i].driver};
    for (const auto& [key, value] : m_entries[i].server)
        params.append(key.toUpper() + QLatin1Char('=') + value);
    return params;
}

bool AliasConfig::isServer(const QString& name) const
{
    return driver(name).compare(QLatin1String(ServerLocation::Driver), Qt::CaseInsensitive) == 0;
}

ServerParams AliasConfig::serverParams(const QString& name) const
{
    const int i = find(name);
    return i < 0 ? ServerParams() : m_entries[i].server;
}

void AliasConfig::addServer(const QString& name, const ServerParams& params)
{
    const Entry e{name, QLatin1String(ServerLocation::Driver), QString(), params};
    const int i = find(name);
    if (i >= 0)
        m_entries[i] = e;
    else
        m_entries.append(e);
}

QString AliasConfig::path(const QString& name) const
{
    const int i = find(name);
    return i < 0 ? QString() : m_entries[i].path;
}

QString AliasConfig::driver(const QString& name) const
{
    const int i = find(name);
    return i < 0 ? QString() : m_entries[i].driver;
}

void AliasConfig::add(const QString& name, const QString& driver, const QString& path)
{
    const int i = find(name);
    if (i >= 0)
        m_entries[i] = {name, driver, path, {}};
    else
        m_entries.append({name, driver, path, {}});
}

void AliasConfig::addLocation(const QString& name, const QString& location)
{
    if (ServerLocation::isServerText(location))
        addServer(name, ServerLocation::parse(location));
    else
        add(name, QStringLiteral("Paradox"), location);
}

void AliasConfig::remove(const QString& name)
{
    const int i = find(name);
    if (i >= 0)
        m_entries.removeAt(i);
}

} // namespace kasplan::db
