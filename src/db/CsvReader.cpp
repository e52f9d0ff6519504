#include "CsvReader.h"

namespace kasplan {

bool CsvReader::parse(const QByteArray& utf8)
{
    m_header.clear();
    m_rows.clear();
    m_error.clear();

    QString text = QString::fromUtf8(utf8);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    QList<QStringList> records;
    QStringList record;
    QString fieldText;
    bool quoted = false;
    bool fieldStarted = false;
    int line = 1;
    const auto endField = [&] {
        record.append(fieldText);
        fieldText.clear();
        fieldStarted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    fieldText += QLatin1Char('"');
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                fieldText += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
        } else if (c == QLatin1Char(',')) {
            endField();
        } else if (c == QLatin1Char('\r')) {
            continue;
        } else if (c == QLatin1Char('\n')) {
            endField();
            if (!(record.size() == 1 && record.front().isEmpty()))
                records.append(record);
            record.clear();
            ++line;
        } else {
            fieldText += c;
            fieldStarted = true;
        }
    }
    if (quoted) {
        m_error = QStringLiteral("unterminated quote before line %1").arg(line);
        return false;
    }
    if (fieldStarted || !record.isEmpty()) {
        endField();
        records.append(record);
    }
    if (records.isEmpty()) {
        m_error = QStringLiteral("no header line");
        return false;
    }
    m_header = records.takeFirst();
    for (int r = 0; r < records.size(); ++r) {
        if (records[r].size() != m_header.size()) {
            m_error = QStringLiteral("row %1 has %2 fields, the header %3")
                          .arg(r + 2)
                          .arg(records[r].size())
                          .arg(m_header.size());
            return false;
        }
    }
    m_rows = records;
    return true;
}

} // namespace kasplan
