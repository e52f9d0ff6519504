#include "TDBGrid.h"

#include "DBGridDelegate.h"
#include "core/ErrorBarrier.h"
#include "db/engine/DataSet.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QInputEvent>
#include <QKeyEvent>

#include <algorithm>

namespace kasplan {

TDBGrid::TDBGrid(db::DataSource* source, QList<DataSetTableModel::Column> columns, QWidget* parent)
    : QTableView(parent), m_model(new DataSetTableModel(source, std::move(columns), this)),
      m_source(source)
{
    setModel(m_model);
    setItemDelegate(new DBGridDelegate(this));
    if (source)
        source->addDataLink(this);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setWordWrap(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setFixedWidth(14);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    for (int c = 0; c < m_model->columns().size(); ++c) {
        if (m_model->columns().at(c).width >= 0)
            setColumnWidth(c, m_model->columns().at(c).width);
    }
    // The column stays when the rows are read anew (after a post), whatever
    // current cell the view picks meanwhile.
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (currentIndex().isValid())
            m_column = currentIndex().column();
        m_keepColumn = true;
    });
    connect(m_model, &DataSetTableModel::currentRowChanged, this, &TDBGrid::showCurrentRow);
    showCurrentRow(m_model->currentRow());
}

TDBGrid::~TDBGrid()
{
    if (m_source)
        m_source->removeDataLink(this);
}

void TDBGrid::setEditable(bool editable)
{
    m_model->setEditable(editable);
    // No editing on a click into the current row: every cell of it is
    // selected, and a key typed right after the click must not be lost.
    setEditTriggers(editable
                        ? QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::DoubleClicked
                        : QAbstractItemView::NoEditTriggers);
    showCurrentRow(m_model->currentRow());
}

void TDBGrid::updateData()
{
    if (!cellEditorOpen())
        return;
    QWidget* editor = indexWidget(currentIndex());
    if (!DBGridDelegate::editorChanged(editor))
        return;
    m_model->writeCell(currentIndex(), DBGridDelegate::editorText(editor));
    DBGridDelegate::setEditorChanged(editor, false);
}

void TDBGrid::keyPressEvent(QKeyEvent* event)
{
    // Escape with no cell editor open gives up the record's pending edit.
    db::DataSet* view = m_model->dataSet();
    if (event->key() == Qt::Key_Escape && m_model->editable() && !cellEditorOpen() && view &&
        view->isEditing()) {
        Guarded([&] { view->cancel(); });
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::setFieldColumnHidden(const QString& field, bool hidden)
{
    for (int c = 0; c < m_model->columns().size(); ++c) {
        if (m_model->columns().at(c).field == field)
            setColumnHidden(c, hidden);
    }
}

void TDBGrid::setMultiSelect(bool on)
{
    m_multiSelect = on;
    m_marked = false;
    setSelectionMode(on ? QAbstractItemView::ExtendedSelection
                        : QAbstractItemView::SingleSelection);
    showCurrentRow(m_model->currentRow());
}

QList<int> TDBGrid::SelectedRows() const
{
    QList<int> rows;
    if (!m_multiSelect || !m_marked)
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QItemSelectionModel::SelectionFlags TDBGrid::selectionCommand(const QModelIndex& index,
                                                              const QEvent* event) const
{
    const QItemSelectionModel::SelectionFlags command = QTableView::selectionCommand(index, event);
    if (!m_multiSelect || command == QItemSelectionModel::NoUpdate)
        return command;
    // As Qt decides: by the event's modifiers, or the keyboard's without one.
    // Dragging over rows with the button down marks them too.
    const Qt::KeyboardModifiers modifiers =
        event && event->isInputEvent() ? static_cast<const QInputEvent*>(event)->modifiers()
                                       : QGuiApplication::keyboardModifiers();
    m_marked = (modifiers & (Qt::ControlModifier | Qt::ShiftModifier)) ||
               (event && event->type() == QEvent::MouseMove);
    return command;
}

void TDBGrid::keyboardSearch(const QString&) {}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid() && !m_keepColumn)
        m_column = current.column();
    if (m_following || !current.isValid() || current.row() == previous.row())
        return;
    // When the view cannot move (a pending change is refused), the error is
    // shown and the grid goes back to the view's record once the selection
    // has settled.
    m_moving = true;
    const bool moved = Guarded([&] { m_model->setCurrentRow(current.row()); });
    m_moving = false;
    if (!moved)
        QMetaObject::invokeMethod(
            this, [this] { showCurrentRow(m_model->currentRow()); }, Qt::QueuedConnection);
}

void TDBGrid::showCurrentRow(int row)
{
    if (m_moving && row == currentIndex().row()) {
        scrollTo(currentIndex());
        return;
    }
    m_following = true;
    m_marked = false;
    if (row < 0) {
        clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    } else {
        const int column = std::clamp(
            m_keepColumn || !currentIndex().isValid() ? m_column : currentIndex().column(), 0,
            std::max(0, m_model->columnCount() - 1));
        const QModelIndex index = m_model->index(row, column);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                     QItemSelectionModel::Rows);
        scrollTo(index);
    }
    m_keepColumn = false;
    m_following = false;
}

} // namespace kasplan
