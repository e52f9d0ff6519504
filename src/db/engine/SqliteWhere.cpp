#include "SqliteWhere.h"

#include "EngineError.h"
#include "SqliteSchema.h"

namespace kasplan::db {

namespace {

using SqliteSchema::quoted;

void render(const TableDef& table, const Condition& c, SqliteWhere& out)
{
    using Op = Condition::Op;
    switch (c.op) {
    case Op::True:
        out.sql += QLatin1String("1");
        return;
    case Op::And:
    case Op::Or:
        out.sql += QLatin1Char('(');
        for (size_t i = 0; i < c.children.size(); ++i) {
            if (i > 0)
                out.sql += c.op == Op::And ? QLatin1String(" AND ") : QLatin1String(" OR ");
            render(table, c.children[i], out);
        }
        out.sql += QLatin1Char(')');
        return;
    case Op::Not:
        out.sql += QLatin1String("NOT (");
        render(table, c.children.front(), out);
        out.sql += QLatin1Char(')');
        return;
    default:
        break;
    }

    const FieldDef* field = table.field(c.field);
    if (!field)
        throw EngineError::fieldNotFound(c.field);
    const QString f = quoted(field->name);
    const bool text = isText(field->type);
    const QString collate =
        (text && c.caseInsensitive) ? QStringLiteral(" COLLATE NOCASE") : QString();
    const bool emptyText = text && !c.value.isNull() && c.value.toString().isEmpty();

    switch (c.op) {
    case Op::IsNull:
        out.sql += text ? QStringLiteral("(%1 IS NULL OR %1 = '')").arg(f)
                        : QStringLiteral("%1 IS NULL").arg(f);
        return;
    case Op::IsNotNull:
        out.sql += text ? QStringLiteral("(%1 IS NOT NULL AND %1 <> '')").arg(f)
                        : QStringLiteral("%1 IS NOT NULL").arg(f);
        return;
    case Op::StartsWith: {
        if (!text)
            throw conditionTypeMismatch(field->name, c.value);
        const QString prefix = c.value.toString();
        if (prefix.isEmpty()) {
            out.sql += QStringLiteral("%1 IS NOT NULL").arg(f);
            return;
        }
        out.sql += QStringLiteral("substr(%1, 1, %2) = ?%3").arg(f).arg(prefix.size()).arg(collate);
        out.parameters.append(prefix);
        return;
    }
    case Op::Equal:
        if (emptyText) {
            out.sql += QStringLiteral("(%1 IS NULL OR %1 = '')").arg(f);
            return;
        }
        out.sql += QStringLiteral("%1 = ?%2").arg(f, collate);
        break;
    case Op::NotEqual:
        if (emptyText) {
            out.sql += QStringLiteral("(%1 IS NOT NULL AND %1 <> '')").arg(f);
            return;
        }
        // A blank field differs from every value.
        out.sql += QStringLiteral("(%1 IS NULL OR %1 <> ?%2)").arg(f, collate);
        break;
    case Op::Less:
        out.sql += QStringLiteral("%1 < ?%2").arg(f, collate);
        break;
    case Op::LessEqual:
        out.sql += QStringLiteral("%1 <= ?%2").arg(f, collate);
        break;
    case Op::Greater:
        out.sql += QStringLiteral("%1 > ?%2").arg(f, collate);
        break;
    case Op::GreaterEqual:
        out.sql += QStringLiteral("%1 >= ?%2").arg(f, collate);
        break;
    default:
        break;
    }
    out.parameters.append(conditionLiteral(*field, c.value));
}

} // namespace

SqliteWhere SqliteWhere::of(const TableDef& table, const Condition& condition)
{
    SqliteWhere w;
    render(table, condition, w);
    return w;
}

} // namespace kasplan::db
