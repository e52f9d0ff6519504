#pragma once

#include <QDateTime>
#include <QString>

namespace kasplan {

// The first letters of a name typed into a list to find it: a character typed
// within WindowMs of the one before extends the text, a later one starts it
// anew. Every character counts as typed, control characters included.
class TypeAheadSearch
{
public:
    // 1.5e-5 of a day.
    static constexpr qint64 WindowMs = 1296;

    // Empty text; the window starts at now.
    void reset(const QDateTime& now);
    // The text to look for once ch was typed at now.
    const QString& type(QChar ch, const QDateTime& now);
    const QString& text() const { return m_text; }

private:
    QString m_text;
    QDateTime m_last;
};

} // namespace kasplan
