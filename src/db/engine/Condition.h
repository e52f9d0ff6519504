#pragma once

#include "TableDef.h"

#include <QString>
#include <QVariant>

#include <vector>

namespace kasplan::db {

// A condition over the fields of one table, as a tree. Views build it from
// their filter text, their master's link fields and a locate, and the
// database backend turns it into its own query language with the values as
// parameters, never as text pasted into a statement.
struct Condition
{
    enum class Op {
        True,
        And,
        Or,
        Not,
        Equal,
        NotEqual,
        Less,
        LessEqual,
        Greater,
        GreaterEqual,
        StartsWith, // text fields only
        IsNull,     // for text fields: null or empty text
        IsNotNull,
    };

    Op op = Op::True;
    QString field;
    QVariant value;
    bool caseInsensitive = false;
    std::vector<Condition> children;

    bool isTrue() const { return op == Op::True; }

    static Condition compare(Op op, QString field, QVariant value, bool caseInsensitive = false);
    // Both conditions; a True side drops out.
    static Condition both(Condition a, Condition b);
};

class EngineError;

// The value of a comparison in the field's type, for a backend to bind;
// throws a FilterSyntax error when it does not fit.
QVariant conditionLiteral(const FieldDef& field, const QVariant& value);
EngineError conditionTypeMismatch(const QString& field, const QVariant& value);

} // namespace kasplan::db
