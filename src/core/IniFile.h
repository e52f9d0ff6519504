#pragma once

#include <QString>

namespace kasplan {

// A sections-and-keys text file ("[Section]" lines and "Key=Value" lines, the
// Windows profile format) read and written straight through: every read reads
// the file, every write rewrites it at once, so copies of the program on
// several computers that share the file see each other's changes.
//
// Section and key names compare without regard to case; a value is trimmed
// and loses one pair of enclosing quotes. A missing file, section or key
// reads as the default. Writing keeps every other line as it was.
class IniFile
{
public:
    explicit IniFile(QString fileName);

    QString FileName() const { return m_fileName; }

    QString ReadString(const QString& section, const QString& ident,
                       const QString& defaultValue) const;
    // A value that is not a whole number (decimal, or hexadecimal after "0x"
    // or "$") reads as the default.
    qint32 ReadInteger(const QString& section, const QString& ident, qint32 defaultValue) const;
    bool ValueExists(const QString& section, const QString& ident) const;

    // Create the file, section or key as needed. Throw std::runtime_error when
    // the file cannot be written, or the value holds a line break (which
    // would break the file's layout).
    void WriteString(const QString& section, const QString& ident, const QString& value);
    void WriteInteger(const QString& section, const QString& ident, qint32 value);

private:
    QString m_fileName;
};

} // namespace kasplan
