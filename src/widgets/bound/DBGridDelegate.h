#pragma once

#include <QStyledItemDelegate>

namespace kasplan {

class DataSetTableModel;

// The cell editors of an editable TDBGrid: a line edit that refuses the
// characters the field does not accept, a drop-down list of the looked-up
// view's values for a lookup field, and an editable drop-down for a column
// with a pick list. The first change in an editor puts the view into edit
// mode; a view that refuses shows why and the editor closes on the stored
// value. Only a changed editor writes its text back.
class DBGridDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

    // What an open editor holds, and whether its user changed it.
    static QString editorText(const QWidget* editor);
    static bool editorChanged(const QWidget* editor);
    static void setEditorChanged(QWidget* editor, bool changed);

private:
    // Puts the view into edit mode for a change in the editor of index;
    // answers whether the change may stand.
    bool startEdit(DataSetTableModel* model, const QModelIndex& index) const;
    void refused(QWidget* editor) const;
};

} // namespace kasplan
