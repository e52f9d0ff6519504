#pragma once

#include "EngineError.h"

#include <QHash>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace kasplan::db {

class SqliteConnection;

// A prepared statement borrowed from the connection's cache. It is reset when
// the borrower is done, so no read transaction outlives the call that made it.
class SqliteStatement
{
public:
    SqliteStatement(SqliteConnection& connection, sqlite3_stmt* statement, QString context);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Binds in order, from parameter 1.
    SqliteStatement& bind(const QVariant& value);
    SqliteStatement& bindText(const QByteArray& utf8);
    SqliteStatement& bindInt(qint64 value);

    // True while a row is available; throws on failure.
    bool step();
    // Runs a statement that returns no rows.
    void run();

    int columnCount() const;
    bool isNull(int column) const;
    QByteArray text(int column) const;
    qint64 integer(int column) const;
    double real(int column) const;
    // The column as the database holds it: text, integer, real or null.
    QVariant value(int column) const;
    QString columnName(int column) const;
    QString declaredType(int column) const;

    sqlite3_stmt* handle() const { return m_statement; }

private:
    SqliteConnection& m_connection;
    sqlite3_stmt* m_statement;
    QString m_context;
    int m_nextParameter = 1;
};

// One open SQLite file: statement cache, transactions, and the translation of
// SQLite's refusals into the engine's errors.
class SqliteConnection
{
public:
    // Opens an existing file (create = false) or creates it.
    SqliteConnection(const QString& file, bool create, int busyTimeoutMs);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    const QString& file() const { return m_file; }
    sqlite3* handle() const { return m_db; }

    // context names the table in refusals ("Key violation ... Table: X").
    SqliteStatement statement(const QString& sql, const QString& context = QString());
    void exec(const QString& sql);
    QVariant scalar(const QString& sql);

    // Turns the last error into the engine's words and throws it.
    [[noreturn]] void fail(int resultCode, const QString& context);

    // One write transaction at a time, taken at once (BEGIN IMMEDIATE) so
    // two writers never deadlock half way. Nested calls join the outer one
    // as savepoints.
    void begin();
    // A level whose statement waits for the first begin() within it: a user
    // action opens one before its rules run, so a question asked before the
    // first change keeps no other copy waiting.
    void beginDeferred();
    // Begins the deferred levels in the file without a level of its own: for
    // a change made directly on the connection inside a batch.
    void beginPending();
    // Both answer whether the level had begun in the file (something may
    // have been written in it).
    bool commit();
    bool rollback();
    bool inTransaction() const { return m_depth > 0; }

    // Forgets cached statements, after the tables' layout changed.
    void clearStatements();

private:
    QString m_file;
    sqlite3* m_db = nullptr;
    void beginLevel();

    QHash<QString, sqlite3_stmt*> m_statements;
    int m_depth = 0;   // levels begun in the file
    int m_pending = 0; // deferred levels above them, not begun yet
};

// Commits at commit(), rolls back when left early (also by an exception).
class SqliteTransaction
{
public:
    explicit SqliteTransaction(SqliteConnection& connection);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    void commit();

private:
    SqliteConnection& m_connection;
    bool m_done = false;
};

} // namespace kasplan::db
