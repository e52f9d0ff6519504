#pragma once

#include "DataSetTableModel.h"

#include <QTableView>

namespace kasplan {

// A read-only grid on one view of the data module: its current row is the
// view's current record. Selecting a row moves the view, and moving the view
// (from any window) selects the row. The whole row is selected and stays
// shown when the grid loses the focus; Tab moves between the columns.
class TDBGrid : public QTableView
{
    Q_OBJECT

public:
    TDBGrid(db::DataSource* source, QList<DataSetTableModel::Column> columns,
            QWidget* parent = nullptr);

    DataSetTableModel* gridModel() const { return m_model; }
    // Hides or shows the column of a field.
    void setFieldColumnHidden(const QString& field, bool hidden);

protected:
    // Typing in the grid searches nothing here: the window that holds the
    // grid decides what letters do.
    void keyboardSearch(const QString& search) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void showCurrentRow(int row);

    DataSetTableModel* m_model;
    bool m_following = false;
};

} // namespace kasplan
