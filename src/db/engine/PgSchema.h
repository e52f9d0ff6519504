#pragma once

#include "TableDef.h"

#include <QStringList>

namespace kasplan::db {

class PgConnection;

// How the engine's tables are laid out in a PostgreSQL database. Names are
// kept in lower case on the server (so plain SQL finds them unquoted) and in
// their own spelling in the engine's bookkeeping, which also records each
// field's type, so that a table read back says what it is. Text columns use
// the "C" collation: the server then orders and folds letters exactly as the
// views do (A to Z only).
namespace PgSchema {

QString quoted(const QString& identifier);
// The column of a field or table: its name in lower case, quoted.
QString column(const QString& name);

// The statements that create the tables of schema, with the bookkeeping, in
// a database that holds no tables.
QStringList createStatements(const SchemaDef& schema);

// Whether the current schema holds any table at all.
bool holdsTables(PgConnection& connection);
// Whether the database carries the engine's own mark.
bool isEngineDatabase(PgConnection& connection);
// What differs between the tables on the server and those of schema; empty
// when every table of schema is there with its fields.
QString layoutDifference(PgConnection& connection, const SchemaDef& schema);
// Reads a table's layout from the bookkeeping; throws tableMissing.
TableDef readTable(PgConnection& connection, const QString& table);
bool hasTable(PgConnection& connection, const QString& table);
// Every table's layout, for naming the columns of a free SELECT.
QList<TableDef> readAllTables(PgConnection& connection);

// The ORDER BY of a view on the table (key fields, case-blind first).
QString orderBy(const TableDef& table);
// The hidden key of a table that has no primary key.
inline constexpr const char* RowIdColumn = "engine_rowid";

inline constexpr const char* MarkTable = "engine_database";
inline constexpr const char* TablesTable = "engine_tables";
inline constexpr const char* FieldsTable = "engine_fields";
inline constexpr const char* SessionsTable = "engine_sessions";
inline constexpr const char* ProgramMark = "Kasplan";

} // namespace PgSchema
} // namespace kasplan::db
