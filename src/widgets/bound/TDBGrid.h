#pragma once

#include "DataSetTableModel.h"

#include <QPointer>
#include <QTableView>

namespace kasplan {

// A grid on one view of the data module: its current row is the view's
// current record. Selecting a row moves the view, and moving the view (from
// any window) selects the row. The whole row is selected and stays shown when
// the grid loses the focus; Tab moves between the columns.
//
// Read-only unless a window makes it editable: a typed key, F2 or a double
// click then opens the cell's editor (a drop-down for a lookup or pick-list
// column), the first change puts the view into edit mode, and the text goes
// through the field's entry handler when the editor closes, the row changes
// or the record is posted. Escape closes the editor on the stored value, and
// without an open editor cancels the record's pending edit.
class TDBGrid : public QTableView, private db::DataLink
{
    Q_OBJECT

public:
    TDBGrid(db::DataSource* source, QList<DataSetTableModel::Column> columns,
            QWidget* parent = nullptr);
    ~TDBGrid() override;

    DataSetTableModel* gridModel() const { return m_model; }
    // Hides or shows the column of a field.
    void setFieldColumnHidden(const QString& field, bool hidden);
    void setEditable(bool editable);
    bool editable() const { return m_model->editable(); }
    // A cell editor is open: keys like Delete and Insert belong to its text.
    bool cellEditorOpen() const { return state() == QAbstractItemView::EditingState; }

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
    void keyPressEvent(QKeyEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    void showCurrentRow(int row);
    // A post asks for the text of an open cell editor.
    void updateData() override;

    DataSetTableModel* m_model;
    QPointer<db::DataSource> m_source;
    bool m_following = false;
    int m_column = 0;
    bool m_keepColumn = false;
    // The grid moves the view itself: its selection is already made.
    bool m_moving = false;
    bool m_multiSelect = false;
    mutable bool m_marked = false;
};

} // namespace kasplan
