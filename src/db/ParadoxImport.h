#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace kasplan {

namespace db {
class Database;
}

struct ParadoxImportOptions
{
    // Reports what would happen and writes nothing.
    bool dryRun = false;
    // Takes the good records even when some break a rule of today's tables,
    // and lists those it left out; without it such records stop the import.
    bool skipBad = false;
    // The code page of the old tables' text (see paradox::ReadOptions).
    std::optional<int> codePage;
    // Told how far the import is, 0 to 100.
    std::function<void(double percent)> progress;
};

// What became of one old table.
struct ParadoxTableSummary
{
    QString file;  // the old file's name as found in the folder
    QString table; // today's table
    int read = 0;
    int added = 0;
    int updated = 0;
    int unchanged = 0;
    int leftOut = 0;
    // Old fields whose values stay behind: today's table has no field of
    // that name, or one of a kind the old values do not fit.
    QStringList fieldsNotTaken;
};

// A record that was not taken, and why.
struct ParadoxLeftOut
{
    QString file;
    int record = 0; // its place in the old table, from 1
    QString key;    // "Cultivar 'X', Source 'NL'"
    QString reason;
};

struct ParadoxImportResult
{
    QString folder;
    QList<ParadoxTableSummary> tables;
    QList<ParadoxLeftOut> leftOut;
    // Bad records stopped the import: nothing was changed.
    bool refused = false;
    // The changes are in the database.
    bool written = false;
};

// Takes the cultivar tables of an old database folder ("Cdata.DB",
// "Csizes.DB", "Cstdoogst.DB", "Sizes.DB", "Locaties.db" with their memo
// files, names matched without regard to case) into today's tables, in one
// transaction. A record whose key exists is updated field by field (every
// field whose name today's table also has), the others are added; fields the
// old table lacks keep their values or defaults. Status texts are taken as
// they are, so standard records stay standard records. The old files are only
// read.
//
// A record that breaks a rule of today's tables (a text too long, a negative
// count, an empty name, a key that comes twice, a size without its cultivar)
// is not taken; unless skipBad is set the import then changes nothing.
class ParadoxImport
{
public:
    // The old tables in the order they are taken (masters before details).
    static QStringList fileNames();
    // True when folder holds an old cultivar table ("Cdata.DB").
    static bool folderHoldsOldTables(const QString& folder);

    // Throws paradox::FormatError for a damaged old table and
    // db::EngineError when the database fails; nothing is changed then.
    // A folder without any of the tables gives a result without tables.
    static ParadoxImportResult run(db::Database& database, const QString& folder,
                                   const ParadoxImportOptions& options);

    // The summary in Dutch: a line per table, the records left out with
    // their reasons, and what was done.
    static QStringList reportLines(const ParadoxImportResult& result,
                                   const ParadoxImportOptions& options);
};

} // namespace kasplan
