#include "TableDef.h"

namespace kasplan::db {

int TableDef::indexOf(const QString& name) const
{
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

const FieldDef* TableDef::field(const QString& name) const
{
    const int i = indexOf(name);
    return i < 0 ? nullptr : &fields[i];
}

bool TableDef::isKeyField(const QString& name) const
{
    return primaryKey.contains(name, Qt::CaseInsensitive);
}

const TableDef* SchemaDef::table(const QString& name) const
{
    for (const TableDef& t : tables) {
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

} // namespace kasplan::db
