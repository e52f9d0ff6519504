#pragma once

#include "Condition.h"
#include "TableDef.h"

#include <QString>
#include <QVariantList>

namespace kasplan::db {

// A view's condition as a PostgreSQL WHERE text, its values kept apart as
// numbered parameters ($1, $2, ...) from firstParameter on. The same rules
// as on SQLite: text compared without regard to case folds the letters A to
// Z only; an empty text and a null field are the same "blank"; a blank field
// differs from every value.
struct PgWhere
{
    QString sql;
    QVariantList parameters;

    // Throws EngineError for a field the table lacks or a value that does
    // not fit the field's type.
    static PgWhere of(const TableDef& table, const Condition& condition, int firstParameter = 1);
};

} // namespace kasplan::db
