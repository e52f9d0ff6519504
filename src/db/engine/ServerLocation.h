#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace kasplan::db {

// A database on a PostgreSQL server, as an engine configuration entry names
// it: libpq connection keywords (HOST, PORT, DBNAME, USER and any other) with
// their values. A password is never part of it: libpq reads it from the
// user's password file (~/.pgpass, or the file PGPASSFILE names).
using ServerParams = QList<QPair<QString, QString>>;

namespace ServerLocation {

inline constexpr const char* Driver = "PostgreSQL";

// Whether a location text (a setting that names a database location) names a
// server rather than a folder: "postgresql://..." or "postgres://...".
bool isServerText(const QString& text);
// The keywords of a location text (a URI or "key=value ..." keywords).
// Throws EngineError for text libpq does not understand or one that holds a
// password.
ServerParams parse(const QString& text);
// Throws EngineError when the keywords are not all libpq's, or one is a
// password.
void check(const QString& alias, const ServerParams& params);
// "kasplan op kas-server:5432", for messages.
QString describe(const ServerParams& params);
// The same keywords in one canonical text, to tell connections apart.
QString identity(const ServerParams& params);

} // namespace ServerLocation
} // namespace kasplan::db
