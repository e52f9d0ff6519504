#pragma once

#include "engine/TableDef.h"

namespace kasplan {

// The cultivar tables: Cdata (one record per cultivar and source), Csizes
// (per size: forcing parameters, stock, costs), Cstdoogst (standard harvest
// per planted and harvested size), Sizes and Locaties.
//
// Minimum checks: counts, day counts, quantities and prices may not be
// negative. Codes (main group, product type, units, use type, harvest
// distribution) and the storage temperature are not checked.
//
// Links: the sizes of a cultivar follow a change of its name or source and
// go with it when it is deleted; a size that has standard-harvest records
// keeps its key and cannot be deleted ("Master has detail records").
namespace CultivarSchema {

db::SchemaDef schema();
// One table of the schema; throws for a name it does not hold.
const db::TableDef& table(const QString& name);

} // namespace CultivarSchema
} // namespace kasplan
