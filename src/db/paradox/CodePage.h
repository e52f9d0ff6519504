#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace kasplan::paradox {

// The single-byte code pages old tables are written in: 437 and 850 (DOS)
// and 1252 (Western-European Windows). Bytes below 0x80 are ASCII in all
// three.
class CodePage
{
public:
    // The code page with that number, or none when it is not one of the
    // three.
    static std::optional<CodePage> of(int number);
    static QList<int> supported() { return {437, 850, 1252}; }

    int number() const { return m_number; }
    QString decode(const char* bytes, qsizetype size) const;
    QString decode(const QByteArray& bytes) const
    {
        return decode(bytes.constData(), bytes.size());
    }
    // The text in this code page, or none when a character has no byte here.
    std::optional<QByteArray> encode(const QString& text) const;

private:
    CodePage(int number, const char16_t* upper) : m_number(number), m_upper(upper) {}

    int m_number;
    const char16_t* m_upper; // the characters of bytes 0x80 to 0xFF
};

} // namespace kasplan::paradox
