#pragma once

#include "db/engine/RecordLines.h"

namespace kasplan::ExportColumns {

// The columns of the cultivar list (the cultivar data window's grid), which
// its clipboard export and `kasplan export cultivars` write: "Cultivar",
// "Herkomst", "Hoofdgroep", "Artikelcode bollen", "CertifNr", "Artikelcode
// bloemen", "Producttype bloemen".
QList<db::TextColumn> CultivarList();

// One line per cultivar size for `kasplan export sizes`, titled by field
// name: the key, the status and every forcing field in stored days, with
// Gstagemin as "dd/mm".
QList<db::TextColumn> SizeTable();

} // namespace kasplan::ExportColumns
