#pragma once

#include "Condition.h"
#include "TableDef.h"

#include <QString>
#include <QVariantList>

namespace kasplan::db {

// A view's condition as an SQL WHERE text with its values kept apart as
// parameters, never pasted into the statement. Text compared without regard
// to case uses the database's case-blind order (letters A to Z); an empty
// text and a null field are the same "blank"; a blank field differs from
// every value.
struct SqliteWhere
{
    QString sql;
    QVariantList parameters;

    // Throws EngineError for a field the table lacks or a value that does
    // not fit the field's type.
    static SqliteWhere of(const TableDef& table, const Condition& condition);
};

} // namespace kasplan::db
