#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <vector>

namespace kasplan::db {

class DataSet;
class Field;

// One column of records written as text: its title and the field it shows.
// text, when set, writes the stored value in place of the field's own text.
struct TextColumn
{
    QString title;
    QString field;
    std::function<QString(const QVariant&)> text;
};

enum class TextFormat {
    Tsv, // a tab between values: what a spreadsheet takes from the clipboard
    Csv, // RFC 4180: a comma between values, quoted where needed
};

// The records of a view as lines of text, for the clipboard and for files:
// a header line with the column titles, then one line per record with the
// stored value of each column's field as text (not its display text: a coded
// field gives its number, an empty field nothing). Every line, the last one
// included, ends with CR LF. Records are read by position, so the view does
// not move.
class RecordLines
{
public:
    // Throws EngineError when the view has no field of a column.
    RecordLines(DataSet& view, QList<TextColumn> columns, TextFormat format);

    void appendHeader(QString& text) const;
    void appendRecord(QString& text, int row) const;
    // The lines of the records at rows, read many at a time. before, when
    // given, runs before each record and stops the lines when it answers
    // false. Answers how many records were written.
    size_t appendRecords(QString& text, const std::vector<int>& rows,
                         const std::function<bool()>& before = {}) const;

private:
    void appendValues(QString& text, const QVariantList& values) const;
    void appendValue(QString& text, const QString& value, bool last) const;

    DataSet& m_view;
    QList<TextColumn> m_columns;
    QList<const Field*> m_fields;
    TextFormat m_format;
};

} // namespace kasplan::db
