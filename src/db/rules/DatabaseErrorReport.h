#pragma once

#include <QString>

namespace kasplan {

// The report for a database that cannot be opened ("Error DB 1"): what went
// wrong, and that a restart will try to bring the database up to date.
QString DatabaseErrorText(const QString& databaseName, const QString& applicationName,
                          const QString& engineError);

} // namespace kasplan
