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

    // With multiple selection on, Ctrl+click, Shift+click and Shift with
    // the arrow keys mark rows; a plain click or move marks none, and the
    // current row alone is no selection.
    void setMultiSelect(bool on);
    // The rows marked, in the view's order; empty when none are.
    QList<int> SelectedRows() const;

protected:
    // Typing in the grid searches nothing here: the window that holds the
    // grid decides what letters do.
    void keyboardSearch(const QString& search) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    void showCurrentRow(int row);

    DataSetTableModel* m_model;
    bool m_following = false;
    // The grid moves the view itself: its selection is already made.
    bool m_moving = false;
    bool m_multiSelect = false;
    mutable bool m_marked = false;
};

} // namespace kasplan
