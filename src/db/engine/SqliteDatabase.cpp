#include "SqliteDatabase.h"

#include "SqliteConnection.h"
#include "SqliteRecordLocks.h"
#include "SqliteSchema.h"
#include "SqliteWhere.h"

#include <QDate>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QUuid>

#include <sqlite3.h>

#include <algorithm>

namespace kasplan::db {

namespace {

using SqliteSchema::quoted;

QString keyMatch(const TableDef& table)
{
    if (table.primaryKey.isEmpty())
        return QStringLiteral("rowid = ?");
    QStringList parts;
    for (const QString& k : table.primaryKey)
        parts.append(quoted(k) + QStringLiteral(" = ?"));
    return parts.join(QStringLiteral(" AND "));
}

void bindKey(SqliteStatement& s, const TableDef& table, const RowKey& key)
{
    if (table.primaryKey.isEmpty()) {
        s.bindInt(decodeRowNumber(key.value(0)));
        return;
    }
    for (const QByteArray& part : key)
        s.bindText(part);
}

QString keyColumns(const TableDef& table)
{
    if (table.primaryKey.isEmpty())
        return QStringLiteral("rowid");
    QStringList cols;
    for (const QString& k : table.primaryKey)
        cols.append(quoted(k));
    return cols.join(QStringLiteral(", "));
}

RowKey readKey(const SqliteStatement& s, const TableDef& table)
{
    RowKey key;
    if (table.primaryKey.isEmpty()) {
        key.append(encodeRowNumber(s.integer(0)));
        return key;
    }
    key.reserve(table.primaryKey.size());
    for (int i = 0; i < table.primaryKey.size(); ++i)
        key.append(s.text(i));
    return key;
}

// A stored value in its field's type.
QVariant typedValue(const SqliteStatement& s, int column, FieldType type)
{
    if (s.isNull(column))
        return {};
    switch (type) {
    case FieldType::Alpha:
    case FieldType::Memo:
        return QString::fromUtf8(s.text(column));
    case FieldType::Short:
    case FieldType::Long:
        return int(s.integer(column));
    case FieldType::Number:
    case FieldType::Money:
        return s.real(column);
    case FieldType::Date:
        return QDate::fromString(QString::fromUtf8(s.text(column)), Qt::ISODate);
    case FieldType::Logical:
        return s.integer(column) != 0;
    }
    return s.value(column);
}

// The value as it is written: key fields never hold NULL.
QVariant storedValue(const TableDef& table, const QString& field, const QVariant& value)
{
    if (value.isNull() && table.isKeyField(field))
        return QString(QLatin1String(""));
    return value;
}

// Key parts of plain printable ASCII, written as JSON writes them.
bool plainKey(const RowKey& key)
{
    for (const QByteArray& part : key) {
        for (const char c : part) {
            if (c < 0x20 || c > 0x7e || c == '"' || c == '\\')
                return false;
        }
    }
    return true;
}

QString lockKeyText(const RowKey& key, const TableDef& table)
{
    // The text names the record in the lock table, for every copy alike: it
    // is always the compact JSON array of the key's parts. Plain keys, the
    // usual ones, are written without building a JSON document.
    if (!table.primaryKey.isEmpty() && plainKey(key)) {
        QByteArray text("[");
        for (qsizetype i = 0; i < key.size(); ++i) {
            if (i > 0)
                text += ',';
            text += '"' + key[i] + '"';
        }
        text += ']';
        return QString::fromLatin1(text);
    }
    QJsonArray parts;
    if (table.primaryKey.isEmpty()) {
        parts.append(double(decodeRowNumber(key.value(0))));
    } else {
        for (const QByteArray& part : key)
            parts.append(QString::fromUtf8(part));
    }
    return QString::fromUtf8(QJsonDocument(parts).toJson(QJsonDocument::Compact));
}

RowKey keyOfValues(const TableDef& table, const QStringList& fields, const QVariantList& values)
{
    RowKey key;
    for (const QString& k : table.primaryKey) {
        const int i = int(fields.indexOf(k));
        key.append(i < 0 || values[i].isNull() ? QByteArray("") : values[i].toString().toUtf8());
    }
    return key;
}

} // namespace

SqliteDatabase::SqliteDatabase(const QString& file, Options options, QObject* parent)
    : Database(QFileInfo(file).absolutePath(), parent)
{
    const QFileInfo info(file);
    if (info.isDir())
        throw EngineError(ErrorKind::NotADatabase,
                          QStringLiteral("The database file is a folder.\nFile: %1").arg(file));
    if (!info.exists())
        throw EngineError(ErrorKind::DatabaseMissing,
                          QStringLiteral("Database not found.\nFile: %1").arg(file));
    if (!info.isFile())
        throw EngineError(
            ErrorKind::NotADatabase,
            QStringLiteral("The database file is not a regular file.\nFile: %1").arg(file));
    m_connection = std::make_unique<SqliteConnection>(file, false, options.busyTimeoutMs);

    // Reading the journal mode also proves the file is a database.
    const QString mode = m_connection->scalar(QStringLiteral("PRAGMA journal_mode")).toString();
    if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0) {
        QString now;
        try {
            now = m_connection->scalar(QStringLiteral("PRAGMA journal_mode=DELETE")).toString();
        } catch (const EngineError&) {
        }
        if (now.compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
            throw EngineError(
                ErrorKind::JournalMode,
                QStringLiteral("The database uses a write-ahead log, which is not safe in a "
                               "shared folder, and cannot be converted while another program "
                               "has it open.\nFile: %1")
                    .arg(file));
    }
    m_connection->exec(QStringLiteral("PRAGMA synchronous=FULL"));
    m_connection->exec(QStringLiteral("PRAGMA foreign_keys=ON"));
    const bool noLocks =
        !SqliteSchema::hasTable(*m_connection, QLatin1String(SqliteSchema::LockTable));
    if (noLocks) {
        // An empty file (SQLite takes a zero-byte file for an empty database)
        // is no database of ours: giving it the bookkeeping tables would make
        // it look like one that lost its data tables.
        if (!SqliteSchema::hasDataTables(*m_connection))
            throw EngineError(
                ErrorKind::NotADatabase,
                QStringLiteral("The database file holds no tables.\nFile: %1").arg(file));
    }
    // A file of an earlier version may lack the table of open copies; a copy
    // that only reads does not add it.
    if (noLocks ||
        (options.announce &&
         !SqliteSchema::hasTable(*m_connection, QLatin1String(SqliteSchema::SessionTable)))) {
        for (const QString& sql : SqliteSchema::bookkeepingStatements())
            m_connection->exec(sql);
    }

    const QString session = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_locks = std::make_unique<SqliteRecordLocks>(*m_connection, options.identity, session,
                                                  options.lockLeaseMs);
    m_sessions = std::make_unique<SqliteSessions>(*m_connection, options.identity, session,
                                                  options.lockLeaseMs);
    connect(&m_heartbeat, &QTimer::timeout, this, &SqliteDatabase::advanceHeartbeat);
    setLockLeaseMs(options.lockLeaseMs);
    if (options.announce) {
        m_sessions->announce();
        updateHeartbeatTimer();
    }
}

SqliteDatabase::~SqliteDatabase()
{
    m_sessions->withdraw();
    // Locks still held go with the copy that held them.
    try {
        if (m_locks->heldCount() > 0)
            m_connection->exec(
                QStringLiteral("DELETE FROM %1 WHERE session = '%2'")
                    .arg(QLatin1String(SqliteSchema::LockTable), m_locks->session()));
    } catch (const EngineError&) {
    }
}

void SqliteDatabase::createFile(const QString& file, const SchemaDef& schema)
{
    if (QFileInfo::exists(file))
        throw EngineError(ErrorKind::Other,
                          QStringLiteral("Database file exists already.\nFile: %1").arg(file));
    SqliteConnection c(file, true, 10000);
    c.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
    c.exec(QStringLiteral("PRAGMA synchronous=FULL"));
    SqliteTransaction t(c);
    for (const QString& sql : SqliteSchema::createStatements(schema))
        c.exec(sql);
    c.exec(QStringLiteral("PRAGMA user_version=1"));
    t.commit();
}

bool SqliteDatabase::holdsNoTables(const QString& file)
{
    const QFileInfo info(file);
    if (!info.isFile())
        return false;
    if (info.size() == 0)
        return true;
    try {
        SqliteConnection c(file, false, 10000);
        return !SqliteSchema::hasDataTables(c);
    } catch (const EngineError&) {
        return false;
    }
}

void SqliteDatabase::setLockLeaseMs(int leaseMs)
{
    m_locks->setLeaseMs(leaseMs);
    m_sessions->setLeaseMs(leaseMs);
    // The holder beats several times per lease, so a busy moment or two does
    // not make its lock look abandoned.
    m_heartbeat.setInterval(std::max(20, leaseMs / 4));
}

const QString& SqliteDatabase::session() const
{
    return m_locks->session();
}

bool SqliteDatabase::hasTable(const QString& table)
{
    return SqliteSchema::hasTable(*m_connection, table);
}

TableDef SqliteDatabase::tableDef(const QString& table)
{
    auto it = m_tables.find(table.toLower());
    if (it == m_tables.end())
        it = m_tables.insert(table.toLower(), SqliteSchema::readTable(*m_connection, table));
    return it.value();
}

KeyScan SqliteDatabase::scanKeys(const TableDef& table, const Condition& where,
                                 const QStringList& extraFields, int limit)
{
    const SqliteWhere w = SqliteWhere::of(table, where);
    QString columns = keyColumns(table);
    QList<FieldType> extraTypes;
    for (const QString& f : extraFields) {
        const FieldDef* def = table.field(f);
        if (!def)
            throw EngineError::fieldNotFound(f);
        columns += QStringLiteral(", ") + quoted(def->name);
        extraTypes.append(def->type);
    }
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4")
                      .arg(columns, quoted(table.name), w.sql, SqliteSchema::orderBy(table));
    if (limit >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);

    KeyScan scan;
    SqliteStatement s = m_connection->statement(sql, table.name);
    for (const QVariant& p : w.parameters)
        s.bind(p);
    const int keyCount = table.primaryKey.isEmpty() ? 1 : int(table.primaryKey.size());
    while (s.step()) {
        scan.keys.push_back(readKey(s, table));
        if (!extraTypes.isEmpty()) {
            QVariantList extra;
            extra.reserve(extraTypes.size());
            for (int i = 0; i < extraTypes.size(); ++i)
                extra.append(typedValue(s, keyCount + i, extraTypes[i]));
            scan.extra.push_back(std::move(extra));
        }
    }
    return scan;
}

namespace {

// The quoted column names and types of the named fields, in their order.
std::pair<QStringList, QList<FieldType>> selectedColumns(const TableDef& table,
                                                         const QStringList& fields)
{
    QStringList cols;
    QList<FieldType> types;
    for (const QString& f : fields) {
        const FieldDef* def = table.field(f);
        if (!def)
            throw EngineError::fieldNotFound(f);
        cols.append(quoted(def->name));
        types.append(def->type);
    }
    return {cols, types};
}

} // namespace

std::optional<QVariantList> SqliteDatabase::fetchRow(const TableDef& table,
                                                     const QStringList& fields, const RowKey& key)
{
    const auto [cols, types] = selectedColumns(table, fields);
    SqliteStatement s = m_connection->statement(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3")
            .arg(cols.join(QStringLiteral(", ")), quoted(table.name), keyMatch(table)),
        table.name);
    bindKey(s, table, key);
    if (!s.step())
        return std::nullopt;
    QVariantList row;
    row.reserve(types.size());
    for (int i = 0; i < types.size(); ++i)
        row.append(typedValue(s, i, types[i]));
    return row;
}

std::vector<std::optional<QVariantList>> SqliteDatabase::fetchRows(const TableDef& table,
                                                                   const QStringList& fields,
                                                                   const std::vector<RowKey>& keys)
{
    if (table.primaryKey.isEmpty() || keys.size() < 2)
        return Database::fetchRows(table, fields, keys);
    // A block of keys per statement, each with its place in the block; a
    // short block repeats its last key, so that one statement serves every
    // block. Joined with the keys, the table is searched through its key
    // (SQLite would scan it for an IN list of row values).
    constexpr int KeysPerStatement = 64;
    const auto [cols, types] = selectedColumns(table, fields);
    const QString placeholders =
        QStringList(table.primaryKey.size(), QStringLiteral("?")).join(QStringLiteral(", "));
    QStringList block;
    for (int place = 0; place < KeysPerStatement; ++place)
        block.append(QStringLiteral("(%1, %2)").arg(place).arg(placeholders));
    QStringList match;
    for (int i = 0; i < table.primaryKey.size(); ++i)
        match.append(
            QStringLiteral("t.%1 = k.column%2").arg(quoted(table.primaryKey[i])).arg(i + 2));
    QStringList values;
    for (const QString& c : cols)
        values.append(QStringLiteral("t.") + c);
    const QString sql =
        QStringLiteral("SELECT k.column1, %1 FROM (VALUES %2) AS k JOIN %3 AS t ON %4")
            .arg(values.join(QStringLiteral(", ")), block.join(QStringLiteral(", ")),
                 quoted(table.name), match.join(QStringLiteral(" AND ")));

    std::vector<std::optional<QVariantList>> rows(keys.size());
    for (size_t from = 0; from < keys.size(); from += KeysPerStatement) {
        const size_t count = std::min(keys.size() - from, size_t(KeysPerStatement));
        SqliteStatement s = m_connection->statement(sql, table.name);
        for (size_t place = 0; place < KeysPerStatement; ++place)
            bindKey(s, table, keys[from + std::min(place, count - 1)]);
        while (s.step()) {
            const auto place = size_t(s.integer(0));
            if (place >= count)
                continue;
            QVariantList row;
            row.reserve(types.size());
            for (int i = 0; i < types.size(); ++i)
                row.append(typedValue(s, 1 + i, types[i]));
            rows[from + place] = std::move(row);
        }
    }
    return rows;
}

bool SqliteDatabase::rowMatches(const TableDef& table, const RowKey& key, const Condition& where)
{
    const SqliteWhere w = SqliteWhere::of(table, where);
    SqliteStatement s =
        m_connection->statement(QStringLiteral("SELECT 1 FROM %1 WHERE %2 AND %3")
                                    .arg(quoted(table.name), keyMatch(table), w.sql),
                                table.name);
    bindKey(s, table, key);
    for (const QVariant& p : w.parameters)
        s.bind(p);
    return s.step();
}

std::optional<QVariantList> SqliteDatabase::lookup(const TableDef& table, const Condition& where,
                                                   const QStringList& fields)
{
    const SqliteWhere w = SqliteWhere::of(table, where);
    const auto [cols, types] = selectedColumns(table, fields);
    SqliteStatement s =
        m_connection->statement(QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4 LIMIT 1")
                                    .arg(cols.join(QStringLiteral(", ")), quoted(table.name), w.sql,
                                         SqliteSchema::orderBy(table)),
                                table.name);
    for (const QVariant& p : w.parameters)
        s.bind(p);
    if (!s.step())
        return std::nullopt;
    QVariantList row;
    for (int i = 0; i < types.size(); ++i)
        row.append(typedValue(s, i, types[i]));
    return row;
}

RowKey SqliteDatabase::insertRow(const TableDef& table, const QStringList& fields,
                                 const QVariantList& values)
{
    QStringList cols;
    QStringList marks;
    for (const QString& f : fields) {
        cols.append(quoted(f));
        marks.append(QStringLiteral("?"));
    }
    SqliteTransaction t(*m_connection);
    RowKey key;
    {
        SqliteStatement s =
            m_connection->statement(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                        .arg(quoted(table.name), cols.join(QStringLiteral(", ")),
                                             marks.join(QStringLiteral(", "))),
                                    table.name);
        for (int i = 0; i < fields.size(); ++i)
            s.bind(storedValue(table, fields[i], values[i]));
        s.run();
        key = table.primaryKey.isEmpty()
                  ? RowKey{encodeRowNumber(sqlite3_last_insert_rowid(m_connection->handle()))}
                  : keyOfValues(table, fields, values);
    }
    t.commit();
    announceTableChanged(table.name);
    return key;
}

void SqliteDatabase::updateRow(const TableDef& table, const RowKey& key, const QStringList& fields,
                               const QVariantList& values)
{
    const QString lockKey = table.recordLocks ? lockKeyText(key, table) : QString();
    SqliteTransaction t(*m_connection);
    if (table.recordLocks)
        m_locks->verifyHeld(table.name, lockKey);
    if (!fields.isEmpty()) {
        // The statement's text, made once for each table and set of fields:
        // a bulk action changes the same fields of many records.
        const QString shape = table.name + QLatin1Char('\t') +
                              table.primaryKey.join(QLatin1Char('\n')) + QLatin1Char('\t') +
                              fields.join(QLatin1Char('\n'));
        auto sql = m_updateStatements.find(shape);
        if (sql == m_updateStatements.end()) {
            QStringList sets;
            for (const QString& f : fields)
                sets.append(quoted(f) + QStringLiteral(" = ?"));
            sql = m_updateStatements.insert(
                shape,
                QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                    .arg(quoted(table.name), sets.join(QStringLiteral(", ")), keyMatch(table)));
        }
        SqliteStatement s = m_connection->statement(*sql, table.name);
        for (int i = 0; i < fields.size(); ++i)
            s.bind(storedValue(table, fields[i], values[i]));
        bindKey(s, table, key);
        s.run();
        if (sqlite3_changes(m_connection->handle()) == 0)
            throw EngineError::recordDeleted(table.name);
    }
    if (table.recordLocks)
        m_locks->release(table.name, lockKey);
    t.commit();
    updateHeartbeatTimer();
    announceTableChanged(table.name);
}

void SqliteDatabase::deleteRow(const TableDef& table, const RowKey& key)
{
    SqliteTransaction t(*m_connection);
    if (table.recordLocks)
        m_locks->clearForDelete(table.name, lockKeyText(key, table));
    {
        SqliteStatement s = m_connection->statement(
            QStringLiteral("DELETE FROM %1 WHERE %2").arg(quoted(table.name), keyMatch(table)),
            table.name);
        bindKey(s, table, key);
        s.run();
        if (sqlite3_changes(m_connection->handle()) == 0)
            throw EngineError::recordDeleted(table.name);
    }
    t.commit();
    updateHeartbeatTimer();
    announceTableChanged(table.name);
}

void SqliteDatabase::lockRecord(const TableDef& table, const RowKey& key)
{
    if (!table.recordLocks)
        return;
    const QString lockKey = lockKeyText(key, table);
    SqliteTransaction t(*m_connection);
    m_locks->acquire(table.name, lockKey);
    try {
        t.commit();
    } catch (...) {
        m_locks->forget(table.name, lockKey);
        throw;
    }
    updateHeartbeatTimer();
}

void SqliteDatabase::unlockRecord(const TableDef& table, const RowKey& key)
{
    if (!table.recordLocks)
        return;
    SqliteTransaction t(*m_connection);
    m_locks->release(table.name, lockKeyText(key, table));
    t.commit();
    updateHeartbeatTimer();
}

QueryResult SqliteDatabase::select(const QString& sql)
{
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc =
        sqlite3_prepare_v2(m_connection->handle(), utf8.constData(), int(utf8.size()), &raw, &tail);
    if (rc != SQLITE_OK)
        m_connection->fail(rc, QString());
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owned(raw, &sqlite3_finalize);
    const bool onlyOne = !tail || QByteArray(tail).trimmed().isEmpty() ||
                         QByteArray(tail).trimmed() == QByteArray(";");
    if (!raw || !onlyOne || !sqlite3_stmt_readonly(raw) ||
        !sql.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive))
        throw EngineError(ErrorKind::QueryRefused,
                          QStringLiteral("Only a single SELECT statement is allowed here."));

    SqliteStatement s(*m_connection, raw, QString());
    QueryResult result;
    for (int i = 0; i < s.columnCount(); ++i)
        result.fields.append(SqliteSchema::fieldFromColumn(s.columnName(i), s.declaredType(i)));
    while (s.step()) {
        QVariantList row;
        for (int i = 0; i < result.fields.size(); ++i)
            row.append(typedValue(s, i, result.fields[i].type));
        result.rows.push_back(std::move(row));
    }
    return result;
}

namespace {

// Holds its own prepared statements, so running one costs no statement text
// and no cache look-up.
class SqliteBulkAccess : public BulkAccess
{
public:
    SqliteBulkAccess(SqliteDatabase& database, const TableDef& table, const QStringList& fields)
        : m_database(database), m_connection(database.connection()), m_table(table),
          m_fields(fields)
    {
        const auto [cols, types] = selectedColumns(table, fields);
        m_types = types;
        for (const QString& f : fields)
            m_keyField.append(table.isKeyField(f));
        QStringList marks;
        for (qsizetype i = 0; i < fields.size(); ++i)
            marks.append(QStringLiteral("?"));
        m_select =
            prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                        .arg(cols.join(QStringLiteral(", ")), quoted(table.name), keyMatch(table)));
        m_insert = prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(quoted(table.name), cols.join(QStringLiteral(", ")),
                                    marks.join(QStringLiteral(", "))));
    }

    ~SqliteBulkAccess() override
    {
        if (m_inserted)
            m_database.announceTableChanged(m_table.name);
    }

    std::optional<QVariantList> fetch(const RowKey& key) override
    {
        SqliteStatement s(m_connection, m_select.get(), m_table.name);
        bindKey(s, m_table, key);
        if (!s.step())
            return std::nullopt;
        QVariantList row;
        row.reserve(m_types.size());
        for (int i = 0; i < m_types.size(); ++i)
            row.append(typedValue(s, i, m_types[i]));
        return row;
    }

    void insert(const QVariantList& values) override
    {
        // In a batch the first change takes the file; a record refused
        // after that undoes its own statement only, so no savepoint is
        // needed for each.
        m_connection.beginPending();
        SqliteStatement s(m_connection, m_insert.get(), m_table.name);
        for (int i = 0; i < m_fields.size(); ++i)
            s.bind(m_keyField[i] && values[i].isNull() ? QVariant(QString(QLatin1String("")))
                                                       : values[i]);
        s.run();
        m_inserted = true;
    }

private:
    using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

    Statement prepare(const QString& sql)
    {
        const QByteArray utf8 = sql.toUtf8();
        sqlite3_stmt* statement = nullptr;
        const int rc = sqlite3_prepare_v2(m_connection.handle(), utf8.constData(), int(utf8.size()),
                                          &statement, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(statement);
            m_connection.fail(rc, m_table.name);
        }
        return Statement(statement, &sqlite3_finalize);
    }

    SqliteDatabase& m_database;
    SqliteConnection& m_connection;
    TableDef m_table;
    QStringList m_fields;
    QList<FieldType> m_types;
    QList<bool> m_keyField;
    Statement m_select{nullptr, &sqlite3_finalize};
    Statement m_insert{nullptr, &sqlite3_finalize};
    bool m_inserted = false;
};

} // namespace

std::unique_ptr<BulkAccess> SqliteDatabase::bulkAccess(const TableDef& table,
                                                       const QStringList& fields)
{
    return std::make_unique<SqliteBulkAccess>(*this, table, fields);
}

void SqliteDatabase::doBeginBatch()
{
    m_connection->beginDeferred();
    m_heldAtBatch.push_back(m_locks->held());
}

bool SqliteDatabase::doCommitBatch()
{
    SqliteRecordLocks::Held before = std::move(m_heldAtBatch.back());
    m_heldAtBatch.pop_back();
    try {
        return m_connection->commit();
    } catch (...) {
        m_locks->restoreHeld(std::move(before));
        m_tables.clear();
        updateHeartbeatTimer();
        throw;
    }
}

bool SqliteDatabase::doRollbackBatch()
{
    const bool wrote = m_connection->rollback();
    m_locks->restoreHeld(std::move(m_heldAtBatch.back()));
    m_heldAtBatch.pop_back();
    if (wrote)
        m_tables.clear();
    updateHeartbeatTimer();
    return wrote;
}

void SqliteDatabase::saveChanges()
{
    // Inside a batch the changes reach the file when its outer level is kept.
    if (batchDepth() == 0 && m_connection->inTransaction())
        throw EngineError(ErrorKind::Other,
                          QStringLiteral("Changes are pending in an open transaction."));
}

void SqliteDatabase::advanceHeartbeat()
{
    // Inside a transaction of this copy the beat waits: it would join it.
    if (m_connection->inTransaction())
        return;
    try {
        m_locks->heartbeat();
        if (m_sessions->announced())
            m_sessions->heartbeat();
    } catch (const EngineError&) {
        // A busy moment: the next beat will do, well within the lease.
    }
}

void SqliteDatabase::updateHeartbeatTimer()
{
    const bool needed = m_locks->heldCount() > 0 || m_sessions->announced();
    if (needed && !m_heartbeat.isActive())
        m_heartbeat.start();
    else if (!needed)
        m_heartbeat.stop();
}

void SqliteDatabase::checkExclusiveUse()
{
    SqliteTransaction t(*m_connection);
    m_sessions->claimExclusiveUse();
    t.commit();
}

void SqliteDatabase::changeLayout(const std::function<void()>& change)
{
    if (m_layoutDepth > 0) {
        // Part of an outer change: undone alone when it fails.
        SqliteTransaction t(*m_connection);
        change();
        t.commit();
        m_tables.clear();
        return;
    }
    if (m_connection->inTransaction())
        throw EngineError(ErrorKind::Other,
                          QStringLiteral("The tables' layout cannot change inside a transaction."));
    // Dropping a table in a rebuild must not take its details with it; the
    // pragma only works outside a transaction.
    m_connection->exec(QStringLiteral("PRAGMA foreign_keys=OFF"));
    ++m_layoutDepth;
    try {
        SqliteTransaction t(*m_connection);
        m_sessions->claimExclusiveUse();
        change();
        {
            SqliteStatement check =
                m_connection->statement(QStringLiteral("PRAGMA foreign_key_check"));
            if (check.step())
                throw EngineError::masterMissing(QString::fromUtf8(check.text(0)));
        }
        t.commit();
    } catch (...) {
        --m_layoutDepth;
        m_connection->clearStatements();
        m_tables.clear();
        m_connection->exec(QStringLiteral("PRAGMA foreign_keys=ON"));
        throw;
    }
    --m_layoutDepth;
    m_connection->clearStatements();
    m_tables.clear();
    m_connection->exec(QStringLiteral("PRAGMA foreign_keys=ON"));
}

void SqliteDatabase::alterTable(const QString& statement)
{
    if (!statement.trimmed().startsWith(QLatin1String("ALTER TABLE"), Qt::CaseInsensitive))
        throw EngineError(ErrorKind::QueryRefused,
                          QStringLiteral("Only an ALTER TABLE statement is allowed here."));
    changeLayout([&] { m_connection->exec(statement); });
}

namespace {

// The links of a table to its masters, as its CREATE TABLE wrote them.
QStringList foreignKeys(SqliteConnection& c, const QString& table)
{
    struct Link
    {
        QString master, onUpdate, onDelete;
        QStringList from, to;
    };
    QMap<qint64, Link> links;
    SqliteStatement s = c.statement(
        QStringLiteral("SELECT id, \"table\", \"from\", \"to\", on_update, on_delete FROM "
                       "pragma_foreign_key_list(?) ORDER BY id, seq"));
    s.bind(table);
    while (s.step()) {
        Link& l = links[s.integer(0)];
        l.master = QString::fromUtf8(s.text(1));
        l.from.append(quoted(QString::fromUtf8(s.text(2))));
        l.to.append(quoted(QString::fromUtf8(s.text(3))));
        l.onUpdate = QString::fromUtf8(s.text(4));
        l.onDelete = QString::fromUtf8(s.text(5));
    }
    QStringList result;
    for (const Link& l : std::as_const(links))
        result.append(
            QStringLiteral("FOREIGN KEY (%1) REFERENCES %2 (%3) ON UPDATE %4 ON DELETE %5")
                .arg(l.from.join(QStringLiteral(", ")), quoted(l.master),
                     l.to.join(QStringLiteral(", ")), l.onUpdate, l.onDelete));
    return result;
}

// The schema's objects of a kind (name, statement) that belong to a table,
// or, with naming, also those whose statement names it.
QList<QPair<QString, QString>> objectsOf(SqliteConnection& c, const QString& kind,
                                         const QString& table, bool naming)
{
    QList<QPair<QString, QString>> result;
    SqliteStatement s = c.statement(
        QStringLiteral("SELECT name, sql FROM sqlite_schema WHERE type = ? AND sql IS NOT NULL "
                       "AND (tbl_name = ? COLLATE NOCASE OR (? AND instr(sql, ?) > 0)) "
                       "ORDER BY rowid"));
    s.bind(kind).bind(table).bindInt(naming ? 1 : 0).bind(quoted(table));
    while (s.step())
        result.append({QString::fromUtf8(s.text(0)), QString::fromUtf8(s.text(1))});
    return result;
}

} // namespace

void SqliteDatabase::rebuildTable(const TableRebuild& rebuild)
{
    changeLayout([&] {
        SqliteConnection& c = *m_connection;
        const TableDef old = SqliteSchema::readTable(c, rebuild.table);
        TableDef layout = rebuild.layout;
        layout.name = old.name;

        // Triggers of any table that name this one would stand in the way of
        // the rename; they come back afterwards, as do the other indexes.
        const auto triggers = objectsOf(c, QStringLiteral("trigger"), old.name, true);
        for (const auto& trigger : triggers)
            c.exec(QStringLiteral("DROP TRIGGER %1").arg(quoted(trigger.first)));
        QStringList indexes;
        for (const auto& index : objectsOf(c, QStringLiteral("index"), old.name, false)) {
            if (index.first.compare(SqliteSchema::orderIndexName(old.name), Qt::CaseInsensitive))
                indexes.append(index.second);
        }

        const QString temporary = old.name + QStringLiteral("__rebuilt");
        QStringList parts;
        for (const FieldDef& f : std::as_const(layout.fields))
            parts.append(SqliteSchema::columnDefinition(layout, f));
        if (!layout.primaryKey.isEmpty())
            parts.append(QStringLiteral("PRIMARY KEY (%1)").arg([&] {
                QStringList q;
                for (const QString& k : std::as_const(layout.primaryKey))
                    q.append(quoted(k));
                return q.join(QStringLiteral(", "));
            }()));
        parts += foreignKeys(c, old.name);
        c.exec(QStringLiteral("CREATE TABLE %1 (\n    %2\n)")
                   .arg(quoted(temporary), parts.join(QStringLiteral(",\n    "))));

        // The row numbers go along: a table without a key knows its records
        // by them.
        QStringList into{QStringLiteral("rowid")};
        QStringList from{QStringLiteral("rowid")};
        for (int i = 0; i < layout.fields.size(); ++i) {
            const QString source = rebuild.sources.value(i);
            if (source.isEmpty())
                continue;
            const FieldDef& f = layout.fields[i];
            into.append(quoted(f.name));
            // Key fields hold '' where the old table may have held nothing.
            from.append(layout.isKeyField(f.name)
                            ? QStringLiteral("coalesce(%1, '')").arg(quoted(source))
                            : quoted(source));
        }
        c.exec(QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4 ORDER BY rowid")
                   .arg(quoted(temporary), into.join(QStringLiteral(", ")),
                        from.join(QStringLiteral(", ")), quoted(old.name)));
        c.exec(QStringLiteral("DROP TABLE %1").arg(quoted(old.name)));
        c.exec(
            QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quoted(temporary), quoted(old.name)));
        if (!layout.primaryKey.isEmpty())
            c.exec(SqliteSchema::orderIndexStatement(layout));
        for (const QString& sql : std::as_const(indexes))
            c.exec(sql);
        for (const auto& trigger : triggers)
            c.exec(trigger.second);
    });
    Q_EMIT tableChanged(rebuild.table);
}

void SqliteDatabase::rebuildOrderIndex(const QString& table)
{
    changeLayout([&] {
        const TableDef def = SqliteSchema::readTable(*m_connection, table);
        m_connection->exec(QStringLiteral("DROP INDEX IF EXISTS %1")
                               .arg(quoted(SqliteSchema::orderIndexName(def.name))));
        if (!def.primaryKey.isEmpty())
            m_connection->exec(SqliteSchema::orderIndexStatement(def));
    });
}

} // namespace kasplan::db
