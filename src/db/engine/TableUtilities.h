#pragma once

#include "TRestructure.h"

#include <QString>
#include <QVariant>

namespace kasplan::db {

class EngineTable;

// The table utilities built on the restructure. Each takes a table whose
// name and database are set; their refusals are EngineErrors that reach the
// caller, except SetValidityCheck's.

// Gives the table the language driver "DBWINWE0", the Western-European
// order that ignores case: our tables keep it in their order index (key
// fields compared case-blind first, then exactly), which is rebuilt.
void SetLanguageDriver(EngineTable& table);

// Gives the table a primary index on its first count fields. With operation
// Add a table that has one already is left alone; Modify sets it, Drop
// removes it. Refusals (kind IndexRefused): "Field count must be greater
// than 0", "Table must be opened exclusively to change the index", "Cannot
// specify more fields in an index than existing fields", "Table must be of
// type Paradox or dBASE 7".
void AddPrimaryIndex(EngineTable& table, int count, TDescOp operation);

// Changes one field's name and, where given (not pxUnknown, not 0), its type,
// length and precision, keeping its values.
void RenameField(EngineTable& table, const QString& fieldName, const TFieldDesc& newDesc);

// Renames oldName to newName and answers true; when the table has both, drops
// oldName (newName keeps its own values) and answers false; false too when
// it has no oldName.
bool RenameOrDropField(EngineTable& table, const QString& oldName, const QString& newName);

// Gives one field its checks: required, and the default, maximum and minimum
// values where their flags are set. Our tables keep a minimum of 0 only and
// no maximum, so other values are refused. Any failure is passed over: the
// caller learns nothing.
void SetValidityCheck(EngineTable& table, const QString& fieldName, bool required,
                      const QVariant& defaultValue, const QVariant& maximumValue,
                      const QVariant& minimumValue, bool hasDefault, bool hasMaximum,
                      bool hasMinimum);

// The two-line statements that add and drop a column, for SQLite: the first
// line names the table (with a trailing blank), the second the change.
QString AddColumnStatement(const QString& table, const QString& field, const QString& sqlType);
QString DropColumnStatement(const QString& table, const QString& field);

} // namespace kasplan::db
