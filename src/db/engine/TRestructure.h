#pragma once

#include "EngineTable.h"
#include "TableDef.h"

#include <QList>
#include <QString>

#include <functional>

namespace kasplan::db {

class EngineSession;

// The field types of the old engine's restructure, in their order.
enum class TdBasePxFieldType {
    pxUnknown,
    pxAlpha,
    pxNumber,
    pxMoney,
    pxShort,
    pxLongInteger,
    pxBCD,
    pxDate,
    pxTime,
    pxTimestamp,
    pxMemo,
    pxFormattedMemo,
    pxGraphic,
    pxOLE,
    pxLogical,
    pxAutoincrement,
    pxBinary,
    pxBytes,
    dbCharacter,
    dbFloat,
    dbNumber,
    dbDate,
    dbMemo,
    dbLogical,
    dbOLE,
    dbBinary,
    dbLong,
    dbDateTime,
    dbDouble,
    dbAutoincrement,
    dbBytes,
    dbLock,
};

// A field to add or the new form of one (at most 31 characters of the name
// count).
struct TFieldDesc
{
    QString Name;
    TdBasePxFieldType FieldType = TdBasePxFieldType::pxUnknown;
    int Length = 0;
    int Precision = 0;
};

// What a restructure does with an entry of the description.
enum class TDescOp { NoChange = 0, Add = 1, Modify = 2, Drop = 3 };

// One field of the loaded description.
struct TLoadedField
{
    FieldDef def;
    // The field whose values it keeps; empty for a field being added.
    QString source;
    TDescOp op = TDescOp::NoChange;
    bool nonNegative = false;
    // The value for a record that names none; null for none.
    QVariant defaultValue;
};

// Rewrites a table from a description of its fields, checks and primary
// index: load the table's description by naming it, change the description,
// then DoRestructure. Our folder tables answer as Paradox tables of level 7;
// the field types that level accepts but the engine has no storage for
// (BCD, time, timestamp, the binary and graphic types, autoincrement,
// formatted memo) count as inappropriate too.
class TRestructure
{
public:
    explicit TRestructure(EngineSession& session);

    // The field AddFieldDesc adds.
    TFieldDesc Field;
    // The rewritten table is always a fresh one with its indexes rebuilt;
    // the flag is kept for the callers that set it.
    bool PackTable = false;
    // The leading fields that form the primary index; loading sets it to
    // the table's own.
    int PrimaryIndexFieldCount = 0;
    // Called with the field that the table does not accept.
    std::function<void(TRestructure& sender, const TFieldDesc& field)> OnFieldInappropriate;

    void SetDatabaseName(const QString& alias);
    const QString& DatabaseName() const { return m_table.databaseName(); }
    // Discards the loaded description and loads the table's; throws "Table
    // could not be opened" when it cannot be read.
    void SetTableName(const QString& name);
    const QString& TableName() const { return m_table.tableName(); }

    bool Loaded() const { return m_loaded; }
    QString TableType() const { return m_tableType; }
    int TableLevel() const { return m_tableLevel; }
    const QList<TLoadedField>& Fields() const { return m_fields; }

    // Position from 1 of the field of that name, case ignored; 0 for none.
    int FieldIndex(const QString& name) const;
    // Appends Field to the description (nothing when none is loaded), or
    // calls OnFieldInappropriate when the table does not take its type.
    void AddFieldDesc();
    // Rewrites the table from the description and loads it again. Throws
    // "Table could not be opened for exclusive access" while another copy
    // has the database open; the engine's refusals (a key violation of a new
    // primary index) pass unchanged.
    void DoRestructure();

    // Changes to the loaded description, for the table utilities.
    void ModifyField(int index, const FieldDef& def);
    void DropField(int index);
    TLoadedField& FieldAt(int index) { return m_fields[index - 1]; }

    // Whether a table of the type and level takes fields of the type.
    static bool FieldTypeAllowed(const QString& tableType, int level, TdBasePxFieldType type);
    // The engine's field for the type; false for a type it cannot store.
    static bool EngineFieldType(TdBasePxFieldType type, FieldType& into);

private:
    void Load();

    EngineTable m_table;
    bool m_loaded = false;
    QString m_tableType;
    int m_tableLevel = 0;
    QList<TLoadedField> m_fields;
    bool m_recordLocks = false;
};

} // namespace kasplan::db
