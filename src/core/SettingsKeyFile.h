#pragma once

#include <QString>

#include <optional>

namespace kasplan {

// One stored setting with its type. Integers and texts are kept apart, so a
// reader that asks for one never gets the other.
struct SettingsValue
{
    enum class Type {
        Integer,      // a 32-bit signed number
        String,       // a text
        ExpandString, // a text that may name environment variables; read unexpanded
        Other,        // any other kind, written by someone else; kept, never read
    };

    Type type = Type::Other;
    qint32 integer = 0;
    QString text;

    static SettingsValue fromInteger(qint32 value) { return {Type::Integer, value, {}}; }
    static SettingsValue fromString(const QString& value) { return {Type::String, 0, value}; }
};

// The values of one settings key: a file "values.json" in the key's folder,
// e.g. {"Season": {"type": "integer", "data": 2024}}. Value names compare
// without regard to case. Every call reads or rewrites the file, so several
// copies of the program see each other's writes at once.
class SettingsKeyFile
{
public:
    static constexpr const char* valuesFileName = "values.json";

    explicit SettingsKeyFile(QString keyDir);

    // The value, or nothing when it, the key or a readable file is missing.
    // A file that is not valid holds no values.
    std::optional<SettingsValue> value(const QString& name) const;

    // Whether this user may change the key: its folder and file are writable.
    bool isWritable() const;

    // Replace or add a value, whatever the type of the one it replaces. Throws
    // std::runtime_error when the file cannot be written. A damaged file is
    // kept as "values.json.damaged" and replaced by one holding this value.
    void write(const QString& name, const SettingsValue& value) const;

    // Answers whether the value existed and was deleted. Throws like write().
    bool remove(const QString& name) const;

    QString fileName() const;

private:
    QString m_keyDir;
};

} // namespace kasplan
