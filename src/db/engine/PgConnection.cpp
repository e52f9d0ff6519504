#include "PgConnection.h"

#include <QDate>
#include <QRegularExpression>

#include <libpq-fe.h>

#include <vector>

namespace kasplan::db {

// ---- PgResult ----

PgResult::PgResult(pg_result* result) : m_result(result) {}

PgResult::~PgResult()
{
    PQclear(m_result);
}

PgResult::PgResult(PgResult&& other) noexcept : m_result(other.m_result)
{
    other.m_result = nullptr;
}

PgResult& PgResult::operator=(PgResult&& other) noexcept
{
    if (this != &other) {
        PQclear(m_result);
        m_result = other.m_result;
        other.m_result = nullptr;
    }
    return *this;
}

int PgResult::rows() const
{
    return m_result ? PQntuples(m_result) : 0;
}

int PgResult::columns() const
{
    return m_result ? PQnfields(m_result) : 0;
}

bool PgResult::isNull(int row, int column) const
{
    return PQgetisnull(m_result, row, column) != 0;
}

QByteArray PgResult::text(int row, int column) const
{
    return QByteArray(PQgetvalue(m_result, row, column), PQgetlength(m_result, row, column));
}

qint64 PgResult::integer(int row, int column) const
{
    return QByteArray(PQgetvalue(m_result, row, column)).toLongLong();
}

double PgResult::real(int row, int column) const
{
    return QByteArray(PQgetvalue(m_result, row, column)).toDouble();
}

QString PgResult::columnName(int column) const
{
    return QString::fromUtf8(PQfname(m_result, column));
}

unsigned int PgResult::columnType(int column) const
{
    return PQftype(m_result, column);
}

int PgResult::affected() const
{
    return QByteArray(PQcmdTuples(m_result)).toInt();
}

// ---- PgConnection ----

namespace {

bool hasKeyword(const PgParams& params, const char* keyword)
{
    return std::any_of(params.begin(), params.end(),
                       [&](const auto& p) { return p.first == keyword; });
}

QString serverMessage(pg_conn* conn)
{
    // libpq breaks its message over indented lines; a message box wraps it anyway.
    return QString::fromUtf8(PQerrorMessage(conn)).simplified();
}

} // namespace

PgConnection::PgConnection(PgParams params, QString where)
    : m_params(std::move(params)), m_where(std::move(where))
{
    // Defaults a site's own keywords may override; the encoding is ours.
    if (!hasKeyword(m_params, "application_name"))
        m_params.append({QByteArray("application_name"), QByteArray("Kasplan")});
    if (!hasKeyword(m_params, "connect_timeout"))
        m_params.append({QByteArray("connect_timeout"), QByteArray("10")});
    m_params.append({QByteArray("client_encoding"), QByteArray("UTF8")});
    connect();
}

PgConnection::~PgConnection()
{
    disconnect();
}

void PgConnection::connect()
{
    std::vector<const char*> keywords;
    std::vector<const char*> values;
    for (const auto& [k, v] : std::as_const(m_params)) {
        keywords.push_back(k.constData());
        values.push_back(v.constData());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    pg_conn* conn = PQconnectdbParams(keywords.data(), values.data(), 0);
    if (!conn)
        throw EngineError::serverUnreachable(m_where, QStringLiteral("out of memory"));
    if (PQstatus(conn) != CONNECTION_OK) {
        const QString reason = serverMessage(conn);
        PQfinish(conn);
        throw EngineError::serverUnreachable(m_where, reason);
    }
    // The server's notices (an advisory lock given back twice) are not for
    // the user.
    PQsetNoticeProcessor(
        conn, [](void*, const char*) {}, nullptr);
    m_conn = conn;
    m_broken = false;
    m_prepared.clear();
    m_backendPid = PQbackendPID(conn);
    ++m_generation;
    try {
        // Dates in ISO form and floating point values that read back to the
        // same bits; a lock held too long by another writer is a busy
        // database, not a wait without end.
        execScript(QStringLiteral("SET DateStyle = ISO, YMD; SET extra_float_digits = 3; "
                                  "SET lock_timeout = '10s'; SET TimeZone = 'UTC'"));
    } catch (...) {
        disconnect();
        throw;
    }
    if (m_onConnected && m_generation > 1)
        m_onConnected();
}

void PgConnection::disconnect()
{
    if (m_conn)
        PQfinish(m_conn);
    m_conn = nullptr;
    m_prepared.clear();
}

void PgConnection::ensureConnected()
{
    if (m_conn && !m_broken)
        return;
    // A transaction that broke stays failed until its owner has ended it:
    // none of its levels may seem to go on in a new connection.
    if (m_depth > 0)
        connectionLost();
    disconnect();
    try {
        connect();
    } catch (const EngineError&) {
        m_broken = true;
        throw EngineError::connectionLost(m_where);
    }
}

void PgConnection::connectionLost()
{
    m_broken = true;
    throw EngineError::connectionLost(m_where);
}

QByteArray PgConnection::textOf(const QVariant& value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QByteArray("t") : QByteArray("f");
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Short:
        return QByteArray::number(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return QByteArray::number(value.toDouble(), 'g', 17);
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate).toUtf8();
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return bytes.isNull() ? QByteArray("") : bytes;
    }
    default: {
        // An empty text is '' (never NULL): empty key fields hold ''.
        const QByteArray utf8 = value.toString().toUtf8();
        return utf8.isNull() ? QByteArray("") : utf8;
    }
    }
}

PgResult PgConnection::exec(const QString& sql, const QVariantList& parameters,
                            const QString& context)
{
    ensureConnected();
    QByteArray name = m_prepared.value(sql);
    if (name.isEmpty()) {
        name = "k" + QByteArray::number(m_prepared.size() + 1);
        pg_result* prepared =
            PQprepare(m_conn, name.constData(), sql.toUtf8().constData(), 0, nullptr);
        if (PQresultStatus(prepared) != PGRES_COMMAND_OK)
            fail(prepared, context);
        PQclear(prepared);
        m_prepared.insert(sql, name);
    }
    std::vector<QByteArray> texts;
    texts.reserve(size_t(parameters.size()));
    std::vector<const char*> values;
    std::vector<int> lengths;
    for (const QVariant& p : parameters) {
        texts.push_back(textOf(p));
        values.push_back(texts.back().isNull() ? nullptr : texts.back().constData());
        lengths.push_back(int(texts.back().size()));
    }
    pg_result* result = PQexecPrepared(m_conn, name.constData(), int(values.size()), values.data(),
                                       lengths.data(), nullptr, 0);
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        fail(result, context);
    return PgResult(result);
}

void PgConnection::execScript(const QString& sql)
{
    ensureConnected();
    pg_result* result = PQexec(m_conn, sql.toUtf8().constData());
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        fail(result, QString());
    PQclear(result);
}

void PgConnection::fail(pg_result* result, const QString& context)
{
    const auto field = [result](int code) {
        const char* v = result ? PQresultErrorField(result, code) : nullptr;
        return v ? QString::fromUtf8(v) : QString();
    };
    const QString state = field(PG_DIAG_SQLSTATE);
    const QString message = result ? field(PG_DIAG_MESSAGE_PRIMARY) : serverMessage(m_conn);
    const QString constraint = field(PG_DIAG_CONSTRAINT_NAME);
    const QString column = field(PG_DIAG_COLUMN_NAME);
    PQclear(result);
    const QString table = context.isEmpty() ? QStringLiteral("?") : context;

    if (PQstatus(m_conn) == CONNECTION_BAD || state.startsWith(QLatin1String("08")) ||
        state == QLatin1String("57P01") || state == QLatin1String("57P02") ||
        state == QLatin1String("57P03"))
        connectionLost();
    if (state == QLatin1String("23505"))
        throw EngineError::keyViolation(table);
    if (state == QLatin1String("23503"))
        throw EngineError::masterMissing(table);
    if (state == QLatin1String("KPM01"))
        throw EngineError::masterHasDetails(table);
    if (state == QLatin1String("23502"))
        throw EngineError::requiredField(column);
    if (state == QLatin1String("23514")) {
        // The checks are named after what they guard: min_field,
        // len20_field and req_field (field names in lower case).
        static const QRegularExpression named(QStringLiteral("^(min|len(\\d+)|req)_(\\w+)$"));
        const QRegularExpressionMatch m = named.match(constraint);
        if (m.hasMatch()) {
            const QString f = m.captured(3);
            if (m.captured(1) == QLatin1String("min"))
                throw EngineError::minimumCheck(f);
            if (m.captured(1) == QLatin1String("req"))
                throw EngineError::requiredField(f);
            throw EngineError::valueTooLong(f, m.captured(2).toInt());
        }
    }
    if (state == QLatin1String("22003"))
        throw EngineError(ErrorKind::ValueOutOfRange,
                          QStringLiteral("Value out of range.\nTable: %1").arg(table));
    if (state == QLatin1String("22P02") || state == QLatin1String("22007") ||
        state == QLatin1String("22008"))
        throw EngineError(ErrorKind::InvalidValue,
                          QStringLiteral("%1.\nTable: %2").arg(message, table));
    if (state == QLatin1String("53100"))
        throw EngineError::diskFull(m_where);
    if (state == QLatin1String("40001") || state == QLatin1String("40P01") ||
        state == QLatin1String("55P03") || state == QLatin1String("57014"))
        throw EngineError(ErrorKind::Busy,
                          QStringLiteral("Database is busy: another copy of the program is "
                                         "writing. Try again.\nDatabase: %1")
                              .arg(m_where));
    if (state == QLatin1String("42P01"))
        throw EngineError::tableMissing(table);
    throw EngineError(ErrorKind::Other,
                      QStringLiteral("%1 (%2)\nDatabase: %3").arg(message, state, m_where));
}

void PgConnection::begin()
{
    while (m_pending > 0) {
        beginLevel();
        --m_pending;
    }
    beginLevel();
}

void PgConnection::beginDeferred()
{
    ++m_pending;
}

void PgConnection::beginLevel()
{
    if (m_depth == 0)
        execScript(QStringLiteral("BEGIN"));
    else
        execScript(QStringLiteral("SAVEPOINT nested%1").arg(m_depth));
    ++m_depth;
}

bool PgConnection::commit()
{
    if (m_pending > 0) {
        --m_pending;
        return false;
    }
    --m_depth;
    if (m_broken)
        connectionLost();
    if (m_depth == 0) {
        try {
            execScript(QStringLiteral("COMMIT"));
        } catch (...) {
            if (!m_broken)
                PQclear(PQexec(m_conn, "ROLLBACK"));
            throw;
        }
    } else {
        try {
            execScript(QStringLiteral("RELEASE nested%1").arg(m_depth));
        } catch (...) {
            ++m_depth;
            rollback();
            throw;
        }
    }
    return true;
}

bool PgConnection::rollback()
{
    if (m_pending > 0) {
        --m_pending;
        return false;
    }
    --m_depth;
    // Errors are passed over: the caller is reporting the first failure, and
    // a broken connection took its transaction with it.
    if (m_broken || !m_conn)
        return true;
    const QByteArray sql =
        m_depth == 0
            ? QByteArray("ROLLBACK")
            : QStringLiteral("ROLLBACK TO nested%1; RELEASE nested%1").arg(m_depth).toUtf8();
    PQclear(PQexec(m_conn, sql.constData()));
    if (PQstatus(m_conn) == CONNECTION_BAD)
        m_broken = true;
    return true;
}

// ---- PgTransaction ----

PgTransaction::PgTransaction(PgConnection& connection) : m_connection(connection)
{
    m_connection.begin();
}

PgTransaction::~PgTransaction()
{
    if (!m_done)
        m_connection.rollback();
}

void PgTransaction::commit()
{
    m_done = true;
    m_connection.commit();
}

} // namespace kasplan::db
