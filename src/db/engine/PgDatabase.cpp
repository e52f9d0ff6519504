#include "PgDatabase.h"

#include "PgSchema.h"
#include "PgWhere.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace kasplan::db {

namespace {

using PgSchema::column;

int keyCount(const TableDef& table)
{
    return table.primaryKey.isEmpty() ? 1 : int(table.primaryKey.size());
}

QString keyColumns(const TableDef& table)
{
    if (table.primaryKey.isEmpty())
        return QLatin1String(PgSchema::RowIdColumn);
    QStringList cols;
    for (const QString& k : table.primaryKey)
        cols.append(column(k));
    return cols.join(QStringLiteral(", "));
}

// "k1 = $1 AND k2 = $2 ..." from parameter first on.
QString keyMatch(const TableDef& table, int first = 1)
{
    if (table.primaryKey.isEmpty())
        return QStringLiteral("%1 = $%2::bigint")
            .arg(QLatin1String(PgSchema::RowIdColumn))
            .arg(first);
    QStringList parts;
    for (const QString& k : table.primaryKey)
        parts.append(QStringLiteral("%1 = $%2::text").arg(column(k)).arg(first++));
    return parts.join(QStringLiteral(" AND "));
}

QVariantList keyParameters(const TableDef& table, const RowKey& key)
{
    QVariantList p;
    if (table.primaryKey.isEmpty()) {
        p.append(decodeRowNumber(key.value(0)));
        return p;
    }
    for (const QByteArray& part : key)
        p.append(part.isNull() ? QByteArray("") : part);
    return p;
}

RowKey readKey(const PgResult& r, int row, const TableDef& table)
{
    RowKey key;
    if (table.primaryKey.isEmpty()) {
        key.append(encodeRowNumber(r.integer(row, 0)));
        return key;
    }
    key.reserve(table.primaryKey.size());
    for (int i = 0; i < table.primaryKey.size(); ++i)
        key.append(r.text(row, i));
    return key;
}

QVariant typedValue(const PgResult& r, int row, int column, FieldType type)
{
    if (r.isNull(row, column))
        return {};
    switch (type) {
    case FieldType::Alpha:
    case FieldType::Memo:
        return QString::fromUtf8(r.text(row, column));
    case FieldType::Short:
    case FieldType::Long:
        return int(r.integer(row, column));
    case FieldType::Number:
    case FieldType::Money:
        return r.real(row, column);
    case FieldType::Date:
        return QDate::fromString(QString::fromLatin1(r.text(row, column)), Qt::ISODate);
    case FieldType::Logical:
        return r.text(row, column) == "t";
    }
    return QString::fromUtf8(r.text(row, column));
}

QVariant storedValue(const TableDef& table, const QString& field, const QVariant& value)
{
    if (value.isNull() && table.isKeyField(field))
        return QString(QLatin1String(""));
    return value;
}

QString lockKeyText(const RowKey& key, const TableDef& table)
{
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

std::pair<QStringList, QList<FieldType>> selectedColumns(const TableDef& table,
                                                         const QStringList& fields)
{
    QStringList cols;
    QList<FieldType> types;
    for (const QString& f : fields) {
        const FieldDef* def = table.field(f);
        if (!def)
            throw EngineError::fieldNotFound(f);
        cols.append(column(def->name));
        types.append(def->type);
    }
    return {cols, types};
}

// The field type of a column of a free SELECT that names no field of ours.
FieldType typeOfOid(unsigned int oid)
{
    switch (oid) {
    case 16:
        return FieldType::Logical;
    case 21:
        return FieldType::Short;
    case 20:
    case 23:
        return FieldType::Long;
    case 700:
    case 701:
    case 1700:
        return FieldType::Number;
    case 1082:
        return FieldType::Date;
    default:
        return FieldType::Memo;
    }
}

// One number for all copies: while one of them lays out an empty database,
// the others wait and then find it done.
constexpr qint64 LayoutLock = 0x4b6173706c616e31; // "Kasplan1"

} // namespace

PgDatabase::PgDatabase(const PgParams& params, const QString& where, Options options,
                       QObject* parent)
    : Database(where, parent)
{
    m_connection = std::make_unique<PgConnection>(params, where);
    m_locks = std::make_unique<PgRecordLocks>(*m_connection, options.identity);
    prepare(options);
    m_connection->setConnectedHandler([this] { m_locks->registerSession(); });
    m_locks->registerSession();
}

PgDatabase::~PgDatabase()
{
    // The server lets go of this connection's locks when it closes.
    m_connection->setConnectedHandler({});
}

void PgDatabase::prepare(const Options& options)
{
    const PgResult encoding = m_connection->exec(QStringLiteral("SHOW server_encoding"));
    if (encoding.text(0, 0) != "UTF8")
        throw EngineError::foreignDatabase(
            folder(), QStringLiteral("de database gebruikt de tekenset %1 in plaats van UTF8")
                          .arg(QString::fromUtf8(encoding.text(0, 0))));
    if (!PgSchema::isEngineDatabase(*m_connection)) {
        if (PgSchema::holdsTables(*m_connection))
            throw EngineError::foreignDatabase(
                folder(), QStringLiteral("er staan tabellen van een ander programma in"));
        if (!options.layout || !options.layout->createWhenEmpty)
            throw EngineError(
                ErrorKind::NotADatabase,
                QStringLiteral("The database holds no tables.\nDatabase: %1").arg(folder()));
        beginBatch();
        try {
            PgTransaction t(*m_connection);
            m_connection->exec(QStringLiteral("SELECT pg_advisory_xact_lock($1::bigint)"),
                               {LayoutLock});
            if (!PgSchema::isEngineDatabase(*m_connection)) {
                if (PgSchema::holdsTables(*m_connection))
                    throw EngineError::foreignDatabase(
                        folder(), QStringLiteral("er staan tabellen van een ander programma in"));
                createLayout(options.layout->schema);
                if (options.layout->fill)
                    options.layout->fill(*this);
            }
            t.commit();
            commitBatch();
        } catch (...) {
            rollbackBatch();
            m_tables.clear();
            throw;
        }
    }
    if (options.layout) {
        const QString difference =
            PgSchema::layoutDifference(*m_connection, options.layout->schema);
        if (!difference.isEmpty())
            throw EngineError::foreignDatabase(
                folder(),
                QStringLiteral("de indeling van de tabellen is anders (%1)").arg(difference));
    }
}

void PgDatabase::createLayout(const SchemaDef& schema)
{
    PgTransaction t(*m_connection);
    for (const QString& sql : PgSchema::createStatements(schema))
        m_connection->execScript(sql);
    t.commit();
    m_tables.clear();
}

void PgDatabase::afterChange()
{
    if (batchDepth() == 0 && !m_connection->inTransaction())
        m_locks->reconcile();
}

bool PgDatabase::hasTable(const QString& table)
{
    return PgSchema::hasTable(*m_connection, table);
}

TableDef PgDatabase::tableDef(const QString& table)
{
    auto it = m_tables.find(table.toLower());
    if (it == m_tables.end())
        it = m_tables.insert(table.toLower(), PgSchema::readTable(*m_connection, table));
    return it.value();
}

KeyScan PgDatabase::scanKeys(const TableDef& table, const Condition& where,
                             const QStringList& extraFields, int limit)
{
    const PgWhere w = PgWhere::of(table, where);
    QString columns = keyColumns(table);
    QList<FieldType> extraTypes;
    for (const QString& f : extraFields) {
        const FieldDef* def = table.field(f);
        if (!def)
            throw EngineError::fieldNotFound(f);
        columns += QStringLiteral(", ") + column(def->name);
        extraTypes.append(def->type);
    }
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4")
                      .arg(columns, column(table.name), w.sql, PgSchema::orderBy(table));
    if (limit >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);
    const PgResult r = m_connection->exec(sql, w.parameters, table.name);
    KeyScan scan;
    const int rows = r.rows();
    const int keys = keyCount(table);
    scan.keys.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        scan.keys.push_back(readKey(r, row, table));
        if (!extraTypes.isEmpty()) {
            QVariantList extra;
            extra.reserve(extraTypes.size());
            for (int i = 0; i < extraTypes.size(); ++i)
                extra.append(typedValue(r, row, keys + i, extraTypes[i]));
            scan.extra.push_back(std::move(extra));
        }
    }
    return scan;
}

std::optional<QVariantList> PgDatabase::fetchRow(const TableDef& table, const QStringList& fields,
                                                 const RowKey& key)
{
    const auto [cols, types] = selectedColumns(table, fields);
    const PgResult r = m_connection->exec(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3")
            .arg(cols.join(QStringLiteral(", ")), column(table.name), keyMatch(table)),
        keyParameters(table, key), table.name);
    if (r.rows() == 0)
        return std::nullopt;
    QVariantList row;
    row.reserve(types.size());
    for (int i = 0; i < types.size(); ++i)
        row.append(typedValue(r, 0, i, types[i]));
    return row;
}

std::vector<std::optional<QVariantList>> PgDatabase::fetchRows(const TableDef& table,
                                                               const QStringList& fields,
                                                               const std::vector<RowKey>& keys)
{
    if (table.primaryKey.isEmpty() || keys.size() < 2)
        return Database::fetchRows(table, fields, keys);
    // A block of keys per statement (one round trip to the server), each
    // with its place in the block; a short block repeats its last key, so
    // that one statement serves every block. Joined with the keys, the table
    // is searched through its key.
    constexpr int KeysPerStatement = 64;
    const auto [cols, types] = selectedColumns(table, fields);
    const int keyCount = int(table.primaryKey.size());
    QStringList block;
    for (int place = 0; place < KeysPerStatement; ++place) {
        QStringList parts{QString::number(place)};
        for (int i = 0; i < keyCount; ++i)
            parts.append(QStringLiteral("$%1::text").arg(place * keyCount + i + 1));
        block.append(QLatin1Char('(') + parts.join(QStringLiteral(", ")) + QLatin1Char(')'));
    }
    QStringList names{QStringLiteral("place")};
    QStringList match;
    for (int i = 0; i < keyCount; ++i) {
        names.append(QStringLiteral("k%1").arg(i + 1));
        match.append(QStringLiteral("t.%1 = k.k%2").arg(column(table.primaryKey[i])).arg(i + 1));
    }
    QStringList values;
    for (const QString& c : cols)
        values.append(QStringLiteral("t.") + c);
    const QString sql =
        QStringLiteral("SELECT k.place, %1 FROM (VALUES %2) AS k(%3) JOIN %4 AS t ON %5")
            .arg(values.join(QStringLiteral(", ")), block.join(QStringLiteral(", ")),
                 names.join(QStringLiteral(", ")), column(table.name),
                 match.join(QStringLiteral(" AND ")));

    std::vector<std::optional<QVariantList>> rows(keys.size());
    for (size_t from = 0; from < keys.size(); from += KeysPerStatement) {
        const size_t count = std::min(keys.size() - from, size_t(KeysPerStatement));
        QVariantList parameters;
        for (size_t place = 0; place < KeysPerStatement; ++place)
            parameters += keyParameters(table, keys[from + std::min(place, count - 1)]);
        const PgResult r = m_connection->exec(sql, parameters, table.name);
        for (int row = 0; row < r.rows(); ++row) {
            const auto place = size_t(r.integer(row, 0));
            if (place >= count)
                continue;
            QVariantList stored;
            stored.reserve(types.size());
            for (int i = 0; i < types.size(); ++i)
                stored.append(typedValue(r, row, 1 + i, types[i]));
            rows[from + place] = std::move(stored);
        }
    }
    return rows;
}

bool PgDatabase::rowMatches(const TableDef& table, const RowKey& key, const Condition& where)
{
    const PgWhere w = PgWhere::of(table, where, keyCount(table) + 1);
    return m_connection
               ->exec(QStringLiteral("SELECT 1 FROM %1 WHERE %2 AND %3")
                          .arg(column(table.name), keyMatch(table), w.sql),
                      keyParameters(table, key) + w.parameters, table.name)
               .rows() > 0;
}

std::optional<QVariantList> PgDatabase::lookup(const TableDef& table, const Condition& where,
                                               const QStringList& fields)
{
    const PgWhere w = PgWhere::of(table, where);
    const auto [cols, types] = selectedColumns(table, fields);
    const PgResult r =
        m_connection->exec(QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4 LIMIT 1")
                               .arg(cols.join(QStringLiteral(", ")), column(table.name), w.sql,
                                    PgSchema::orderBy(table)),
                           w.parameters, table.name);
    if (r.rows() == 0)
        return std::nullopt;
    QVariantList row;
    for (int i = 0; i < types.size(); ++i)
        row.append(typedValue(r, 0, i, types[i]));
    return row;
}

RowKey PgDatabase::insertRow(const TableDef& table, const QStringList& fields,
                             const QVariantList& values)
{
    const RowKey key = insertQuietly(table, fields, values);
    afterChange();
    announceTableChanged(table.name);
    return key;
}

RowKey PgDatabase::insertQuietly(const TableDef& table, const QStringList& fields,
                                 const QVariantList& values)
{
    QStringList cols;
    QStringList marks;
    QVariantList stored;
    for (int i = 0; i < fields.size(); ++i) {
        const FieldDef* def = table.field(fields[i]);
        if (!def)
            throw EngineError::fieldNotFound(fields[i]);
        cols.append(column(def->name));
        marks.append(QStringLiteral("$%1").arg(i + 1));
        stored.append(storedValue(table, fields[i], values.value(i)));
    }
    QString sql = cols.isEmpty()
                      ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(column(table.name))
                      : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(column(table.name), cols.join(QStringLiteral(", ")),
                                 marks.join(QStringLiteral(", ")));
    if (table.primaryKey.isEmpty())
        sql += QStringLiteral(" RETURNING %1").arg(QLatin1String(PgSchema::RowIdColumn));
    PgTransaction t(*m_connection);
    const PgResult r = m_connection->exec(sql, stored, table.name);
    const RowKey key = table.primaryKey.isEmpty() ? RowKey{encodeRowNumber(r.integer(0, 0))}
                                                  : keyOfValues(table, fields, values);
    t.commit();
    return key;
}

// The statements are prepared once per connection anyway; each record is
// added in a savepoint of its own, so a refused one leaves the batch as it
// was (the server would otherwise give up the whole transaction).
class PgBulkAccess : public BulkAccess
{
public:
    PgBulkAccess(PgDatabase& database, TableDef table, QStringList fields)
        : m_database(database), m_table(std::move(table)), m_fields(std::move(fields))
    {
    }
    ~PgBulkAccess() override
    {
        if (m_inserted)
            m_database.announceTableChanged(m_table.name);
    }
    std::optional<QVariantList> fetch(const RowKey& key) override
    {
        return m_database.fetchRow(m_table, m_fields, key);
    }
    void insert(const QVariantList& values) override
    {
        m_database.insertQuietly(m_table, m_fields, values);
        m_inserted = true;
    }

private:
    PgDatabase& m_database;
    TableDef m_table;
    QStringList m_fields;
    bool m_inserted = false;
};

std::unique_ptr<BulkAccess> PgDatabase::bulkAccess(const TableDef& table, const QStringList& fields)
{
    return std::make_unique<PgBulkAccess>(*this, table, fields);
}

void PgDatabase::updateRow(const TableDef& table, const RowKey& key, const QStringList& fields,
                           const QVariantList& values)
{
    const QString lockKey = table.recordLocks ? lockKeyText(key, table) : QString();
    {
        PgTransaction t(*m_connection);
        if (table.recordLocks)
            m_locks->verifyHeld(table.name, lockKey);
        if (!fields.isEmpty()) {
            QStringList sets;
            QVariantList parameters;
            for (int i = 0; i < fields.size(); ++i) {
                const FieldDef* def = table.field(fields[i]);
                if (!def)
                    throw EngineError::fieldNotFound(fields[i]);
                sets.append(QStringLiteral("%1 = $%2").arg(column(def->name)).arg(i + 1));
                parameters.append(storedValue(table, fields[i], values.value(i)));
            }
            const PgResult r =
                m_connection->exec(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                                       .arg(column(table.name), sets.join(QStringLiteral(", ")),
                                            keyMatch(table, int(fields.size()) + 1)),
                                   parameters + keyParameters(table, key), table.name);
            if (r.affected() == 0)
                throw EngineError::recordDeleted(table.name);
        }
        t.commit();
    }
    if (table.recordLocks)
        m_locks->release(table.name, lockKey);
    afterChange();
    announceTableChanged(table.name);
}

void PgDatabase::deleteRow(const TableDef& table, const RowKey& key)
{
    {
        PgTransaction t(*m_connection);
        if (table.recordLocks)
            m_locks->clearForDelete(table.name, lockKeyText(key, table));
        const PgResult r = m_connection->exec(
            QStringLiteral("DELETE FROM %1 WHERE %2").arg(column(table.name), keyMatch(table)),
            keyParameters(table, key), table.name);
        if (r.affected() == 0)
            throw EngineError::recordDeleted(table.name);
        t.commit();
    }
    afterChange();
    announceTableChanged(table.name);
}

void PgDatabase::lockRecord(const TableDef& table, const RowKey& key)
{
    if (!table.recordLocks)
        return;
    m_locks->acquire(table.name, lockKeyText(key, table));
}

void PgDatabase::unlockRecord(const TableDef& table, const RowKey& key)
{
    if (!table.recordLocks)
        return;
    m_locks->release(table.name, lockKeyText(key, table));
    afterChange();
}

QueryResult PgDatabase::select(const QString& sql)
{
    const QString trimmed = sql.trimmed();
    if (!trimmed.startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive) ||
        trimmed.chopped(trimmed.endsWith(QLatin1Char(';')) ? 1 : 0).contains(QLatin1Char(';')))
        throw EngineError(ErrorKind::QueryRefused,
                          QStringLiteral("Only a single SELECT statement is allowed here."));
    // A read-only transaction, so that nothing the statement calls can
    // write; inside a batch the batch's own.
    const bool own = !m_connection->inTransaction();
    PgResult r;
    if (own)
        m_connection->execScript(QStringLiteral("BEGIN READ ONLY"));
    try {
        r = m_connection->exec(trimmed);
        if (own)
            m_connection->execScript(QStringLiteral("COMMIT"));
    } catch (const EngineError& e) {
        if (own && !m_connection->broken())
            m_connection->execScript(QStringLiteral("ROLLBACK"));
        if (e.kind() == ErrorKind::Other)
            throw EngineError(ErrorKind::QueryRefused, e.text());
        throw;
    }
    QHash<QString, FieldDef> known;
    for (const TableDef& t : PgSchema::readAllTables(*m_connection)) {
        for (const FieldDef& f : t.fields)
            known.insert(f.name.toLower(), f);
    }
    QueryResult result;
    for (int i = 0; i < r.columns(); ++i) {
        const QString name = r.columnName(i);
        FieldDef f = known.value(name.toLower());
        if (f.name.isEmpty()) {
            f.name = name;
            f.type = typeOfOid(r.columnType(i));
        }
        result.fields.append(f);
    }
    for (int row = 0; row < r.rows(); ++row) {
        QVariantList values;
        for (int i = 0; i < result.fields.size(); ++i)
            values.append(typedValue(r, row, i, result.fields[i].type));
        result.rows.push_back(std::move(values));
    }
    return result;
}

void PgDatabase::saveChanges()
{
    if (batchDepth() == 0 && m_connection->inTransaction())
        throw EngineError(ErrorKind::Other,
                          QStringLiteral("Changes are pending in an open transaction."));
}

void PgDatabase::doBeginBatch()
{
    m_connection->beginDeferred();
    m_heldAtBatch.push_back(m_locks->held());
}

bool PgDatabase::doCommitBatch()
{
    PgRecordLocks::Held before = std::move(m_heldAtBatch.back());
    m_heldAtBatch.pop_back();
    try {
        const bool began = m_connection->commit();
        afterChange();
        return began;
    } catch (...) {
        m_locks->restoreHeld(std::move(before));
        m_tables.clear();
        afterChange();
        throw;
    }
}

bool PgDatabase::doRollbackBatch()
{
    const bool wrote = m_connection->rollback();
    m_locks->restoreHeld(std::move(m_heldAtBatch.back()));
    m_heldAtBatch.pop_back();
    if (wrote)
        m_tables.clear();
    afterChange();
    return wrote;
}

} // namespace kasplan::db
