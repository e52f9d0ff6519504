#include "QueryView.h"

#include "Database.h"
#include "EngineSession.h"

namespace kasplan::db {

QueryView::QueryView(const QString& name, QObject* parent) : DataSet(name, parent) {}

void QueryView::setSql(const QString& sql)
{
    checkInactive();
    m_sql = sql;
}

void QueryView::doOpen()
{
    QueryResult result = resolveDatabase().select(m_sql);
    m_columnFields.clear();
    if (!hasDeclaredDataFields())
        addColumnFields(result.fields);
    for (const FieldDef& column : result.fields) {
        const Field* f = findField(column.name);
        m_columnFields.append(f ? f->index() : -1);
    }
    m_rows = std::move(result.rows);
}

void QueryView::doClose()
{
    m_rows.clear();
    m_columnFields.clear();
}

DataSet::Record QueryView::readRow(int index)
{
    Record record = emptyRecord();
    const QVariantList& row = m_rows[size_t(index)];
    for (int c = 0; c < m_columnFields.size() && c < row.size(); ++c) {
        if (m_columnFields[c] >= 0)
            record[m_columnFields[c]] = row[c];
    }
    return record;
}

} // namespace kasplan::db
