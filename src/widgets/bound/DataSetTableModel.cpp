#include "DataSetTableModel.h"

#include "core/ErrorBarrier.h"
#include "db/engine/DataSet.h"
#include "db/engine/DataSource.h"
#include "db/engine/Field.h"

namespace kasplan {

DataSetTableModel::DataSetTableModel(db::DataSource* source, QList<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), m_source(source), m_columns(std::move(columns))
{
    connect(source, &db::DataSource::dataSetChanged, this, &DataSetTableModel::reset);
    connect(source, &db::DataSource::stateChanged, this, &DataSetTableModel::stateChanged);
    connect(source, &db::DataSource::scrolled, this, &DataSetTableModel::currentChanged);
    connect(source, &db::DataSource::recordChanged, this, &DataSetTableModel::currentRecordChanged);
    connect(source, &db::DataSource::fieldChanged, this, &DataSetTableModel::currentRecordChanged);
    m_rows = dataSet() ? dataSet()->rowsShown() : 0;
    m_currentRow = currentRow();
}

db::DataSet* DataSetTableModel::dataSet() const
{
    return m_source ? m_source->dataSet() : nullptr;
}

int DataSetTableModel::currentRow() const
{
    const db::DataSet* view = dataSet();
    if (!view || !view->isActive() || view->isEmpty())
        return -1;
    return view->currentIndex() < m_rows ? view->currentIndex() : -1;
}

void DataSetTableModel::setCurrentRow(int row)
{
    db::DataSet* view = dataSet();
    if (view && view->isActive() && row >= 0 && row < m_rows && row != view->currentIndex())
        view->setCurrentRow(row);
}

void DataSetTableModel::setEditable(bool editable)
{
    if (m_editable == editable)
        return;
    beginResetModel();
    m_editable = editable;
    endResetModel();
}

bool DataSetTableModel::canEdit(const QModelIndex& index) const
{
    if (!m_editable || !index.isValid() || m_columns.at(index.column()).readOnly)
        return false;
    const db::Field* field = fieldOf(index.column());
    return field && !field->readOnly() && field->kind() != db::FieldKind::Calculated &&
           field->dataSet()->canModify();
}

void DataSetTableModel::writeCell(const QModelIndex& index, const QString& text)
{
    db::DataSet* view = dataSet();
    db::Field* field = fieldOf(index.column());
    if (!view || !field || !canEdit(index))
        return;
    setCurrentRow(index.row());
    if (view->currentIndex() != index.row())
        return;
    if (!view->isEditing())
        view->edit();
    field->setText(text);
}

db::Field* DataSetTableModel::fieldOf(int column) const
{
    const db::DataSet* view = dataSet();
    return view && column >= 0 && column < m_columns.size()
               ? view->findField(m_columns.at(column).field)
               : nullptr;
}

int DataSetTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DataSetTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DataSetTableModel::data(const QModelIndex& index, int role) const
{
    if ((role != Qt::DisplayRole && role != Qt::EditRole) ||
        !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    db::Field* field = fieldOf(index.column());
    if (!field)
        return {};
    try {
        // The current record's cell is edited from the field's edit text.
        if (role == Qt::EditRole && index.row() == m_currentRow)
            return field->text();
        return dataSet()->displayTextInRow(index.row(), field);
    } catch (const std::exception&) {
        // A record another copy deleted meanwhile shows empty until the
        // view is read anew.
        return {};
    }
}

Qt::ItemFlags DataSetTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (canEdit(index))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool DataSetTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    const bool written = Guarded([&] { writeCell(index, value.toString()); });
    if (!written && index.row() < m_rows)
        Q_EMIT dataChanged(index, index);
    return written;
}

QVariant DataSetTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        // The row indicator: a mark at the current record.
        if (role == Qt::DisplayRole)
            return section == m_currentRow ? QStringLiteral("\u25B6") : QString();
        return {};
    }
    if (section < 0 || section >= m_columns.size())
        return {};
    const Column& column = m_columns.at(section);
    if (role == Qt::DisplayRole) {
        if (!column.title.isEmpty())
            return column.title;
        const db::Field* field = fieldOf(section);
        return field ? field->displayLabel() : column.field;
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(column.titleAlignment | Qt::AlignVCenter);
    return {};
}

void DataSetTableModel::stateChanged()
{
    // Starting or ending an edit leaves the rows (and a cell editor) alone;
    // an insert adds its row.
    const int rows = dataSet() ? dataSet()->rowsShown() : 0;
    if (rows != m_rows || currentRow() != m_currentRow) {
        reset();
        return;
    }
    if (m_currentRow >= 0) {
        Q_EMIT headerDataChanged(Qt::Vertical, m_currentRow, m_currentRow);
        if (!m_columns.isEmpty())
            Q_EMIT dataChanged(index(m_currentRow, 0), index(m_currentRow, columnCount() - 1));
    }
}

void DataSetTableModel::reset()
{
    beginResetModel();
    m_rows = dataSet() ? dataSet()->rowsShown() : 0;
    endResetModel();
    m_currentRow = currentRow();
    Q_EMIT currentRowChanged(m_currentRow);
}

void DataSetTableModel::currentChanged()
{
    // A record appended or gone changes the count without a reset.
    const int rows = dataSet() ? dataSet()->rowsShown() : 0;
    if (rows != m_rows) {
        reset();
        return;
    }
    const int before = m_currentRow;
    m_currentRow = currentRow();
    if (before >= 0)
        Q_EMIT headerDataChanged(Qt::Vertical, before, before);
    if (m_currentRow >= 0)
        Q_EMIT headerDataChanged(Qt::Vertical, m_currentRow, m_currentRow);
    Q_EMIT currentRowChanged(m_currentRow);
}

void DataSetTableModel::currentRecordChanged()
{
    const int rows = dataSet() ? dataSet()->rowsShown() : 0;
    if (rows != m_rows || currentRow() != m_currentRow) {
        reset();
        return;
    }
    if (m_currentRow >= 0 && !m_columns.isEmpty())
        Q_EMIT dataChanged(index(m_currentRow, 0), index(m_currentRow, columnCount() - 1));
}

} // namespace kasplan
