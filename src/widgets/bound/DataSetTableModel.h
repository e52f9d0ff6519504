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
// source: one row per record the view shows, read by position (and a row of
// its own for a record being inserted), one column per field named. The
// view's current record is reported as currentRow, and every change the data
// source passes on reaches the model. Read-only unless made editable: a cell
// of the current record then takes text through the field's entry handler.
class DataSetTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Column
    {
        QString field{};
        QString title{}; // empty: the field's display label
        int width = -1;
        Qt::Alignment titleAlignment = Qt::AlignLeft;
        // In an editable grid: the column only shows its field.
        bool readOnly = false;
        // Texts offered in the cell's drop-down (free text stays allowed).
        QStringList pickList{};
        // Rows the drop-down of a lookup or pick-list column shows at once.
        int dropDownRows = 7;
    };

    DataSetTableModel(db::DataSource* source, QList<Column> columns, QObject* parent = nullptr);

    db::DataSource* dataSource() const { return m_source; }
    db::DataSet* dataSet() const;
    const QList<Column>& columns() const { return m_columns; }
    // The field of a column; null when the view has none of that name.
    db::Field* fieldOf(int column) const;
    void setEditable(bool editable);
    bool editable() const { return m_editable; }
    // The cell takes typed text: the model is editable, the column is not
    // read-only and its field can be changed.
    bool canEdit(const QModelIndex& index) const;
    // Stores typed text in the cell's field of that row's record, which
    // becomes the current one and is put into edit mode; the view's refusal
    // is thrown.
    void writeCell(const QModelIndex& index, const QString& text);
    // The row of the view's current record, -1 when there is none.
    int currentRow() const;
    // Makes the record of the row current in the view.
    void setCurrentRow(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Shows a refusal and answers false; the cell then shows the stored value.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // Another record became current, or the records were read anew.
    void currentRowChanged(int row);

private:
    void reset();
    void stateChanged();
    void currentChanged();
    void currentRecordChanged();

    QPointer<db::DataSource> m_source;
    QList<Column> m_columns;
    int m_rows = 0;
    int m_currentRow = -1;
    bool m_editable = false;
};

} // namespace kasplan
