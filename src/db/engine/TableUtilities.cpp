#include "TableUtilities.h"

#include "EngineError.h"
#include "EngineTable.h"
#include "SqliteDatabase.h"
#include "SqliteSchema.h"

namespace kasplan::db {

namespace {

EngineError indexRefused(const char* text)
{
    return EngineError(ErrorKind::IndexRefused, QLatin1String(text));
}

QString firstLine(const QString& table)
{
    return QStringLiteral("ALTER TABLE %1 ")
        .arg(SqliteSchema::quoted(EngineTable::storedName(table)));
}

} // namespace

QString AddColumnStatement(const QString& table, const QString& field, const QString& sqlType)
{
    return firstLine(table) +
           QStringLiteral("\nADD COLUMN %1 %2").arg(SqliteSchema::quoted(field), sqlType);
}

QString DropColumnStatement(const QString& table, const QString& field)
{
    return firstLine(table) + QStringLiteral("\nDROP COLUMN %1").arg(SqliteSchema::quoted(field));
}

void SetLanguageDriver(EngineTable& table)
{
    table.open();
    const QString name = table.def().name;
    SqliteDatabase& database = table.folderDatabase();
    table.close();
    database.rebuildOrderIndex(name);
}

void AddPrimaryIndex(EngineTable& table, int count, TDescOp operation)
{
    if (count == 0 && operation != TDescOp::Drop)
        throw indexRefused("Field count must be greater than 0");
    table.open();
    if (!table.exclusive()) {
        table.close();
        throw indexRefused("Table must be opened exclusively to change the index");
    }
    const TableDef def = table.def();
    if (operation == TDescOp::Add && !def.primaryKey.isEmpty()) {
        table.close();
        return;
    }
    if (count > def.fields.size()) {
        table.close();
        throw indexRefused("Cannot specify more fields in an index than existing fields");
    }
    if (table.tableType() != QLatin1String(EngineTable::Paradox)) {
        table.close();
        throw indexRefused("Table must be of type Paradox or dBASE 7");
    }
    table.close();
    TRestructure restructure(table.session());
    restructure.SetDatabaseName(table.databaseName());
    restructure.SetTableName(table.tableName());
    restructure.PrimaryIndexFieldCount = operation == TDescOp::Drop ? 0 : std::min(count, 16);
    restructure.DoRestructure();
}

void RenameField(EngineTable& table, const QString& fieldName, const TFieldDesc& newDesc)
{
    table.close();
    table.setExclusive(true);
    table.open();
    TRestructure restructure(table.session());
    restructure.SetDatabaseName(table.databaseName());
    restructure.SetTableName(table.tableName());
    const int index = restructure.FieldIndex(fieldName);
    if (index == 0)
        throw EngineError::fieldNotFound(fieldName);
    FieldDef def = restructure.FieldAt(index).def;
    if (!newDesc.Name.isEmpty())
        def.name = newDesc.Name.left(31);
    if (newDesc.FieldType != TdBasePxFieldType::pxUnknown) {
        FieldType type;
        if (!TRestructure::EngineFieldType(newDesc.FieldType, type))
            throw EngineError(
                ErrorKind::InvalidValue,
                QStringLiteral("Field type not supported.\nField: %1").arg(fieldName));
        def.type = type;
    }
    if (newDesc.Length != 0 && def.type == FieldType::Alpha)
        def.size = newDesc.Length;
    restructure.ModifyField(index, def);
    table.close();
    restructure.DoRestructure();
}

bool RenameOrDropField(EngineTable& table, const QString& oldName, const QString& newName)
{
    table.open();
    const TableDef def = table.def();
    if (!def.field(oldName))
        return false;
    if (def.field(newName)) {
        table.close();
        table.folderDatabase().alterTable(DropColumnStatement(def.name, def.field(oldName)->name));
        return false;
    }
    TFieldDesc rename;
    rename.Name = newName;
    RenameField(table, oldName, rename);
    return true;
}

void SetValidityCheck(EngineTable& table, const QString& fieldName, bool required,
                      const QVariant& defaultValue, const QVariant& maximumValue,
                      const QVariant& minimumValue, bool hasDefault, bool hasMaximum,
                      bool hasMinimum)
{
    try {
        table.open();
        TRestructure restructure(table.session());
        restructure.SetDatabaseName(table.databaseName());
        restructure.SetTableName(table.tableName());
        const int index = restructure.FieldIndex(fieldName);
        if (index == 0)
            throw EngineError::fieldNotFound(fieldName);
        if ((hasMaximum && !maximumValue.isNull()) ||
            (hasMinimum && minimumValue.toDouble() != 0.0))
            throw EngineError(ErrorKind::InvalidValue,
                              QStringLiteral("Only a minimum of 0 can be checked."));
        TLoadedField& entry = restructure.FieldAt(index);
        FieldDef def = entry.def;
        def.required = required;
        if (hasDefault)
            entry.defaultValue = defaultValue;
        if (hasMinimum)
            entry.nonNegative = true;
        restructure.ModifyField(index, def);
        table.close();
        restructure.DoRestructure();
    } catch (const EngineError&) {
        table.close();
    }
}

} // namespace kasplan::db
