#include "TRestructure.h"

#include "EngineError.h"
#include "EngineSession.h"
#include "SqliteDatabase.h"

namespace kasplan::db {

using T = TdBasePxFieldType;

TRestructure::TRestructure(EngineSession& session) : m_table(session) {}

void TRestructure::SetDatabaseName(const QString& alias)
{
    m_table.setDatabaseName(alias);
}

void TRestructure::SetTableName(const QString& name)
{
    m_loaded = false;
    m_fields.clear();
    PrimaryIndexFieldCount = 0;
    m_table.setTableName(name);
    Load();
}

void TRestructure::Load()
{
    const bool wasOpen = m_table.isOpen();
    try {
        m_table.open();
    } catch (const EngineError& e) {
        if (e.kind() == ErrorKind::TableMissing || e.kind() == ErrorKind::UnknownAlias ||
            e.kind() == ErrorKind::DatabaseMissing)
            throw EngineError(ErrorKind::TableMissing, QStringLiteral("Table could not be opened"));
        throw;
    }
    const TableDef& def = m_table.def();
    m_tableType = m_table.tableType();
    m_tableLevel = EngineTable::ParadoxLevel;
    m_recordLocks = def.recordLocks;
    m_fields.clear();
    for (const FieldDef& f : def.fields) {
        TLoadedField entry;
        entry.def = f;
        entry.source = f.name;
        entry.nonNegative = def.nonNegative.contains(f.name, Qt::CaseInsensitive);
        entry.defaultValue = def.defaults.value(f.name);
        m_fields.append(entry);
    }
    // The key is the leading fields; a table whose key is not (no table of
    // ours) keeps its count of key fields.
    PrimaryIndexFieldCount = int(def.primaryKey.size());
    m_loaded = true;
    if (!wasOpen)
        m_table.close();
}

int TRestructure::FieldIndex(const QString& name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].op != TDescOp::Drop &&
            m_fields[i].def.name.compare(name, Qt::CaseInsensitive) == 0)
            return i + 1;
    }
    return 0;
}

bool TRestructure::FieldTypeAllowed(const QString& tableType, int level, TdBasePxFieldType type)
{
    const int t = int(type);
    if (tableType == QLatin1String(EngineTable::Paradox)) {
        switch (type) {
        case T::pxAlpha:
        case T::pxNumber:
        case T::pxMoney:
        case T::pxShort:
        case T::pxDate:
            return level >= 3;
        case T::pxMemo:
        case T::pxFormattedMemo:
        case T::pxGraphic:
        case T::pxOLE:
        case T::pxBinary:
            return level >= 4;
        case T::pxLongInteger:
        case T::pxBCD:
        case T::pxTime:
        case T::pxTimestamp:
        case T::pxLogical:
        case T::pxAutoincrement:
        case T::pxBytes:
            return level >= 5;
        default:
            return false;
        }
    }
    if (tableType == QLatin1String("DBASE")) {
        if (t < int(T::dbCharacter))
            return false;
        switch (type) {
        case T::dbCharacter:
        case T::dbNumber:
        case T::dbDate:
        case T::dbMemo:
        case T::dbLogical:
            return level >= 3;
        case T::dbFloat:
            return level >= 4;
        case T::dbOLE:
        case T::dbBinary:
            return level >= 5;
        default:
            return level >= 7;
        }
    }
    return false;
}

bool TRestructure::EngineFieldType(TdBasePxFieldType type, FieldType& into)
{
    switch (type) {
    case T::pxAlpha:
        into = FieldType::Alpha;
        return true;
    case T::pxNumber:
        into = FieldType::Number;
        return true;
    case T::pxMoney:
        into = FieldType::Money;
        return true;
    case T::pxShort:
        into = FieldType::Short;
        return true;
    case T::pxLongInteger:
        into = FieldType::Long;
        return true;
    case T::pxDate:
        into = FieldType::Date;
        return true;
    case T::pxMemo:
        into = FieldType::Memo;
        return true;
    case T::pxLogical:
        into = FieldType::Logical;
        return true;
    default:
        return false;
    }
}

void TRestructure::AddFieldDesc()
{
    if (!m_loaded)
        return;
    FieldType type = FieldType::Alpha;
    if (!FieldTypeAllowed(m_tableType, m_tableLevel, Field.FieldType) ||
        !EngineFieldType(Field.FieldType, type)) {
        if (OnFieldInappropriate)
            OnFieldInappropriate(*this, Field);
        return;
    }
    TLoadedField entry;
    entry.def.name = Field.Name.left(31);
    entry.def.type = type;
    entry.def.size = type == FieldType::Alpha ? Field.Length : 0;
    entry.op = TDescOp::Add;
    m_fields.append(entry);
}

void TRestructure::ModifyField(int index, const FieldDef& def)
{
    TLoadedField& entry = FieldAt(index);
    entry.def = def;
    if (entry.op == TDescOp::NoChange)
        entry.op = TDescOp::Modify;
}

void TRestructure::DropField(int index)
{
    FieldAt(index).op = TDescOp::Drop;
}

void TRestructure::DoRestructure()
{
    if (!m_loaded)
        return;
    const bool wasOpen = m_table.isOpen();
    const bool wasExclusive = m_table.exclusive();
    m_table.close();
    m_table.setExclusive(true);
    try {
        m_table.open();
    } catch (const EngineError& e) {
        m_table.setExclusive(wasExclusive);
        if (e.kind() == ErrorKind::ExclusiveAccess)
            throw;
        throw EngineError(ErrorKind::ExclusiveAccess,
                          QStringLiteral("Table could not be opened for exclusive access"));
    }
    m_table.setExclusive(wasExclusive);

    SqliteDatabase::TableRebuild rebuild;
    rebuild.table = m_table.def().name;
    rebuild.layout.name = rebuild.table;
    rebuild.layout.recordLocks = m_recordLocks;
    for (const TLoadedField& entry : std::as_const(m_fields)) {
        if (entry.op == TDescOp::Drop)
            continue;
        rebuild.layout.fields.append(entry.def);
        rebuild.sources.append(entry.op == TDescOp::Add ? QString() : entry.source);
        if (entry.nonNegative)
            rebuild.layout.nonNegative.append(entry.def.name);
        if (!entry.defaultValue.isNull())
            rebuild.layout.defaults.insert(entry.def.name, entry.defaultValue);
    }
    // The primary index is the leading fields; a count beyond them is the
    // engine's refusal, as the old restructure refused it.
    if (PrimaryIndexFieldCount > rebuild.layout.fields.size())
        throw EngineError(ErrorKind::IndexRefused,
                          QStringLiteral("Cannot specify more fields in an index than existing "
                                         "fields"));
    for (int i = 0; i < PrimaryIndexFieldCount; ++i)
        rebuild.layout.primaryKey.append(rebuild.layout.fields[i].name);

    SqliteDatabase& database = m_table.folderDatabase();
    m_table.close();
    database.rebuildTable(rebuild);
    if (wasOpen)
        m_table.open();
    Load();
    // Our checks are kept only where they check something, so none is left
    // that checks nothing.
}

} // namespace kasplan::db
