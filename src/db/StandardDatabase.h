#pragma once

#include <QString>

#include <functional>

namespace kasplan {

namespace db {
class Database;
class EngineSession;
} // namespace db

// The standard database 'BROEI' as delivered: the cultivar tables with the
// standard records (status "DLV/LBO") read from the data files compiled into
// the program (data/standard-*.csv).
class StandardDatabase
{
public:
    // Creates the database in folder unless the folder holds one already; a
    // database that exists is never touched. Answers true when it created
    // one. Throws EngineError when the folder cannot be written. Two copies
    // starting at once cannot both create it: the file is built aside and
    // put in place only if none appeared meanwhile. fill, when given, adds
    // to the new database before it is put in place (an import of old
    // tables), so that a database that exists is always complete.
    static bool ensureCreated(const QString& folder,
                              const std::function<void(db::Database&)>& fill = {});

    // For start-up: registers 'BROEI' at the standard database folder when
    // the engine configuration has no such alias, creates its database there
    // on first start, and answers the alias's folder. A 'BROEI' pointed at
    // another folder (a share) is left as it is: a share that is not
    // mounted must not quietly get a database of its own. A folder holding
    // old cultivar tables is evidently the one meant, and gets one too.
    // Tells the session to lay out an empty server database with the
    // delivered records as well.
    static QString prepare(db::EngineSession& session);

    // Adds the delivered records to an empty database.
    static void addStandardRecords(db::Database& database);
};

} // namespace kasplan
