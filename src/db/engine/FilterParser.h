#pragma once

#include "Condition.h"

#include <QString>

#include <functional>

namespace kasplan::db {

// Reads the filter text of a view, in the syntax the data module writes:
//   (Hoofdgroep = '3')
//   (Cultivar = 'O''Brien') and not (Source = '')
//   Kleur = 'rood*'            text beginning with "rood"
//   Status <> NULL
// Comparisons are =, <>, <, <=, >, >= between a field and a quoted text, a
// number or NULL, joined by and, or, not and brackets. A field is a name or a
// name in square brackets. Errors raise EngineError (FilterSyntax or
// FieldNotFound).
class FilterParser
{
public:
    struct Options
    {
        bool caseInsensitive = false;
        bool noPartialCompare = false;
    };

    // resolveField answers the field's own spelling, or empty text when the
    // view has no such field.
    using FieldResolver = std::function<QString(const QString&)>;

    static Condition parse(const QString& text, const FieldResolver& resolveField, Options options);
};

} // namespace kasplan::db
