#include "Condition.h"

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

} // namespace kasplan::db
