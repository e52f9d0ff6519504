#pragma once

#include "EngineError.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

struct pg_conn;
struct pg_result;

namespace kasplan::db {

// libpq connection keywords and their values, in order (host, port, dbname,
// user, and whatever else the location names).
using PgParams = QList<QPair<QByteArray, QByteArray>>;

// The rows of one statement, read as text.
class PgResult
{
public:
    PgResult() = default;
    explicit PgResult(pg_result* result);
    ~PgResult();
    PgResult(PgResult&& other) noexcept;
    PgResult& operator=(PgResult&& other) noexcept;
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;

    int rows() const;
    int columns() const;
    bool isNull(int row, int column) const;
    QByteArray text(int row, int column) const;
    qint64 integer(int row, int column) const;
    double real(int row, int column) const;
    QString columnName(int column) const;
    unsigned int columnType(int column) const;
    // Rows changed by an INSERT, UPDATE or DELETE.
    int affected() const;

private:
    pg_result* m_result = nullptr;
};

// One connection to a PostgreSQL server: statements with their values kept
// apart as parameters, prepared once per connection; transactions that nest
// as savepoints and wait for their first change, as on SQLite; and the
// translation of the server's refusals into the engine's errors.
//
// A connection that breaks fails the call that found out, and every further
// call of the transaction that was open then; the first call after that
// transaction has ended connects anew. Whatever the broken connection had
// not committed is gone on the server, so nothing is ever half written.
class PgConnection
{
public:
    // where names the server and database in messages.
    PgConnection(PgParams params, QString where);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    const QString& where() const { return m_where; }
    pg_conn* handle() const { return m_conn; }
    // The server process of this connection; changes when it connects anew.
    int backendPid() const { return m_backendPid; }
    // Counts the connections made, so that holders of server state (record
    // locks, cached layouts) notice that a new one took the old one's place.
    int generation() const { return m_generation; }

    // Connects anew when the connection broke and no transaction is open.
    // Throws ConnectionLost when it cannot.
    void ensureConnected();
    bool broken() const { return m_broken; }
    // Runs after every connection made anew (not the first one).
    void setConnectedHandler(std::function<void()> handler) { m_onConnected = std::move(handler); }

    // context names the table in refusals ("Key violation ... Table: X").
    PgResult exec(const QString& sql, const QVariantList& parameters = {},
                  const QString& context = QString());
    // Statements without parameters, several at once (schema creation).
    void execScript(const QString& sql);

    // One write transaction; nested calls are savepoints.
    void begin();
    // A level whose BEGIN waits for the first begin() within it.
    void beginDeferred();
    // Both answer whether the level had begun on the server.
    bool commit();
    bool rollback();
    bool inTransaction() const { return m_depth > 0; }

    // The text libpq gives a value of the field's type; null stays null.
    static QByteArray textOf(const QVariant& value);

private:
    void connect();
    void disconnect();
    [[noreturn]] void fail(pg_result* result, const QString& context);
    [[noreturn]] void connectionLost();
    void beginLevel();

    PgParams m_params;
    QString m_where;
    pg_conn* m_conn = nullptr;
    int m_backendPid = 0;
    int m_generation = 0;
    bool m_broken = false;
    QHash<QString, QByteArray> m_prepared; // statement text -> its name
    int m_depth = 0;
    int m_pending = 0;
    std::function<void()> m_onConnected;
};

// Commits at commit(), rolls back when left early (also by an exception).
class PgTransaction
{
public:
    explicit PgTransaction(PgConnection& connection);
    ~PgTransaction();
    PgTransaction(const PgTransaction&) = delete;
    PgTransaction& operator=(const PgTransaction&) = delete;
    void commit();

private:
    PgConnection& m_connection;
    bool m_done = false;
};

} // namespace kasplan::db
