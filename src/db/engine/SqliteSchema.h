#pragma once

#include "TableDef.h"

#include <QStringList>

namespace kasplan::db {

class SqliteConnection;

// How the engine's tables are written into, and read back from, an SQLite
// file: column types in the old engine's SQL names, checks named after what
// they guard, foreign keys and triggers for the links, an index in each
// view's order, and the engine's own bookkeeping tables.
namespace SqliteSchema {

QString quoted(const QString& identifier);
QString typeName(const FieldDef& field);
FieldDef fieldFromColumn(const QString& name, const QString& declaredType);

// The statements that create the tables of schema in an empty file.
QStringList createStatements(const SchemaDef& schema);
// One column as CREATE TABLE or ALTER TABLE ... ADD COLUMN writes it: type,
// key and required rules, length, minimum and default.
QString columnDefinition(const TableDef& table, const FieldDef& field);
// The index that keeps a view's order, for a table with a primary key.
QString orderIndexName(const QString& table);
QString orderIndexStatement(const TableDef& table);
// A constant as SQL writes it ('text', 12, 1.5).
QString literal(const QVariant& value);
// The engine's bookkeeping (record locks, table options); safe to repeat.
QStringList bookkeepingStatements();

bool hasTable(SqliteConnection& connection, const QString& table);
// Whether the file holds any table besides the engine's bookkeeping.
bool hasDataTables(SqliteConnection& connection);
// Reads a table's layout from the file; throws tableMissing.
TableDef readTable(SqliteConnection& connection, const QString& table);

// The ORDER BY of a view on the table (key fields, case-blind first).
QString orderBy(const TableDef& table);

inline constexpr const char* LockTable = "engine_record_locks";
inline constexpr const char* OptionsTable = "engine_tables";
inline constexpr const char* SessionTable = "engine_sessions";

} // namespace SqliteSchema
} // namespace kasplan::db
