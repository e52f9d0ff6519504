#include "RecordLines.h"

#include "DataSet.h"
#include "Field.h"

#include <algorithm>

namespace kasplan::db {

RecordLines::RecordLines(DataSet& view, QList<TextColumn> columns, TextFormat format)
    : m_view(view), m_columns(std::move(columns)), m_format(format)
{
    for (const TextColumn& column : std::as_const(m_columns))
        m_fields.append(m_view.fieldByName(column.field));
}

void RecordLines::appendHeader(QString& text) const
{
    for (int c = 0; c < m_columns.size(); ++c)
        appendValue(text, m_columns.at(c).title, c == m_columns.size() - 1);
}

void RecordLines::appendRecord(QString& text, int row) const
{
    QVariantList values;
    for (const Field* field : std::as_const(m_fields))
        values.append(m_view.valueAt(row, field));
    appendValues(text, values);
}

size_t RecordLines::appendRecords(QString& text, const std::vector<int>& rows,
                                  const std::function<bool()>& before) const
{
    // Enough records per read that reading costs little beside writing,
    // few enough that an export of many holds only their lines.
    constexpr size_t Block = 512;
    for (size_t from = 0; from < rows.size(); from += Block) {
        const std::vector<int> block(rows.begin() + qsizetype(from),
                                     rows.begin() + qsizetype(std::min(rows.size(), from + Block)));
        const std::vector<QVariantList> values = m_view.valuesAt(block, m_fields);
        for (size_t i = 0; i < values.size(); ++i) {
            if (before && !before())
                return from + i;
            appendValues(text, values[i]);
        }
    }
    return rows.size();
}

void RecordLines::appendValues(QString& text, const QVariantList& values) const
{
    for (int c = 0; c < m_columns.size(); ++c) {
        const TextColumn& column = m_columns.at(c);
        const QVariant& value = values.at(c);
        appendValue(text,
                    column.text ? column.text(value) : m_fields.at(c)->ownTextOf(value, false),
                    c == m_columns.size() - 1);
    }
}

void RecordLines::appendValue(QString& text, const QString& value, bool last) const
{
    if (m_format == TextFormat::Csv) {
        static const QString special = QStringLiteral(",\"\r\n");
        const bool quoted =
            std::any_of(value.begin(), value.end(), [](QChar c) { return special.contains(c); });
        if (quoted) {
            text += QLatin1Char('"');
            for (QChar c : value) {
                if (c == QLatin1Char('"'))
                    text += QLatin1Char('"');
                text += c;
            }
            text += QLatin1Char('"');
        } else {
            text += value;
        }
        text += last ? QStringLiteral("\r\n") : QStringLiteral(",");
        return;
    }
    // A tab or line break of its own would split the value over two cells
    // or two lines of the spreadsheet.
    const qsizetype start = text.size();
    text += value;
    for (qsizetype i = start; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            text[i] = QLatin1Char(' ');
    }
    text += last ? QStringLiteral("\r\n") : QStringLiteral("\t");
}

} // namespace kasplan::db
