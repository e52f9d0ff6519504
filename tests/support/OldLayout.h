#pragma once

#include "db/engine/TableDef.h"

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QStringList>

namespace kasplan {
namespace db {
class Database;
}

namespace test {

// Cultivar databases of earlier layouts, written with SQL as the earlier
// versions left them.
namespace OldLayout {

// The oldest layout: Cdata with "CurrencyUnit" and without "StdOogstType" and
// "SK1".."SK4"; Csizes with "Qtypermeter" in place of "Qtypermetermin" and
// "Qtypermetermax" and without "Locatie_broei" and "Locatie_pltgd"; Sizes
// without its primary key.
db::SchemaDef oldestSchema();
// Today's layout with fields of the oldest added back or taken away, for the
// cases in between.
void addField(db::SchemaDef& schema, const QString& table, const db::FieldDef& field);
void removeField(db::SchemaDef& schema, const QString& table, const QString& field);

// Writes a new cultivars.sqlite of schema with cultivars records in Cdata
// (every fourth without a source), sizesPerCultivar sizes each (1 to 3), two
// standard-harvest records for each cultivar's first size, the three sizes
// and two locations. Fields the schema lacks are left out; the values come
// from the record's number, so they repeat exactly.
void write(const QString& file, const db::SchemaDef& schema, int cultivars, int sizesPerCultivar);

// The number of records of table and a hash of the values of columns, in
// key order (or row order for a table without a key).
QPair<int, QByteArray> contents(db::Database& database, const QString& table,
                                const QStringList& columns);
// The columns of a table as the file holds them, in order.
QStringList columns(db::Database& database, const QString& table);

} // namespace OldLayout
} // namespace test
} // namespace kasplan
