#include "PgWhere.h"

#include "EngineError.h"
#include "PgSchema.h"

namespace kasplan::db {

namespace {

using PgSchema::column;

// The server's type of a comparison value, so that a whole-number column
// compared with 12.5 compares as numbers, as on SQLite.
const char* castOf(FieldType type)
{
    switch (type) {
    case FieldType::Alpha:
    case FieldType::Memo:
        return "::text";
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::Number:
    case FieldType::Money:
        return "::float8";
    case FieldType::Date:
        return "::date";
    case FieldType::Logical:
        return "::boolean";
    }
    return "::text";
}

class Renderer
{
public:
    Renderer(const TableDef& table, PgWhere& out, int first)
        : m_table(table), m_out(out), m_next(first)
    {
    }

    void render(const Condition& c)
    {
        using Op = Condition::Op;
        switch (c.op) {
        case Op::True:
            m_out.sql += QLatin1String("TRUE");
            return;
        case Op::And:
        case Op::Or:
            m_out.sql += QLatin1Char('(');
            for (size_t i = 0; i < c.children.size(); ++i) {
                if (i > 0)
                    m_out.sql += c.op == Op::And ? QLatin1String(" AND ") : QLatin1String(" OR ");
                render(c.children[i]);
            }
            m_out.sql += QLatin1Char(')');
            return;
        case Op::Not:
            m_out.sql += QLatin1String("NOT (");
            render(c.children.front());
            m_out.sql += QLatin1Char(')');
            return;
        default:
            break;
        }
        comparison(c);
    }

private:
    QString parameter(const QVariant& value, FieldType type)
    {
        // Text in the "C" collation, as the columns: lower() then folds the
        // letters A to Z only, on both sides.
        m_out.parameters.append(value);
        return QStringLiteral("$%1%2%3").arg(m_next++).arg(
            QLatin1String(castOf(type)),
            isText(type) ? QStringLiteral(" COLLATE \"C\"") : QString());
    }

    void comparison(const Condition& c)
    {
        using Op = Condition::Op;
        const FieldDef* field = m_table.field(c.field);
        if (!field)
            throw EngineError::fieldNotFound(c.field);
        const QString f = column(field->name);
        const bool text = isText(field->type);
        const bool folded = text && c.caseInsensitive;
        const bool emptyText = text && !c.value.isNull() && c.value.toString().isEmpty();
        const auto side = [&](const QString& s) {
            return folded ? QStringLiteral("lower(%1)").arg(s) : s;
        };

        switch (c.op) {
        case Op::IsNull:
            m_out.sql += text ? QStringLiteral("(%1 IS NULL OR %1 = '')").arg(f)
                              : QStringLiteral("%1 IS NULL").arg(f);
            return;
        case Op::IsNotNull:
            m_out.sql += text ? QStringLiteral("(%1 IS NOT NULL AND %1 <> '')").arg(f)
                              : QStringLiteral("%1 IS NOT NULL").arg(f);
            return;
        case Op::StartsWith: {
            if (!text)
                throw conditionTypeMismatch(field->name, c.value);
            const QString prefix = c.value.toString();
            if (prefix.isEmpty()) {
                m_out.sql += QStringLiteral("%1 IS NOT NULL").arg(f);
                return;
            }
            const QString p = parameter(prefix, field->type);
            m_out.sql += QStringLiteral("starts_with(%1, %2)").arg(side(f), side(p));
            return;
        }
        case Op::Equal:
            if (emptyText) {
                m_out.sql += QStringLiteral("(%1 IS NULL OR %1 = '')").arg(f);
                return;
            }
            break;
        case Op::NotEqual:
            if (emptyText) {
                m_out.sql += QStringLiteral("(%1 IS NOT NULL AND %1 <> '')").arg(f);
                return;
            }
            break;
        default:
            break;
        }
        const QString p = parameter(conditionLiteral(*field, c.value), field->type);
        const QString value = side(p);
        const QString left = side(f);
        switch (c.op) {
        case Op::Equal:
            m_out.sql += QStringLiteral("%1 = %2").arg(left, value);
            break;
        case Op::NotEqual:
            // A blank field differs from every value.
            m_out.sql += QStringLiteral("(%1 IS NULL OR %2 <> %3)").arg(f, left, value);
            break;
        case Op::Less:
            m_out.sql += QStringLiteral("%1 < %2").arg(left, value);
            break;
        case Op::LessEqual:
            m_out.sql += QStringLiteral("%1 <= %2").arg(left, value);
            break;
        case Op::Greater:
            m_out.sql += QStringLiteral("%1 > %2").arg(left, value);
            break;
        case Op::GreaterEqual:
            m_out.sql += QStringLiteral("%1 >= %2").arg(left, value);
            break;
        default:
            break;
        }
    }

    const TableDef& m_table;
    PgWhere& m_out;
    int m_next;
};

} // namespace

PgWhere PgWhere::of(const TableDef& table, const Condition& condition, int firstParameter)
{
    PgWhere w;
    Renderer(table, w, firstParameter).render(condition);
    return w;
}

} // namespace kasplan::db
