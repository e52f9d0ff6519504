#pragma once

#include <QString>

#include <optional>

namespace kasplan {

class TDBGrid;

// Copies the records of a grid's view to the clipboard as text a
// spreadsheet takes in: a header line with the titles of every column, the
// hidden ones included, then one line per record with the stored values
// (tab-separated, CR LF after every line). When rows of the grid are marked
// the user chooses between them and the whole table. While it works the
// progress box "Copying to clipboard...." is shown with its Cancel button,
// the busy cursor is set and the view's display updates are suspended. The
// view ends on the last record written (the record reached, when
// cancelled).
class GridClipboardExport
{
public:
    explicit GridClipboardExport(TDBGrid& grid);

    // The text of the export; nothing when the user cancelled.
    std::optional<QString> BuildText();
    // Builds the text and puts it on the clipboard. A cancelled export
    // leaves the clipboard as it was.
    void Run();

    static const QString SelectionQuestion;
    static const QString Caption;

private:
    std::optional<QString> exportText(bool toClipboard);

    TDBGrid& m_grid;
};

} // namespace kasplan
