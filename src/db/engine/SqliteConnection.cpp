#include "SqliteConnection.h"

#include <QDate>
#include <QRegularExpression>

#include <sqlite3.h>

namespace kasplan::db {

// ---- SqliteStatement ----

SqliteStatement::SqliteStatement(SqliteConnection& connection, sqlite3_stmt* statement,
                                 QString context)
    : m_connection(connection), m_statement(statement), m_context(std::move(context))
{
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

SqliteStatement& SqliteStatement::bind(const QVariant& value)
{
    const int i = m_nextParameter++;
    int rc = SQLITE_OK;
    if (value.isNull()) {
        rc = sqlite3_bind_null(m_statement, i);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int(m_statement, i, value.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Short:
            rc = sqlite3_bind_int64(m_statement, i, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_statement, i, value.toDouble());
            break;
        case QMetaType::QDate:
            // Dates are kept as readable ISO text.
            --m_nextParameter;
            return bindText(value.toDate().toString(Qt::ISODate).toUtf8());
        case QMetaType::QByteArray:
            --m_nextParameter;
            return bindText(value.toByteArray());
        default:
            --m_nextParameter;
            return bindText(value.toString().toUtf8());
        }
    }
    if (rc != SQLITE_OK)
        m_connection.fail(rc, m_context);
    return *this;
}

SqliteStatement& SqliteStatement::bindText(const QByteArray& utf8)
{
    // An empty text is bound as '' (never NULL): empty key fields hold ''.
    const int rc =
        sqlite3_bind_text(m_statement, m_nextParameter++, utf8.isNull() ? "" : utf8.constData(),
                          int(utf8.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        m_connection.fail(rc, m_context);
    return *this;
}

SqliteStatement& SqliteStatement::bindInt(qint64 value)
{
    const int rc = sqlite3_bind_int64(m_statement, m_nextParameter++, value);
    if (rc != SQLITE_OK)
        m_connection.fail(rc, m_context);
    return *this;
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    m_connection.fail(rc, m_context);
}

void SqliteStatement::run()
{
    while (step()) {
    }
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_statement);
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QByteArray SqliteStatement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    const int size = sqlite3_column_bytes(m_statement, column);
    return data ? QByteArray(data, size) : QByteArray();
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double SqliteStatement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

QVariant SqliteStatement::value(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return integer(column);
    case SQLITE_FLOAT:
        return real(column);
    case SQLITE_NULL:
        return {};
    default:
        return QString::fromUtf8(text(column));
    }
}

QString SqliteStatement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_statement, column));
}

QString SqliteStatement::declaredType(int column) const
{
    const char* type = sqlite3_column_decltype(m_statement, column);
    return type ? QString::fromUtf8(type) : QString();
}

// ---- SqliteConnection ----

SqliteConnection::SqliteConnection(const QString& file, bool create, int busyTimeoutMs)
    : m_file(file)
{
    const int flags =
        SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(file.toUtf8().constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message =
            m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw EngineError(
            ErrorKind::DatabaseMissing,
            QStringLiteral("Cannot open database file: %1.\nFile: %2").arg(message, file));
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
}

SqliteConnection::~SqliteConnection()
{
    clearStatements();
    sqlite3_close_v2(m_db);
}

void SqliteConnection::clearStatements()
{
    for (sqlite3_stmt* s : std::as_const(m_statements))
        sqlite3_finalize(s);
    m_statements.clear();
}

SqliteStatement SqliteConnection::statement(const QString& sql, const QString& context)
{
    sqlite3_stmt* s = m_statements.value(sql);
    if (!s) {
        const QByteArray utf8 = sql.toUtf8();
        const int rc = sqlite3_prepare_v3(m_db, utf8.constData(), int(utf8.size()),
                                          SQLITE_PREPARE_PERSISTENT, &s, nullptr);
        if (rc != SQLITE_OK)
            fail(rc, context);
        m_statements.insert(sql, s);
    }
    return SqliteStatement(*this, s, context);
}

void SqliteConnection::exec(const QString& sql)
{
    char* error = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    sqlite3_free(error);
    if (rc != SQLITE_OK)
        fail(rc, QString());
}

QVariant SqliteConnection::scalar(const QString& sql)
{
    SqliteStatement s = statement(sql);
    return s.step() ? s.value(0) : QVariant();
}

void SqliteConnection::fail(int resultCode, const QString& context)
{
    const int code = sqlite3_extended_errcode(m_db);
    const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
    const QString table = context.isEmpty() ? QStringLiteral("?") : context;

    switch (code) {
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_UNIQUE:
        throw EngineError::keyViolation(table);
    case SQLITE_CONSTRAINT_FOREIGNKEY:
        throw EngineError::masterMissing(table);
    case SQLITE_CONSTRAINT_TRIGGER:
        if (message.startsWith(QLatin1String("Master has detail records")))
            throw EngineError::masterHasDetails(table);
        break;
    case SQLITE_CONSTRAINT_NOTNULL:
        throw EngineError::requiredField(message.section(QLatin1Char('.'), -1));
    case SQLITE_CONSTRAINT_CHECK: {
        // The checks are named after what they guard: min_Field, len20_Field
        // and req_Field.
        static const QRegularExpression named(
            QStringLiteral("CHECK constraint failed: (min|len(\\d+)|req)_(\\w+)"));
        const QRegularExpressionMatch m = named.match(message);
        if (m.hasMatch()) {
            const QString field = m.captured(3);
            if (m.captured(1) == QLatin1String("min"))
                throw EngineError::minimumCheck(field);
            if (m.captured(1) == QLatin1String("req"))
                throw EngineError::requiredField(field);
            throw EngineError::valueTooLong(field, m.captured(2).toInt());
        }
        break;
    }
    default:
        break;
    }
    if ((code & 0xff) == SQLITE_NOTADB || (code & 0xff) == SQLITE_CORRUPT)
        throw EngineError(ErrorKind::NotADatabase,
                          QStringLiteral("%1.\nFile: %2").arg(message, m_file));
    if ((resultCode & 0xff) == SQLITE_FULL || (code & 0xff) == SQLITE_FULL)
        throw EngineError::diskFull(m_file);
    if ((resultCode & 0xff) == SQLITE_BUSY || (resultCode & 0xff) == SQLITE_LOCKED)
        throw EngineError(ErrorKind::Busy,
                          QStringLiteral("Database is busy: another copy of the program is "
                                         "writing. Try again.\nFile: %1")
                              .arg(m_file));
    throw EngineError(ErrorKind::Other, QStringLiteral("%1 (%2)").arg(message).arg(code));
}

void SqliteConnection::begin()
{
    beginPending();
    beginLevel();
}

void SqliteConnection::beginPending()
{
    // Deferred levels below begin first, in order, so savepoints nest as the
    // levels do.
    while (m_pending > 0) {
        beginLevel();
        --m_pending;
    }
}

void SqliteConnection::beginDeferred()
{
    ++m_pending;
}

void SqliteConnection::beginLevel()
{
    // Prepared once: a bulk action opens a level for every record.
    if (m_depth == 0)
        statement(QStringLiteral("BEGIN IMMEDIATE")).run();
    else
        statement(QStringLiteral("SAVEPOINT nested%1").arg(m_depth)).run();
    ++m_depth;
}

bool SqliteConnection::commit()
{
    if (m_pending > 0) {
        --m_pending;
        return false;
    }
    --m_depth;
    if (m_depth == 0) {
        try {
            exec(QStringLiteral("COMMIT"));
        } catch (...) {
            // A commit that cannot finish (busy readers past the timeout)
            // gives the changes up rather than leave them pending.
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    } else {
        try {
            statement(QStringLiteral("RELEASE nested%1").arg(m_depth)).run();
        } catch (...) {
            ++m_depth;
            rollback();
            throw;
        }
    }
    return true;
}

bool SqliteConnection::rollback()
{
    if (m_pending > 0) {
        --m_pending;
        return false;
    }
    --m_depth;
    // Errors here are passed over: the transaction may be gone already after
    // a failed statement, and the caller is reporting the first failure.
    if (m_depth == 0) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    } else {
        const QByteArray sql =
            QStringLiteral("ROLLBACK TO nested%1; RELEASE nested%1").arg(m_depth).toUtf8();
        sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr);
    }
    return true;
}

// ---- SqliteTransaction ----

SqliteTransaction::SqliteTransaction(SqliteConnection& connection) : m_connection(connection)
{
    m_connection.begin();
}

SqliteTransaction::~SqliteTransaction()
{
    if (!m_done)
        m_connection.rollback();
}

void SqliteTransaction::commit()
{
    m_done = true;
    m_connection.commit();
}

} // namespace kasplan::db
