#include "IniFile.h"

#include "LockedFileUpdate.h"

#include <QFile>
#include <QStringList>

#include <limits>
#include <optional>
#include <stdexcept>

namespace kasplan {

namespace {

const QString lineBreak = QStringLiteral("\r\n");

QStringList splitLines(const QByteArray& content)
{
    QString text = QString::fromUtf8(content);
    text.replace(lineBreak, QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The section name of a "[Section]" line, or nothing for any other line.
std::optional<QString> sectionOf(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype end = trimmed.indexOf(QLatin1Char(']'));
    if (end < 0)
        return std::nullopt;
    return trimmed.mid(1, end - 1).trimmed();
}

bool isKeyLine(const QString& line, const QString& ident, QString* value = nullptr)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1Char(';')))
        return false;
    const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
    if (equals <= 0 || trimmed.left(equals).trimmed().compare(ident, Qt::CaseInsensitive) != 0)
        return false;
    if (value) {
        QString text = trimmed.mid(equals + 1).trimmed();
        if (text.size() >= 2 &&
            (text.front() == QLatin1Char('"') || text.front() == QLatin1Char('\'')) &&
            text.back() == text.front())
            text = text.mid(1, text.size() - 2);
        *value = text;
    }
    return true;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::optional<QString> findValue(const QStringList& lines, const QString& section,
                                 const QString& ident)
{
    bool inSection = false;
    for (const QString& line : lines) {
        if (const auto name = sectionOf(line)) {
            inSection = sameName(*name, section);
            continue;
        }
        QString value;
        if (inSection && isKeyLine(line, ident, &value))
            return value;
    }
    return std::nullopt;
}

QStringList readLines(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return splitLines(file.readAll());
}

// Puts "ident=value" into the lines: over the key's first line in the section,
// else after the section's last entry, else in a new section at the end.
void setValue(QStringList& lines, const QString& section, const QString& ident,
              const QString& value)
{
    const QString entry = ident + QLatin1Char('=') + value;
    qsizetype sectionStart = -1;
    qsizetype insertAt = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionOf(lines[i])) {
            if (sectionStart >= 0)
                break;
            if (sameName(*name, section))
                sectionStart = insertAt = i + 1;
            continue;
        }
        if (sectionStart < 0)
            continue;
        if (isKeyLine(lines[i], ident)) {
            lines[i] = entry;
            return;
        }
        if (!lines[i].trimmed().isEmpty())
            insertAt = i + 1;
    }
    if (sectionStart >= 0) {
        lines.insert(insertAt, entry);
        return;
    }
    if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
        lines.append(QString());
    lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
    lines.append(entry);
}

} // namespace

IniFile::IniFile(QString fileName) : m_fileName(std::move(fileName)) {}

QString IniFile::ReadString(const QString& section, const QString& ident,
                            const QString& defaultValue) const
{
    return findValue(readLines(m_fileName), section, ident).value_or(defaultValue);
}

qint32 IniFile::ReadInteger(const QString& section, const QString& ident, qint32 defaultValue) const
{
    const auto text = findValue(readLines(m_fileName), section, ident);
    if (!text)
        return defaultValue;
    QString digits = *text;
    int base = 10;
    bool negative = false;
    if (digits.startsWith(QLatin1Char('-'))) {
        negative = true;
        digits.remove(0, 1);
    }
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        digits.remove(0, 2);
    } else if (digits.startsWith(QLatin1Char('$'))) {
        base = 16;
        digits.remove(0, 1);
    }
    bool ok = false;
    const qint64 number = digits.toLongLong(&ok, base);
    if (!ok || digits.startsWith(QLatin1Char('-')) || digits.startsWith(QLatin1Char('+')))
        return defaultValue;
    const qint64 signedNumber = negative ? -number : number;
    if (signedNumber < std::numeric_limits<qint32>::min() ||
        signedNumber > std::numeric_limits<qint32>::max())
        return defaultValue;
    return static_cast<qint32>(signedNumber);
}

bool IniFile::ValueExists(const QString& section, const QString& ident) const
{
    return findValue(readLines(m_fileName), section, ident).has_value();
}

void IniFile::WriteString(const QString& section, const QString& ident, const QString& value)
{
    for (const QString& part : {section, ident, value}) {
        if (part.contains(QLatin1Char('\n')) || part.contains(QLatin1Char('\r'))) {
            throw std::runtime_error(
                QStringLiteral("Kan '%1' niet opslaan: een waarde mag geen regeleinde bevatten.")
                    .arg(m_fileName)
                    .toStdString());
        }
    }
    updateFileLocked(m_fileName, [&](const QByteArray& content) -> std::optional<QByteArray> {
        QStringList lines = splitLines(content);
        setValue(lines, section, ident, value);
        return (lines.join(lineBreak) + lineBreak).toUtf8();
    });
}

void IniFile::WriteInteger(const QString& section, const QString& ident, qint32 value)
{
    WriteString(section, ident, QString::number(value));
}

} // namespace kasplan
