#include "EngineError.h"

namespace kasplan::db {

EngineError::EngineError(ErrorKind kind, QString text, QString user)
    : m_kind(kind), m_text(std::move(text)), m_user(std::move(user)), m_utf8(m_text.toUtf8())
{
}

EngineError EngineError::keyViolation(const QString& table)
{
    return {ErrorKind::KeyViolation, QStringLiteral("Key violation.\nTable: %1").arg(table)};
}

EngineError EngineError::minimumCheck(const QString& field)
{
    return {ErrorKind::MinimumCheck,
            QStringLiteral("Minimum validity check failed.\nField: %1").arg(field)};
}

EngineError EngineError::masterHasDetails(const QString& table)
{
    return {ErrorKind::MasterHasDetails,
            QStringLiteral("Master has detail records.\nTable: %1").arg(table)};
}

EngineError EngineError::masterMissing(const QString& table)
{
    return {ErrorKind::MasterMissing,
            QStringLiteral("Master record missing.\nTable: %1").arg(table)};
}

EngineError EngineError::recordLocked(const QString& table, const QString& user,
                                      const QString& host)
{
    EngineError e{ErrorKind::RecordLocked,
                  host.isEmpty() ? QStringLiteral("Record locked by another user.\nTable: %1\n"
                                                  "User: %2")
                                       .arg(table, user)
                                 : QStringLiteral("Record locked by another user.\nTable: %1\n"
                                                  "Computer: %3\nUser: %2")
                                       .arg(table, user, host),
                  user};
    e.m_host = host;
    return e;
}

QString EngineError::holder() const
{
    return m_host.isEmpty() ? m_user : QStringLiteral("%1 (computer %2)").arg(m_user, m_host);
}

EngineError EngineError::lockLost(const QString& table, const QString& user)
{
    return {ErrorKind::LockLost,
            QStringLiteral("Record lock lost: another copy of the program took the record over "
                           "while this one did not answer. The change was not saved.\n"
                           "Table: %1\nUser: %2")
                .arg(table, user),
            user};
}

EngineError EngineError::recordDeleted(const QString& table)
{
    return {ErrorKind::RecordDeleted, QStringLiteral("Record/Key deleted.\nTable: %1").arg(table)};
}

EngineError EngineError::requiredField(const QString& field)
{
    return {ErrorKind::RequiredField,
            QStringLiteral("Field value required.\nField: %1").arg(field)};
}

EngineError EngineError::valueTooLong(const QString& field, int size)
{
    return {ErrorKind::ValueTooLong,
            QStringLiteral("Field value too long: at most %2 characters.\nField: %1")
                .arg(field)
                .arg(size)};
}

EngineError EngineError::valueOutOfRange(const QString& field, qint64 low, qint64 high)
{
    return {
        ErrorKind::ValueOutOfRange,
        QStringLiteral("Value out of range: %2 to %3.\nField: %1").arg(field).arg(low).arg(high)};
}

EngineError EngineError::invalidValue(const QString& field, const QString& value)
{
    return {ErrorKind::InvalidValue,
            QStringLiteral("'%2' is not a valid value for field '%1'.").arg(field, value)};
}

EngineError EngineError::notEditing()
{
    return {ErrorKind::NotEditing, QStringLiteral("Dataset not in edit or insert mode.")};
}

EngineError EngineError::notActive(const QString& name)
{
    return {ErrorKind::NotActive,
            QStringLiteral("Cannot perform this operation on a closed dataset: %1.").arg(name)};
}

EngineError EngineError::fieldNotFound(const QString& field)
{
    return {ErrorKind::FieldNotFound, QStringLiteral("Field '%1' not found.").arg(field)};
}

EngineError EngineError::tableMissing(const QString& table)
{
    return {ErrorKind::TableMissing, QStringLiteral("Table does not exist.\nTable: %1").arg(table)};
}

EngineError EngineError::diskFull(const QString& file)
{
    return {ErrorKind::DiskFull,
            QStringLiteral("Disk full: there is no room to save the change, so it was not "
                           "saved.\nFile: %1")
                .arg(file)};
}

EngineError EngineError::serverUnreachable(const QString& where, const QString& reason)
{
    return {ErrorKind::ServerUnreachable,
            QStringLiteral("De databaseserver is niet bereikbaar: %2\nDatabase: %1")
                .arg(where, reason)};
}

EngineError EngineError::connectionLost(const QString& where)
{
    return {ErrorKind::ConnectionLost,
            QStringLiteral("De verbinding met de databaseserver is verbroken; de laatste "
                           "handeling is niet opgeslagen. Probeer het opnieuw: Kasplan maakt "
                           "dan opnieuw verbinding.\nDatabase: %1")
                .arg(where)};
}

EngineError EngineError::foreignDatabase(const QString& where, const QString& reason)
{
    return {ErrorKind::ForeignDatabase,
            QStringLiteral("Deze database is geen Kasplan cultivar database: %2. Kasplan "
                           "verandert er niets aan.\nDatabase: %1")
                .arg(where, reason)};
}

} // namespace kasplan::db
