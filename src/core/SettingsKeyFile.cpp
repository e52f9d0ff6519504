#include "SettingsKeyFile.h"

#include "LockedFileUpdate.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>
#include <limits>

namespace kasplan {

namespace {

const QString typeKey = QStringLiteral("type");
const QString dataKey = QStringLiteral("data");
const QString integerType = QStringLiteral("integer");
const QString stringType = QStringLiteral("string");
const QString expandStringType = QStringLiteral("expand-string");

struct ParsedFile
{
    QJsonObject values;
    bool damaged = false;
};

ParsedFile parse(const QByteArray& content)
{
    if (content.trimmed().isEmpty())
        return {};
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(content, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {{}, true};
    return {document.object(), false};
}

// The name under which `name` is stored, ignoring case; empty when absent.
QString storedName(const QJsonObject& values, const QString& name)
{
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.key();
    }
    return {};
}

SettingsValue decode(const QJsonValue& stored)
{
    const QJsonObject entry = stored.toObject();
    const QString type = entry.value(typeKey).toString();
    const QJsonValue data = entry.value(dataKey);
    if (type == integerType && data.isDouble()) {
        const double number = data.toDouble();
        if (number == std::trunc(number) && number >= std::numeric_limits<qint32>::min() &&
            number <= std::numeric_limits<qint32>::max())
            return SettingsValue::fromInteger(static_cast<qint32>(number));
    } else if ((type == stringType || type == expandStringType) && data.isString()) {
        SettingsValue value = SettingsValue::fromString(data.toString());
        if (type == expandStringType)
            value.type = SettingsValue::Type::ExpandString;
        return value;
    }
    return {};
}

QJsonObject encode(const SettingsValue& value)
{
    switch (value.type) {
    case SettingsValue::Type::Integer:
        return {{typeKey, integerType}, {dataKey, value.integer}};
    case SettingsValue::Type::String:
        return {{typeKey, stringType}, {dataKey, value.text}};
    case SettingsValue::Type::ExpandString:
        return {{typeKey, expandStringType}, {dataKey, value.text}};
    case SettingsValue::Type::Other:
        break;
    }
    return {};
}

QByteArray serialise(const QJsonObject& values)
{
    return QJsonDocument(values).toJson(QJsonDocument::Indented);
}

// Keeps what an administrator wrote by hand, even when it cannot be read,
// before the file is replaced.
void keepDamagedCopy(const QString& fileName, const QByteArray& content)
{
    QSaveFile copy(fileName + QStringLiteral(".damaged"));
    if (copy.open(QIODevice::WriteOnly) && copy.write(content) == content.size())
        copy.commit();
}

} // namespace

SettingsKeyFile::SettingsKeyFile(QString keyDir) : m_keyDir(std::move(keyDir)) {}

QString SettingsKeyFile::fileName() const
{
    return QDir(m_keyDir).filePath(QLatin1String(valuesFileName));
}

std::optional<SettingsValue> SettingsKeyFile::value(const QString& name) const
{
    QFile file(fileName());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject values = parse(file.readAll()).values;
    const QString stored = storedName(values, name);
    if (stored.isEmpty())
        return std::nullopt;
    return decode(values.value(stored));
}

bool SettingsKeyFile::isWritable() const
{
    const QFileInfo dir(m_keyDir);
    if (!dir.isDir() || !dir.isWritable())
        return false;
    const QFileInfo file(fileName());
    return !file.exists() || (file.isFile() && file.isWritable());
}

void SettingsKeyFile::write(const QString& name, const SettingsValue& value) const
{
    const QString path = fileName();
    updateFileLocked(path, [&](const QByteArray& content) -> std::optional<QByteArray> {
        ParsedFile parsed = parse(content);
        if (parsed.damaged)
            keepDamagedCopy(path, content);
        for (QString stored = storedName(parsed.values, name); !stored.isEmpty();
             stored = storedName(parsed.values, name))
            parsed.values.remove(stored);
        parsed.values.insert(name, encode(value));
        return serialise(parsed.values);
    });
}

bool SettingsKeyFile::remove(const QString& name) const
{
    bool removed = false;
    updateFileLocked(fileName(), [&](const QByteArray& content) -> std::optional<QByteArray> {
        ParsedFile parsed = parse(content);
        for (QString stored = storedName(parsed.values, name); !stored.isEmpty();
             stored = storedName(parsed.values, name)) {
            parsed.values.remove(stored);
            removed = true;
        }
        if (!removed)
            return std::nullopt;
        return serialise(parsed.values);
    });
    return removed;
}

} // namespace kasplan
