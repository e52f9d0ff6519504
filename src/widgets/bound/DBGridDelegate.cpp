#include "DBGridDelegate.h"

#include "DataSetTableModel.h"
#include "core/ErrorBarrier.h"
#include "db/engine/DataSet.h"
#include "db/engine/Field.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

namespace kasplan {

namespace {

constexpr const char* kChanged = "kasplanCellChanged";

// A cell's line edit: the field's accepted characters only.
class CellLineEdit : public QLineEdit
{
public:
    CellLineEdit(QWidget* parent, QString validChars)
        : QLineEdit(parent), m_validChars(std::move(validChars))
    {
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const QString typed = event->text();
        if (!m_validChars.isEmpty() && typed.size() == 1 && typed.at(0).isPrint() &&
            !(event->modifiers() & Qt::ControlModifier) && !m_validChars.contains(typed.at(0))) {
            QApplication::beep();
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }

private:
    QString m_validChars;
};

// The values a lookup field can take: the result field of every record of
// the looked-up view, in its order.
QStringList lookupChoices(const db::Field& field)
{
    QStringList choices;
    db::DataSet* list = field.lookup().dataSet;
    const db::Field* result = list ? list->findField(field.lookup().resultField) : nullptr;
    if (!result || !list->isActive())
        return choices;
    for (int i = 0; i < list->recordCount(); ++i)
        choices.append(list->displayTextAt(i, result));
    return choices;
}

} // namespace

QWidget* DBGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                      const QModelIndex& index) const
{
    auto* model =
        const_cast<DataSetTableModel*>(qobject_cast<const DataSetTableModel*>(index.model()));
    const db::Field* field = model ? model->fieldOf(index.column()) : nullptr;
    if (!field || !model->canEdit(index))
        return nullptr;
    const DataSetTableModel::Column& column = model->columns().at(index.column());
    const QPersistentModelIndex cell(index);
    if (field->kind() == db::FieldKind::Lookup || !column.pickList.isEmpty()) {
        auto* combo = new QComboBox(parent);
        const bool lookup = field->kind() == db::FieldKind::Lookup;
        combo->setEditable(!lookup);
        combo->addItems(lookup ? lookupChoices(*field) : column.pickList);
        combo->setMaxVisibleItems(column.dropDownRows);
        if (!lookup) {
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setCompleter(nullptr);
            connect(combo->lineEdit(), &QLineEdit::textEdited, this,
                    [this, model, cell, combo](const QString& typed) {
                        if (!startEdit(model, cell)) {
                            refused(combo);
                            return;
                        }
                        if (combo->currentText() != typed)
                            combo->setEditText(typed);
                        setEditorChanged(combo, true);
                    });
        }
        connect(combo, &QComboBox::activated, this, [this, model, cell, combo](int picked) {
            if (!startEdit(model, cell)) {
                refused(combo);
                return;
            }
            combo->setCurrentIndex(picked);
            setEditorChanged(combo, true);
            // A choice from the list counts at once; when the rules give the
            // edit up, the cell shows what is stored.
            Q_EMIT const_cast<DBGridDelegate*>(this)->commitData(combo);
            if (!model->dataSet() || !model->dataSet()->isEditing())
                refused(combo);
        });
        return combo;
    }
    auto* edit = new CellLineEdit(parent, field->validChars());
    edit->setFrame(false);
    if (field->dataType() == db::FieldType::Alpha && field->size() > 0)
        edit->setMaxLength(field->size());
    connect(edit, &QLineEdit::textEdited, this, [this, model, cell, edit](const QString& typed) {
        const int cursor = edit->cursorPosition();
        if (!startEdit(model, cell)) {
            refused(edit);
            return;
        }
        if (edit->text() != typed) {
            edit->setText(typed);
            edit->setCursorPosition(cursor);
        }
        setEditorChanged(edit, true);
    });
    return edit;
}

bool DBGridDelegate::startEdit(DataSetTableModel* model, const QModelIndex& index) const
{
    db::DataSet* view = model->dataSet();
    if (!view || !index.isValid())
        return false;
    if (view->isEditing())
        return true;
    return Guarded([&] {
               model->setCurrentRow(index.row());
               view->edit();
           }) &&
           view->isEditing();
}

void DBGridDelegate::refused(QWidget* editor) const
{
    setEditorChanged(editor, false);
    Q_EMIT const_cast<DBGridDelegate*>(this)->closeEditor(editor,
                                                          QAbstractItemDelegate::RevertModelCache);
}

void DBGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const QString text = index.data(Qt::EditRole).toString();
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        if (combo->isEditable())
            combo->setEditText(text);
        else
            combo->setCurrentIndex(combo->findText(text));
    } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
        edit->setText(text);
    }
}

void DBGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                  const QModelIndex& index) const
{
    if (!editorChanged(editor))
        return;
    setEditorChanged(editor, false);
    model->setData(index, editorText(editor), Qt::EditRole);
}

QString DBGridDelegate::editorText(const QWidget* editor)
{
    if (const auto* combo = qobject_cast<const QComboBox*>(editor))
        return combo->currentText();
    if (const auto* edit = qobject_cast<const QLineEdit*>(editor))
        return edit->text();
    return {};
}

bool DBGridDelegate::editorChanged(const QWidget* editor)
{
    return editor && editor->property(kChanged).toBool();
}

void DBGridDelegate::setEditorChanged(QWidget* editor, bool changed)
{
    editor->setProperty(kChanged, changed);
}

} // namespace kasplan
