#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace kasplan {

// Comma-separated text as the delivered data files are written: UTF-8, a
// header line, fields in double quotes where they hold a comma, a quote
// (doubled) or a line break.
class CsvReader
{
public:
    // Answers false and sets error() for text that is not well formed (an
    // open quote, a row with another number of fields than the header).
    bool parse(const QByteArray& utf8);

    const QStringList& header() const { return m_header; }
    const QList<QStringList>& rows() const { return m_rows; }
    const QString& error() const { return m_error; }

private:
    QStringList m_header;
    QList<QStringList> m_rows;
    QString m_error;
};

} // namespace kasplan
