#include "GridClipboardExport.h"

#include "TDBGrid.h"

#include "core/UserPrompts.h"
#include "db/engine/DataSet.h"
#include "db/engine/RecordLines.h"
#include "widgets/TProgressBox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProgressBar>
#include <QScreen>

#include <numeric>

namespace kasplan {

const QString GridClipboardExport::SelectionQuestion =
    QStringLiteral("Do you want to copy the selection only (Yes)\ror the entire table (No) ?");
const QString GridClipboardExport::Caption = QStringLiteral("Copying to clipboard....");

namespace {

// What an export holds while it runs: the progress box, the busy cursor and
// the suspended display updates of the view, given back however it ends.
class Running
{
public:
    Running(db::DataSet& view, QScreen* screen) : m_view(view)
    {
        box.setWindowTitle(GridClipboardExport::Caption);
        box.ProgressBar->setValue(0);
        if (screen)
            box.move(screen->availableGeometry().center() - box.rect().center());
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        m_view.disableControls();
        box.show();
    }
    ~Running()
    {
        if (!m_resumed) {
            try {
                m_view.enableControls();
            } catch (...) {
                // The error that ended the export is the one to report; the
                // controls catch up at the view's next change.
            }
        }
        QGuiApplication::restoreOverrideCursor();
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

    // The controls show the view again; what their handlers throw reaches
    // the caller.
    void resume()
    {
        m_resumed = true;
        m_view.enableControls();
    }

    TProgressBox box;

private:
    db::DataSet& m_view;
    bool m_resumed = false;
};

QList<db::TextColumn> gridColumns(const TDBGrid& grid)
{
    QList<db::TextColumn> columns;
    const DataSetTableModel& model = *grid.gridModel();
    for (int c = 0; c < model.columnCount(); ++c)
        columns.append(
            {model.headerData(c, Qt::Horizontal).toString(), model.columns().at(c).field, {}});
    return columns;
}

} // namespace

GridClipboardExport::GridClipboardExport(TDBGrid& grid) : m_grid(grid) {}

std::optional<QString> GridClipboardExport::BuildText()
{
    return exportText(false);
}

void GridClipboardExport::Run()
{
    exportText(true);
}

std::optional<QString> GridClipboardExport::exportText(bool toClipboard)
{
    db::DataSet* view = m_grid.gridModel()->dataSet();
    if (!view || !view->isActive())
        return std::nullopt;
    const db::RecordLines lines(*view, gridColumns(m_grid), db::TextFormat::Tsv);
    // Asked before the progress box appears: that box stays on top and
    // would cover the question.
    const QList<int> marked = m_grid.SelectedRows();
    const bool selectionOnly =
        !marked.isEmpty() && UserPrompts::current().confirmYesNo(SelectionQuestion);

    Running running(*view, m_grid.screen());
    QString text;
    lines.appendHeader(text);
    if (running.box.StepProgress(5)) {
        running.resume();
        return std::nullopt;
    }

    // Pending changes end as moving the view ends them; the records are then
    // read by position, and the view only moves to where the export leaves
    // it, so its detail views follow once rather than for every record.
    std::vector<int> rows;
    if (selectionOnly) {
        view->checkBrowseMode();
        rows.assign(marked.begin(), marked.end());
    } else {
        view->first();
        rows.resize(size_t(view->recordCount()));
        std::iota(rows.begin(), rows.end(), 0);
    }
    const double step = rows.empty() ? 0.0 : 85.0 / double(rows.size());
    const size_t written =
        lines.appendRecords(text, rows, [&] { return !running.box.StepProgress(step); });
    if (written < rows.size()) {
        // The whole table stands on the record it was about to write, a
        // selection on the last row it wrote.
        view->setCurrentIndex(selectionOnly ? (written > 0 ? rows[written - 1] : -1)
                                            : rows[written]);
        running.resume();
        return std::nullopt;
    }
    if (!rows.empty())
        view->setCurrentIndex(rows.back());

    if (toClipboard) {
        QGuiApplication::clipboard()->setText(text);
        running.box.StepProgress(10);
    }
    running.resume();
    return text;
}

} // namespace kasplan
