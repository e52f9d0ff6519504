#include "TQRPreview.h"

#include "core/ErrorBarrier.h"
#include "reports/TKPrepForm.h"

#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>

#include <cmath>

namespace kasplan {

namespace {
// Grey round the page, as on a desk.
constexpr int Gap = 10;
const QColor DeskGrey(128, 128, 128);
} // namespace

class TQRPreview::PageView : public QWidget
{
public:
    explicit PageView(TQRPreview& preview) : QWidget(nullptr), m_preview(preview)
    {
        setAutoFillBackground(false);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), DeskGrey);
        const QImage& image = m_preview.pageImage();
        if (image.isNull())
            return;
        const QPoint at((width() - image.width()) / 2, Gap);
        p.fillRect(QRect(at + QPoint(3, 3), image.size()), QColor(64, 64, 64));
        p.drawImage(at, image);
    }

private:
    TQRPreview& m_preview;
};

TQRPreview::TQRPreview(QWidget* parent) : QScrollArea(parent), m_view(new PageView(*this))
{
    setObjectName(QStringLiteral("QRPreview"));
    setWidget(m_view);
    setWidgetResizable(false);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette desk = viewport()->palette();
    desk.setColor(QPalette::Window, DeskGrey);
    viewport()->setPalette(desk);
    viewport()->setBackgroundRole(QPalette::Window);
    viewport()->setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
}

void TQRPreview::setReport(TKPrepForm* report)
{
    // Nothing is shown until a page is chosen.
    m_report = report;
    m_page = 0;
    render();
}

double TQRPreview::screenDotsPerMm() const
{
    return logicalDpiX() / 25.4;
}

void TQRPreview::setPageNumber(int page)
{
    if (!m_report || page < 1 || page > m_report->PageCount())
        return;
    m_page = page;
    render();
    verticalScrollBar()->setValue(0);
}

int TQRPreview::fittedZoom(Fit fit) const
{
    if (!m_report)
        return m_zoom;
    const QSizeF paper = m_report->PaperSizeMm() * screenDotsPerMm();
    const QSize room = maximumViewportSize();
    double width = room.width() - 2.0 * Gap;
    const double height = room.height() - 2.0 * Gap;
    // A page fitted to the width is mostly taller than the window; one dot
    // spare keeps the rounding from asking for a horizontal scroll bar.
    if (fit == Fit::Width)
        width -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar()) + 1;
    double scale = width / paper.width();
    if (fit == Fit::WholePage)
        scale = std::min(scale, height / paper.height());
    return std::clamp(int(std::floor(scale * 100)), MinZoom, MaxZoom);
}

void TQRPreview::applyZoom(int percent, Fit fit)
{
    m_fit = fit;
    m_zoom = std::clamp(percent, MinZoom, MaxZoom);
    render();
}

void TQRPreview::setZoom(int percent)
{
    applyZoom(percent, Fit::None);
}

void TQRPreview::ZoomToFit()
{
    applyZoom(fittedZoom(Fit::WholePage), Fit::WholePage);
}

void TQRPreview::ZoomToWidth()
{
    applyZoom(fittedZoom(Fit::Width), Fit::Width);
}

void TQRPreview::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    if (m_fit != Fit::None && m_report) {
        const int zoom = fittedZoom(m_fit);
        if (zoom != m_zoom) {
            m_zoom = zoom;
            render();
        }
    }
}

void TQRPreview::refreshPage()
{
    if (m_report) {
        const int pages = m_report->PageCount();
        m_page = std::clamp(m_page, std::min(1, pages), pages);
    }
    render();
}

void TQRPreview::render()
{
    if (!m_report || m_page < 1) {
        m_image = QImage();
        m_view->resize(viewport()->size());
        m_view->update();
        return;
    }
    const double dotsPerMm = screenDotsPerMm() * m_zoom / 100.0;
    const QSizeF paper = m_report->PaperSizeMm() * dotsPerMm;
    QImage image(QSize(int(std::ceil(paper.width())), int(std::ceil(paper.height()))),
                 QImage::Format_RGB32);
    image.setDotsPerMeterX(int(std::lround(dotsPerMm * 1000)));
    image.setDotsPerMeterY(int(std::lround(dotsPerMm * 1000)));
    image.fill(Qt::white);
    // The page reads the program's tables; what goes wrong there is shown,
    // and the page stays blank.
    Guarded([&] {
        QPainter painter(&image);
        m_report->PaintPage(painter, m_page, dotsPerMm);
    });
    m_image = std::move(image);
    m_view->resize(m_image.size() + QSize(2 * Gap, 2 * Gap));
    m_view->update();
    Q_EMIT pageShown(m_page);
}

} // namespace kasplan
