#include "TFormPreview.h"

#include "PreviewGlyphs.h"
#include "TQRPreview.h"

#include "core/ErrorBarrier.h"
#include "reports/TKPrepForm.h"
#include "widgets/DesignFont.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace kasplan {

namespace {

// Generation goes on between the user's actions, a slice at a time.
constexpr int GenerationSliceMs = 30;

QToolButton* speedButton(QWidget* parent, const char* name, const QString& hint, PreviewGlyph glyph)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setIcon(PreviewIcon(glyph));
    b->setIconSize(QSize(24, 24));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

} // namespace

TFormPreview::TFormPreview(QWidget* parent)
    : QWidget(parent, Qt::Window),
      PriorPageBtn(speedButton(this, "PriorPageBtn", QStringLiteral("Vorige pagina"),
                               PreviewGlyph::PriorPage)),
      NextPageBtn(speedButton(this, "NextPageBtn", QStringLiteral("Volgende pagina"),
                              PreviewGlyph::NextPage)),
      ZoomOutBtn(
          speedButton(this, "ZoomOutBtn", QStringLiteral("Verkleinen"), PreviewGlyph::ZoomOut)),
      ZoomInBtn(speedButton(this, "ZoomInBtn", QStringLiteral("Vergroten"), PreviewGlyph::ZoomIn)),
      ZoomFitBtn(speedButton(this, "ZoomFitBtn", QStringLiteral("Vergroten tot hele pagina"),
                             PreviewGlyph::WholePage)),
      ZoomWidthBtn(speedButton(this, "ZoomWidthBtn", QStringLiteral("Vergroten tot pagina breedte"),
                               PreviewGlyph::PageWidth)),
      ComboBoxZoom(new QComboBox(this)),
      PrinterSetupBtn(speedButton(this, "PrinterSetupBtn", QStringLiteral("Printer instellingen"),
                                  PreviewGlyph::PrinterSetup)),
      PrintBtn(
          speedButton(this, "PrintBtn", QStringLiteral("Rapport afdrukken"), PreviewGlyph::Print)),
      HelpBtn(speedButton(this, "HelpBtn", QStringLiteral("Vraag om help"), PreviewGlyph::Help)),
      CloseBtn(new QPushButton(QStringLiteral("&Sluiten"), this)), StatusBar(new QStatusBar(this)),
      QRPreview(new TQRPreview(this))
{
    setObjectName(QStringLiteral("FormPreview"));
    setWindowTitle(QStringLiteral("Printvoorbeeld"));
    setFont(DesignFont(QStringLiteral("MS Sans Serif"), 14));
    // The report reads the program's tables while it is shown.
    setWindowModality(Qt::ApplicationModal);
    resize(713, 382);

    ComboBoxZoom->setObjectName(QStringLiteral("ComboBoxZoom"));
    ComboBoxZoom->setToolTip(QStringLiteral("Vergroting"));
    ComboBoxZoom->setEditable(false);
    for (int step : ZoomSteps)
        ComboBoxZoom->addItem(QStringLiteral("%1%").arg(step));
    ComboBoxZoom->addItem(QStringLiteral("Hele pagina"));
    ComboBoxZoom->addItem(QStringLiteral("Pagina breedte"));
    ComboBoxZoom->setFocusPolicy(Qt::NoFocus);
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
    CloseBtn->setToolTip(QStringLiteral("Afsluiten printvoorbeeld"));
    CloseBtn->setFocusPolicy(Qt::NoFocus);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    auto* statusPanel = new QLabel(StatusBar);
    statusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusBar->addWidget(statusPanel, 1);

    auto* topBar = new QWidget(this);
    topBar->setObjectName(QStringLiteral("TopBar"));
    topBar->setFixedHeight(40);
    auto* bar = new QHBoxLayout(topBar);
    bar->setContentsMargins(4, 4, 4, 4);
    bar->setSpacing(2);
    for (QWidget* w : std::initializer_list<QWidget*>{PriorPageBtn, NextPageBtn, ZoomOutBtn,
                                                      ZoomInBtn, ZoomFitBtn, ZoomWidthBtn})
        bar->addWidget(w);
    bar->addSpacing(6);
    bar->addWidget(ComboBoxZoom);
    bar->addStretch(1);
    for (QWidget* w : std::initializer_list<QWidget*>{PrinterSetupBtn, PrintBtn, HelpBtn, CloseBtn})
        bar->addWidget(w);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(topBar);
    layout->addWidget(QRPreview, 1);
    layout->addWidget(StatusBar);

    connect(PriorPageBtn, &QToolButton::clicked, this, &TFormPreview::PriorPage);
    connect(NextPageBtn, &QToolButton::clicked, this, &TFormPreview::NextPage);
    connect(ZoomOutBtn, &QToolButton::clicked, this, &TFormPreview::ZoomOut);
    connect(ZoomInBtn, &QToolButton::clicked, this, &TFormPreview::ZoomIn);
    connect(ZoomFitBtn, &QToolButton::clicked, this, &TFormPreview::ZoomToFit);
    connect(ZoomWidthBtn, &QToolButton::clicked, this, &TFormPreview::ZoomToWidth);
    connect(ComboBoxZoom, &QComboBox::activated, this, &TFormPreview::ComboBoxZoomChange);
    connect(PrinterSetupBtn, &QToolButton::clicked, this, &TFormPreview::PrinterSetup);
    connect(PrintBtn, &QToolButton::clicked, this, &TFormPreview::Print);
    connect(CloseBtn, &QPushButton::clicked, this, &QWidget::close);
    // No help file comes with the program; the button does nothing.

    PrinterSetupDialog = [this](QPrinter& printer) {
        QPageSetupDialog dialog(&printer, this);
        dialog.setWindowTitle(QStringLiteral("Printer instellingen"));
        return dialog.exec() == QDialog::Accepted;
    };
    PrintDialog = [this](QPrinter& printer) {
        QPrintDialog dialog(&printer, this);
        dialog.setWindowTitle(QStringLiteral("Rapport afdrukken"));
        dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                          QAbstractPrintDialog::PrintShowPageSize);
        dialog.setMinMax(1, std::max(1, m_report ? m_report->PageCount() : 1));
        return dialog.exec() == QDialog::Accepted;
    };

    // Key preview: Page Up and Page Down page through the report whichever
    // control has the focus.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    m_copies = 1;
    UpdatePageButtons();
    UpdateZoomButtons();
}

TFormPreview::~TFormPreview() = default;

void TFormPreview::PreviewReport(TKPrepForm& report)
{
    // One report at a time: a second request while one is shown is refused.
    if (m_report)
        return;
    try {
        report.Generate();
    } catch (...) {
        ReportError(std::current_exception());
        try {
            report.AfterPreview();
        } catch (const std::exception&) {
        }
        return;
    }
    m_report = &report;
    QRPreview->setReport(&report);
    show();
    raise();
    activateWindow();
    PageAvailable();
    if (!report.Complete())
        QTimer::singleShot(0, this, &TFormPreview::GenerateMore);

    if (m_report) {
        QEventLoop loop;
        connect(this, &TFormPreview::Detached, &loop, &QEventLoop::quit);
        loop.exec();
    }
    try {
        report.AfterPreview();
    } catch (...) {
        ReportError(std::current_exception());
    }
}

void TFormPreview::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormPreview::FormShow()
{
    ComboBoxZoom->setCurrentIndex(PaginaBreedte);
    m_firstPage = true;
}

void TFormPreview::PageAvailable()
{
    if (!m_report)
        return;
    if (m_firstPage) {
        // The control fits the width as soon as it has a page.
        QRPreview->ZoomToWidth();
        QRPreview->setPageNumber(1);
        UpdateZoomButtons();
    }
    UpdatePageButtons();
    UpdateStatus();
    m_firstPage = false;
}

void TFormPreview::GenerateMore()
{
    if (!m_report || m_report->Complete() || m_generating)
        return;
    m_generating = true;
    QElapsedTimer slice;
    slice.start();
    try {
        while (m_report && !m_report->Complete() && slice.elapsed() < GenerationSliceMs) {
            if (m_report->GenerateNextPage())
                PageAvailable();
        }
    } catch (...) {
        // The pages generated so far stay; the rest are not made.
        m_generating = false;
        ReportError(std::current_exception());
        return;
    }
    m_generating = false;
    if (m_report && !m_report->Complete())
        QTimer::singleShot(0, this, &TFormPreview::GenerateMore);
}

void TFormPreview::closeEvent(QCloseEvent* event)
{
    FormClose();
    QWidget::closeEvent(event);
}

void TFormPreview::FormClose()
{
    m_copies = 1;
    try {
        if (m_report)
            m_report->DiscardPages();
    } catch (const std::exception&) {
    }
    QRPreview->setReport(nullptr);
    const bool attached = m_report != nullptr;
    m_report = nullptr;
    m_printer.reset();
    UpdatePageButtons();
    UpdateStatus();
    if (attached)
        Q_EMIT Detached();
}

bool TFormPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
            key == Qt::Key_PageUp ? PriorPage() : NextPage();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFormPreview::selectZoomItem(int index)
{
    ComboBoxZoom->setCurrentIndex(index);
}

void TFormPreview::ComboBoxZoomChange(int index)
{
    if (index >= 0 && index < int(std::size(ZoomSteps)))
        QRPreview->setZoom(ZoomSteps[index]);
    else if (index == HelePagina)
        QRPreview->ZoomToFit();
    else if (index == PaginaBreedte)
        QRPreview->ZoomToWidth();
    UpdateZoomButtons();
}

void TFormPreview::UpdateZoomButtons()
{
    const int zoom = QRPreview->Zoom();
    ZoomInBtn->setEnabled(zoom < 200);
    ZoomOutBtn->setEnabled(zoom >= 26);
}

void TFormPreview::ZoomIn()
{
    const int zoom = QRPreview->Zoom();
    for (int i = 0; i < int(std::size(ZoomSteps)); ++i) {
        if (zoom < ZoomSteps[i]) {
            selectZoomItem(i);
            ComboBoxZoomChange(i);
            return;
        }
    }
}

void TFormPreview::ZoomOut()
{
    const int zoom = QRPreview->Zoom();
    for (int i = int(std::size(ZoomSteps)) - 1; i >= 0; --i) {
        if (ZoomSteps[i] < zoom) {
            selectZoomItem(i);
            ComboBoxZoomChange(i);
            return;
        }
    }
}

void TFormPreview::ZoomToFit()
{
    QRPreview->ZoomToFit();
    selectZoomItem(HelePagina);
    UpdateZoomButtons();
}

void TFormPreview::ZoomToWidth()
{
    QRPreview->ZoomToWidth();
    selectZoomItem(PaginaBreedte);
    UpdateZoomButtons();
}

void TFormPreview::PriorPage()
{
    if (QRPreview->PageNumber() >= 2) {
        QRPreview->setPageNumber(QRPreview->PageNumber() - 1);
        UpdateStatus();
        UpdatePageButtons();
    }
}

void TFormPreview::NextPage()
{
    if (m_report && QRPreview->PageNumber() < m_report->PageCount()) {
        QRPreview->setPageNumber(QRPreview->PageNumber() + 1);
        UpdateStatus();
        UpdatePageButtons();
    }
}

void TFormPreview::UpdatePageButtons()
{
    const int page = QRPreview->PageNumber();
    PriorPageBtn->setEnabled(m_report && page >= 2);
    NextPageBtn->setEnabled(m_report && page < m_report->PageCount());
}

void TFormPreview::UpdateStatus()
{
    auto* panel = StatusBar->findChild<QLabel*>(QStringLiteral("StatusPanel"));
    if (!m_report) {
        panel->clear();
        return;
    }
    panel->setText(
        QStringLiteral("Pagina %1 van %2").arg(QRPreview->PageNumber()).arg(m_report->PageCount()));
}

void TFormPreview::PrinterSetup()
{
    if (!m_report)
        return;
    try {
        PrinterSetupDialog(ReportPrinter());
    } catch (const std::exception&) {
        // A printer that cannot be set up leaves the settings as they were.
    }
}

void TFormPreview::Print()
{
    if (!m_report)
        return;
    QPrinter& printer = ReportPrinter();
    if (!PrintDialog(printer))
        return;
    const bool range = printer.printRange() == QPrinter::PageRange;
    try {
        for (int copy = 0; copy < m_copies; ++copy)
            m_report->Print(printer, range ? printer.fromPage() : 0, range ? printer.toPage() : 0);
    } catch (...) {
        ReportError(std::current_exception());
        // A failed print leaves no pages: the preview generates its own again.
        try {
            if (!m_report->Generated())
                m_report->Generate();
        } catch (...) {
            ReportError(std::current_exception());
        }
        if (!m_report->Complete())
            QTimer::singleShot(0, this, &TFormPreview::GenerateMore);
    }
    // The pages in view are the ones generated for the printer now.
    QRPreview->refreshPage();
    UpdatePageButtons();
    UpdateStatus();
}

QPrinter& TFormPreview::ReportPrinter()
{
    // Set up once per report, starting from the report's own paper.
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setFullPage(true);
        m_printer->setPageLayout(m_report->PageLayout());
    }
    return *m_printer;
}

} // namespace kasplan
