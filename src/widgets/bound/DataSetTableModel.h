#pragma once

#include "db/engine/DataSource.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

namespace kasplan {

namespace db {
class DataSet;
class Field;
} // namespace db

// A table model on one view of the data module, seen through its data
// source: one row per record the view shows, read by position, one column per
// field named. The view's current record is reported as currentRow, and
// every change the data source passes on reaches the model. Read-only.
class DataSetTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Column
    {
        QString field;
        QString title; // empty: the field's display label
        int width = -1;
        Qt::Alignment titleAlignment = Qt::AlignLeft;
    };

    DataSetTableModel(db::DataSource* source, QList<Column> columns, QObject* parent = nullptr);

    db::DataSource* dataSource() const { return m_source; }
    db::DataSet* dataSet() const;
    const QList<Column>& columns() const { return m_columns; }
    // The row of the view's current record, -1 when there is none.
    int currentRow() const;
    // Makes the record of the row current in the view.
    void setCurrentRow(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // Another record became current, or the records were read anew.
    void currentRowChanged(int row);

private:
    db::Field* fieldOf(int column) const;
    void reset();
    void currentChanged();
    void currentRecordChanged();

    QPointer<db::DataSource> m_source;
    QList<Column> m_columns;
    int m_rows = 0;
    int m_currentRow = -1;
};

} // namespace kasplan
