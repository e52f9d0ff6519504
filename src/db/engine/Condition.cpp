#include "Condition.h"

#include "EngineError.h"

#include <QDate>

namespace kasplan::db {

Condition Condition::compare(Op op, QString field, QVariant value, bool caseInsensitive)
{
    Condition c;
    c.op = op;
    c.field = std::move(field);
    c.value = std::move(value);
    c.caseInsensitive = caseInsensitive;
    return c;
}

Condition Condition::both(Condition a, Condition b)
{
    if (a.isTrue())
        return b;
    if (b.isTrue())
        return a;
    Condition c;
    c.op = Op::And;
    c.children.push_back(std::move(a));
    c.children.push_back(std::move(b));
    return c;
}

EngineError conditionTypeMismatch(const QString& field, const QVariant& value)
{
    return {ErrorKind::FilterSyntax,
            QStringLiteral("Type mismatch in expression: '%1' for field '%2'.")
                .arg(value.toString(), field)};
}

// The literal of a comparison in the field's type.
QVariant conditionLiteral(const FieldDef& field, const QVariant& value)
{
    switch (field.type) {
    case FieldType::Alpha:
    case FieldType::Memo:
        return value.toString();
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::Number:
    case FieldType::Money: {
        bool ok = false;
        const double d = value.toString().trimmed().toDouble(&ok);
        if (!ok)
            throw conditionTypeMismatch(field.name, value);
        return d;
    }
    case FieldType::Date: {
        const QDate date = value.typeId() == QMetaType::QDate
                               ? value.toDate()
                               : QDate::fromString(value.toString().trimmed(), Qt::ISODate);
        if (!date.isValid())
            throw conditionTypeMismatch(field.name, value);
        return date;
    }
    case FieldType::Logical: {
        if (value.typeId() == QMetaType::Bool)
            return value;
        const QString t = value.toString().trimmed().toUpper();
        if (t == QLatin1String("TRUE") || t == QLatin1String("1"))
            return true;
        if (t == QLatin1String("FALSE") || t == QLatin1String("0"))
            return false;
        throw conditionTypeMismatch(field.name, value);
    }
    }
    return value;
}

} // namespace kasplan::db
