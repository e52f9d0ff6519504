#pragma once

#include "ParadoxWriter.h"

#include <QList>
#include <QString>
#include <QVariantList>

namespace kasplan {
namespace db {
class Database;
}

namespace test {

// One old table of a fixture: its file name, fields and records.
struct OldTableData
{
    QString file;  // "Cdata.DB"
    QString table; // today's table it goes to
    QList<paradox::Field> fields;
    int keyFieldCount = 0;
    QList<QVariantList> rows;

    int fieldIndex(const QString& name) const;
    // Sets a field of a row; the field must exist.
    void set(int row, const QString& field, const QVariant& value);
};

// A folder of old cultivar tables as the old program kept them: the five
// tables with today's fields in the old engine's types (memo fields with a
// 240-byte leader), protected with the program's password. Records are
// generated from their number, so they repeat exactly, with accented text,
// nulls and memos in the leader, in small-blob and in single-blob blocks.
class OldDatabase
{
public:
    // cultivars records in Cdata, sizesPerCultivar (1 to 3) sizes each in
    // Csizes, two standard-harvest records for each cultivar's first size,
    // the three sizes and two storage locations.
    static OldDatabase sample(int cultivars, int sizesPerCultivar);

    // Writes the same kind of folder record by record without keeping the
    // records, for databases too large to hold in memory.
    static void writeSample(const QString& folder, int cultivars, int sizesPerCultivar,
                            const ParadoxTableSpec& format);

    // The layout of today's table as an old table.
    static OldTableData layout(const QString& table);

    QList<OldTableData> tables;
    // Version, code page, password and block size of every table written.
    ParadoxTableSpec format = defaultFormat();

    static ParadoxTableSpec defaultFormat();

    OldTableData& table(const QString& name);
    void write(const QString& folder) const;

    // The first difference between the records as written and as database
    // holds them, by key and field; empty when every record and field
    // agrees.
    QString differences(db::Database& database) const;
};

} // namespace test
} // namespace kasplan
