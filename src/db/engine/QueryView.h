#pragma once

#include "DataSet.h"

#include <vector>

namespace kasplan::db {

// A read-only view on the rows of one SELECT statement, read whole when it
// opens (the queries of the data module are short lists).
class QueryView : public DataSet
{
    Q_OBJECT

public:
    explicit QueryView(const QString& name, QObject* parent = nullptr);

    void setSql(const QString& sql);
    const QString& sql() const { return m_sql; }

protected:
    void doOpen() override;
    void doClose() override;
    int rowCount() const override { return int(m_rows.size()); }
    Record readRow(int index) override;

private:
    QString m_sql;
    std::vector<QVariantList> m_rows;
    QList<int> m_columnFields;
};

} // namespace kasplan::db
