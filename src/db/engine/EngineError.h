#pragma once

#include "core/UserPrompts.h"

#include <QByteArray>
#include <QString>

#include <exception>

namespace kasplan::db {

// What went wrong. Code that decides what to do about an error decides by its
// kind; the text is for the user.
enum class ErrorKind {
    KeyViolation,
    MinimumCheck,
    MasterHasDetails,
    MasterMissing,
    RecordLocked,
    LockLost,
    RecordDeleted,
    RequiredField,
    ValueTooLong,
    ValueOutOfRange,
    InvalidValue,
    NotEditing,
    NotActive,
    FieldNotFound,
    TableMissing,
    DatabaseMissing,
    NotADatabase,    // the file is there but holds no usable database
    ForeignDatabase, // a server database of another program or layout
    ServerUnreachable,
    ConnectionLost,
    UnknownAlias,
    JournalMode,
    Busy,
    DiskFull,
    FilterSyntax,
    QueryRefused,
    ExclusiveAccess, // another copy has the database open: its layout stays
    IndexRefused,    // a primary index that cannot be given as asked
    Other,
};

// A refusal or failure of the database engine. The texts keep the words of the
// table engine the program was first written for ("Key violation", "Minimum
// validity check failed", "Master has detail records", "Record locked by
// another user." ... "User: NAME"), which its users know.
class EngineError : public std::exception
{
public:
    EngineError(ErrorKind kind, QString text, QString user = QString());

    ErrorKind kind() const { return m_kind; }
    const QString& text() const { return m_text; }
    // The other copy's user for RecordLocked and LockLost; empty otherwise.
    const QString& user() const { return m_user; }
    // The other copy's computer for RecordLocked, where known.
    const QString& host() const { return m_host; }
    // The holder as the lock messages name it: "anna (computer kas-pc2)".
    QString holder() const;
    const char* what() const noexcept override { return m_utf8.constData(); }

    static EngineError keyViolation(const QString& table);
    static EngineError minimumCheck(const QString& field);
    static EngineError masterHasDetails(const QString& table);
    static EngineError masterMissing(const QString& table);
    // The user's name comes last: readers take everything after "User: ".
    // host is the holder's computer, where the engine knows it.
    static EngineError recordLocked(const QString& table, const QString& user,
                                    const QString& host = QString());
    static EngineError lockLost(const QString& table, const QString& user);
    static EngineError recordDeleted(const QString& table);
    static EngineError requiredField(const QString& field);
    static EngineError valueTooLong(const QString& field, int size);
    static EngineError valueOutOfRange(const QString& field, qint64 low, qint64 high);
    static EngineError invalidValue(const QString& field, const QString& value);
    static EngineError notEditing();
    static EngineError notActive(const QString& name);
    static EngineError fieldNotFound(const QString& field);
    static EngineError tableMissing(const QString& table);
    static EngineError diskFull(const QString& file);
    // The database server's failures, for which the old engine had no
    // words: in the users' own language. where names server and database.
    static EngineError serverUnreachable(const QString& where, const QString& reason);
    static EngineError connectionLost(const QString& where);
    static EngineError foreignDatabase(const QString& where, const QString& reason);

    // The same kind (and user) with another text: a handler's message in
    // place of the engine's words.
    EngineError withText(const QString& text) const
    {
        EngineError e{m_kind, text, m_user};
        e.m_host = m_host;
        return e;
    }

private:
    ErrorKind m_kind;
    QString m_text;
    QString m_user;
    QString m_host;
    QByteArray m_utf8;
};

// Ends an action without a message, like a handler that has shown its own
// message already. Callers that report errors pass it over silently.
class AbortError : public SilentAbort
{
};

// A handler's answer to a refused post, edit or delete.
enum class DataAction {
    Fail,  // the refusal stands and reaches the caller
    Abort, // the action ends silently (AbortError)
    Retry, // try the action again
};

} // namespace kasplan::db
