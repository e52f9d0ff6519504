#pragma once

#include <QString>

namespace kasplan::paradox {

// The path of the file of that name in folder, its case ignored as the old
// platform ignored it ("CDATA.DB", "Cdata.db"); empty when there is none.
QString findInFolder(const QString& folder, const QString& fileName);

} // namespace kasplan::paradox
