#include "StandardDatabase.h"

#include "CsvReader.h"
#include "CultivarSchema.h"
#include "ParadoxImport.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/Locations.h"
#include "engine/EngineError.h"
#include "engine/EngineSession.h"
#include "engine/HostIdentity.h"
#include "engine/SqliteDatabase.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kasplan {

namespace {

using db::EngineError;
using db::ErrorKind;
using db::FieldDef;
using db::FieldType;

// Only day and month of the earliest G-stage date count; the delivered
// records keep them in a leap year so that 29/02 stays possible.
constexpr int DeliveredYear = 2000;

EngineError dataError(const QString& file, const QString& what)
{
    return {ErrorKind::Other,
            QStringLiteral("Standard data file %1 cannot be read: %2").arg(file, what)};
}

QVariant valueOf(const QString& file, const FieldDef& field, const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    bool ok = true;
    QVariant v;
    switch (field.type) {
    case FieldType::Alpha:
    case FieldType::Memo:
        return text;
    case FieldType::Short:
    case FieldType::Long:
        v = t.toInt(&ok);
        break;
    case FieldType::Number:
    case FieldType::Money:
        v = t.toDouble(&ok);
        break;
    case FieldType::Date: {
        // dd/mm, or a full ISO date.
        QDate d = QDate::fromString(t, Qt::ISODate);
        const QStringList parts = t.split(QLatin1Char('/'));
        if (!d.isValid() && parts.size() == 2)
            d = QDate(DeliveredYear, parts[1].toInt(), parts[0].toInt());
        ok = d.isValid();
        v = d;
        break;
    }
    case FieldType::Logical:
        ok = t == QLatin1String("true") || t == QLatin1String("false");
        v = t == QLatin1String("true");
        break;
    }
    if (!ok)
        throw dataError(file, QStringLiteral("'%1' is no value for %2").arg(text, field.name));
    return v;
}

CsvReader readResource(const QString& name)
{
    QFile f(QStringLiteral(":/standard-data/") + name);
    if (!f.open(QIODevice::ReadOnly))
        throw dataError(name, QStringLiteral("not compiled into the program"));
    CsvReader csv;
    if (!csv.parse(f.readAll()))
        throw dataError(name, csv.error());
    return csv;
}

// Fills one or more tables from a file whose columns are fields of those
// tables; a record is added once per distinct key (a cultivar's common
// fields repeat on each of its size lines and must agree).
void load(db::Database& database, const QString& name, const QStringList& tables)
{
    const CsvReader csv = readResource(name);
    for (const QString& column : csv.header()) {
        const bool known = std::any_of(tables.begin(), tables.end(), [&](const QString& t) {
            return CultivarSchema::table(t).field(column) != nullptr;
        });
        if (!known)
            throw dataError(name, QStringLiteral("column %1 belongs to no table").arg(column));
    }
    for (const QString& tableName : tables) {
        const db::TableDef table = database.tableDef(tableName);
        QStringList fields;
        QList<int> columns;
        for (int c = 0; c < csv.header().size(); ++c) {
            if (const FieldDef* f = table.field(csv.header()[c])) {
                fields.append(f->name);
                columns.append(c);
            }
        }
        QHash<QString, QVariantList> added;
        for (const QStringList& row : csv.rows()) {
            QVariantList values;
            for (int i = 0; i < fields.size(); ++i)
                values.append(valueOf(name, *table.field(fields[i]), row[columns[i]]));
            QStringList key;
            for (const QString& k : table.primaryKey)
                key.append(values.value(int(fields.indexOf(k))).toString());
            const QString keyText = key.join(QChar(0x1f));
            if (added.contains(keyText)) {
                if (added.value(keyText) != values)
                    throw dataError(name, QStringLiteral("%1 %2 differs between its lines")
                                              .arg(tableName, key.join(QLatin1Char(' '))));
                continue;
            }
            database.insertRow(table, fields, values);
            added.insert(keyText, values);
        }
    }
}

void syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The database is built under a name of its own beside its place, so that
// no other copy ever opens it half made:
// ".cultivars.sqlite.<machine>.<process>-<random>.new", and its journal.
QString buildingName(const db::HostIdentity& self)
{
    return QStringLiteral(".%1.%2.%3-%4.new")
        .arg(QLatin1String(db::SqliteDatabase::FileName), self.hostId)
        .arg(self.pid)
        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

// A copy killed while building leaves its files behind; they are removed
// once their process is gone. Files of another computer sharing the folder
// stay: whether their process runs cannot be told from here. Earlier
// versions wrote no machine into the name; those are taken for this one's.
void removeLeftovers(const QString& folder, const db::HostIdentity& self)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\.%1\\.(?:(.+)\\.)?(\\d+)-[0-9a-f]{8}\\.new(?:-journal)?$")
            .arg(QRegularExpression::escape(QLatin1String(db::SqliteDatabase::FileName))));
    QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral(".*.new*")}, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (!m.hasMatch())
            continue;
        const QString host = m.captured(1);
        if ((host.isEmpty() || host == self.hostId) &&
            !db::HostIdentity::processAlive(m.captured(2).toLongLong()))
            dir.remove(name);
    }
}

// Holds the database folder to itself while an empty database file is
// replaced, so that a copy starting at the same moment cannot take the new
// database for the empty one. Where the folder cannot be locked the copies
// go on unguarded, as before.
class FolderLock
{
public:
    explicit FolderLock(const QString& folder)
        : m_fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (m_fd >= 0) {
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd;
};

// A zero-byte or table-less file (a copy died while making it, or an
// earlier version gave an empty file its bookkeeping tables) holds nothing
// to keep, yet it stands where the standard database belongs. It is moved
// into the backups folder, with its journal, so the standard database can be
// made. Answers false when it could not be moved.
bool moveEmptyDatabaseAside(const QString& file)
{
    const QString backups = AppBackupDir();
    QDir().mkpath(backups);
    const QString stamp = Clock::current().now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = QDir(backups).absoluteFilePath(
        QStringLiteral("%1.%2.empty").arg(QLatin1String(db::SqliteDatabase::FileName), stamp));
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = QDir(backups).absoluteFilePath(
            QStringLiteral("%1.%2-%3.empty")
                .arg(QLatin1String(db::SqliteDatabase::FileName), stamp)
                .arg(n));
    if (!QFile::rename(file, target))
        return false;
    const QString journal = file + QStringLiteral("-journal");
    if (QFileInfo::exists(journal))
        QFile::rename(journal, target + QStringLiteral("-journal"));
    return true;
}

} // namespace

void StandardDatabase::addStandardRecords(db::Database& database)
{
    load(database, QStringLiteral("standard-sizes.csv"), {QStringLiteral("Sizes")});
    load(database, QStringLiteral("standard-locations.csv"), {QStringLiteral("Locaties")});
    load(database, QStringLiteral("standard-cultivars.csv"),
         {QStringLiteral("Cdata"), QStringLiteral("Csizes")});
}

bool StandardDatabase::ensureCreated(const QString& folder,
                                     const std::function<void(db::Database&)>& fill)
{
    if (!QDir().mkpath(folder))
        throw EngineError(
            ErrorKind::DatabaseMissing,
            QStringLiteral("Cannot create the database folder.\nFolder: %1").arg(folder));
    const QString file = QDir(folder).absoluteFilePath(QLatin1String(db::SqliteDatabase::FileName));
    const db::HostIdentity self = db::HostIdentity::current(db::HostIdentity::loginName());
    removeLeftovers(folder, self);
    if (QFileInfo::exists(file)) {
        if (!db::SqliteDatabase::holdsNoTables(file))
            return false;
        const FolderLock lock(folder);
        // Another copy may have moved it, or replaced it, meanwhile.
        if (QFileInfo::exists(file) &&
            (!db::SqliteDatabase::holdsNoTables(file) || !moveEmptyDatabaseAside(file)))
            return false;
    }

    const QString building = QDir(folder).absoluteFilePath(buildingName(self));
    try {
        db::SqliteDatabase::createFile(building, CultivarSchema::schema());
        db::SqliteDatabase::Options options;
        options.identity = self;
        db::SqliteDatabase database(building, options);
        database.beginBatch();
        try {
            addStandardRecords(database);
            database.commitBatch();
        } catch (...) {
            database.rollbackBatch();
            throw;
        }
        if (fill)
            fill(database);
    } catch (...) {
        QFile::remove(building);
        throw;
    }

    // link() puts the file in place only if no other copy was quicker.
    const QByteArray from = QFile::encodeName(building);
    const QByteArray to = QFile::encodeName(file);
    bool created = false;
    if (::link(from.constData(), to.constData()) == 0) {
        created = true;
    } else if (errno != EEXIST && !QFileInfo::exists(file)) {
        // A file system without hard links.
        created = ::rename(from.constData(), to.constData()) == 0;
    }
    QFile::remove(building);
    syncFolder(folder);
    if (!created && !QFileInfo::exists(file))
        throw EngineError(
            ErrorKind::DatabaseMissing,
            QStringLiteral("Cannot create the standard database.\nFolder: %1").arg(folder));
    return created;
}

QString StandardDatabase::prepare(db::EngineSession& session)
{
    // A database on a server is laid out as the standard one on first use.
    session.setServerLayout(
        {CultivarSchema::schema(), &StandardDatabase::addStandardRecords, true});
    const QString folder = session.ensureStandardAlias();
    if (QDir(folder).absolutePath() == QDir(Locations::standardDatabaseDir()).absolutePath() ||
        ParadoxImport::folderHoldsOldTables(folder))
        ensureCreated(folder);
    return folder;
}

} // namespace kasplan
