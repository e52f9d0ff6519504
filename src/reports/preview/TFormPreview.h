#pragma once

#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QEventLoop;
class QPrinter;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace kasplan {

class TKPrepForm;
class TQRPreview;

// "Printvoorbeeld", the print preview of every report: page through it, zoom,
// set up the printer, print, close. One window serves the whole run and
// holds at most one report at a time.
//
// While it shows a report, the rest of the program waits for it: the report
// reads the program's own tables whenever a page comes into view, so they
// must not change under it.
class TFormPreview : public QWidget
{
    Q_OBJECT

public:
    static constexpr int HelpContext = 50020;
    // The zoom list's items; the first six set these percentages.
    static constexpr int ZoomSteps[] = {25, 50, 75, 100, 150, 200};
    enum ZoomItem { HelePagina = 6, PaginaBreedte = 7 };

    explicit TFormPreview(QWidget* parent = nullptr);
    ~TFormPreview() override;

    // The preview request of a report: generates it, shows it here and runs
    // the program until this window closes. Errors while generating are
    // shown and end the request.
    void PreviewReport(TKPrepForm& report);
    TKPrepForm* AttachedReport() const { return m_report; }

    // The printer dialogs; they answer whether to go on. Tests replace them.
    std::function<bool(QPrinter&)> PrinterSetupDialog;
    std::function<bool(QPrinter&)> PrintDialog;

    QToolButton* const PriorPageBtn;
    QToolButton* const NextPageBtn;
    QToolButton* const ZoomOutBtn;
    QToolButton* const ZoomInBtn;
    QToolButton* const ZoomFitBtn;
    QToolButton* const ZoomWidthBtn;
    QComboBox* const ComboBoxZoom;
    QToolButton* const PrinterSetupBtn;
    QToolButton* const PrintBtn;
    QToolButton* const HelpBtn;
    QPushButton* const CloseBtn;
    QStatusBar* const StatusBar;
    TQRPreview* const QRPreview;

    int Copies() const { return m_copies; }

Q_SIGNALS:
    // The report was let go; the preview request returns.
    void Detached();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void FormClose();
    // Another page of the report is generated.
    void PageAvailable();
    void GenerateMore();
    void ComboBoxZoomChange(int index);
    void UpdateZoomButtons();
    void ZoomIn();
    void ZoomOut();
    void ZoomToFit();
    void ZoomToWidth();
    void PriorPage();
    void NextPage();
    void UpdatePageButtons();
    void UpdateStatus();
    void PrinterSetup();
    void Print();
    void selectZoomItem(int index);
    QPrinter& ReportPrinter();

    TKPrepForm* m_report = nullptr;
    std::unique_ptr<QPrinter> m_printer;
    int m_copies = 1;
    bool m_firstPage = false;
    bool m_generating = false;
};

} // namespace kasplan
