#include "Database.h"

#include <utility>

namespace kasplan::db {

Database::Database(QString folder, QObject* parent) : QObject(parent), m_folder(std::move(folder))
{
}

std::vector<std::optional<QVariantList>> Database::fetchRows(const TableDef& table,
                                                             const QStringList& fields,
                                                             const std::vector<RowKey>& keys)
{
    std::vector<std::optional<QVariantList>> rows;
    rows.reserve(keys.size());
    for (const RowKey& key : keys)
        rows.push_back(fetchRow(table, fields, key));
    return rows;
}

void Database::beginBatch()
{
    doBeginBatch();
    ++m_batchDepth;
    Q_EMIT transactionBegun(m_batchDepth);
}

void Database::commitBatch()
{
    const int depth = m_batchDepth--;
    try {
        doCommitBatch();
    } catch (...) {
        // A level that could not be kept is undone in the file.
        Q_EMIT transactionUndone(depth, true);
        Q_EMIT transactionUndoneSettled();
        throw;
    }
    Q_EMIT transactionKept(depth);
}

void Database::rollbackBatch()
{
    const int depth = m_batchDepth--;
    const bool wrote = doRollbackBatch();
    Q_EMIT transactionUndone(depth, wrote);
    Q_EMIT transactionUndoneSettled();
}

void Database::holdChangeNotices()
{
    ++m_noticesHeld;
}

void Database::releaseChangeNotices()
{
    if (m_noticesHeld == 0 || --m_noticesHeld > 0)
        return;
    const QStringList tables = std::exchange(m_heldNotices, {});
    for (const QString& table : tables)
        Q_EMIT tableChanged(table);
}

void Database::announceTableChanged(const QString& table)
{
    if (m_noticesHeld == 0) {
        Q_EMIT tableChanged(table);
        return;
    }
    if (!m_heldNotices.contains(table, Qt::CaseInsensitive))
        m_heldNotices.append(table);
}

} // namespace kasplan::db
