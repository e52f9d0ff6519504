#include "BandReport.h"

#include "PageCanvas.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <stdexcept>

namespace kasplan::report {

namespace {
// Heights add up in tenths of millimetres; a band that fits exactly fits.
constexpr double Slack = 1e-6;
} // namespace

// Brackets one piece of work on the stream's data.
class BandReport::Visit
{
public:
    explicit Visit(BandStream& stream) : m_stream(stream) { m_stream.beginVisit(); }
    ~Visit() { m_stream.endVisit(); }
    Visit(const Visit&) = delete;
    Visit& operator=(const Visit&) = delete;

private:
    BandStream& m_stream;
};

BandReport::BandReport(ReportDefinition& definition) : m_definition(definition) {}

void BandReport::clear()
{
    m_pages.clear();
    m_title = Band();
    m_headers.clear();
    m_started = false;
    m_finished = false;
    m_summaryPlaced = false;
    m_partsGroup = -1;
}

void BandReport::start()
{
    clear();
    m_setup = m_definition.pageSetup();
    m_title = m_definition.titleBand();
    m_headers = m_definition.columnHeaderBands();
    m_headersHeight = 0;
    for (const Band& b : std::as_const(m_headers))
        m_headersHeight += b.height();
    m_footerHeight = m_definition.pageFooter(1).height();
    {
        Visit visit(m_definition.detailBands());
        m_groups = m_definition.detailBands().groupCount();
    }
    m_next = Position();
    m_started = true;
}

int BandReport::partsOf(int group)
{
    if (group != m_partsGroup) {
        m_parts = std::max(1, m_definition.detailBands().partCount(group));
        m_partsGroup = group;
    }
    return m_parts;
}

void BandReport::advance(Position& p)
{
    if (++p.part >= partsOf(p.group)) {
        ++p.group;
        p.part = 0;
    }
}

double BandReport::footerTopMm() const
{
    return m_setup.paperMm.height() - m_setup.marginMm - m_footerHeight;
}

bool BandReport::layoutNextPage()
{
    return layoutNextPage(nullptr);
}

bool BandReport::layoutNextPage(QList<Band>* details)
{
    if (!m_started)
        throw std::logic_error("BandReport: layout before start");
    if (m_finished)
        return false;
    BandStream& stream = m_definition.detailBands();
    Visit visit(stream);

    Page page;
    page.from = m_next;
    double y = m_setup.marginMm + m_headersHeight;
    if (m_pages.isEmpty() && !m_title.isNull())
        y += m_title.height();
    const double bottom = footerTopMm();
    bool placed = false;
    while (!streamDone(m_next)) {
        const int parts = partsOf(m_next.group);
        const double height = stream.partHeight(m_next.group, m_next.part);
        double needed = height;
        if (m_next.part == 0 && parts > 1)
            needed += stream.partHeight(m_next.group, 1);
        // A band too high for any page goes on a page of its own.
        if (placed && y + needed > bottom + Slack)
            break;
        y += height;
        placed = true;
        // The data are at hand now; reading them later means moving there
        // again.
        if (details)
            details->append(stream.part(m_next.group, m_next.part));
        advance(m_next);
    }
    if (streamDone(m_next)) {
        const Band summary = m_definition.summaryBand();
        if (summary.isNull() || !placed || y + summary.height() <= bottom + Slack) {
            page.summary = !summary.isNull();
            m_summaryPlaced = true;
            m_finished = true;
        }
    }
    page.to = m_next;
    m_pages.append(page);
    return true;
}

void BandReport::layoutAll()
{
    while (layoutNextPage()) {
    }
}

QList<PlacedBand> BandReport::pageBands(int page)
{
    if (page < 1 || page > m_pages.size())
        return {};
    BandStream& stream = m_definition.detailBands();
    Visit visit(stream);
    const Page& extent = m_pages.at(page - 1);
    QList<Band> details;
    for (Position p = extent.from;
         p.group < extent.to.group || (p.group == extent.to.group && p.part < extent.to.part);
         advance(p))
        details.append(stream.part(p.group, p.part));
    return assemble(page, details);
}

QList<PlacedBand> BandReport::assemble(int page, const QList<Band>& details)
{
    QList<PlacedBand> placed;
    double y = m_setup.marginMm;
    const auto place = [&](const Band& band) {
        placed.append({band, y});
        y += band.height();
    };
    if (page == 1 && !m_title.isNull())
        place(m_title);
    for (const Band& header : std::as_const(m_headers))
        place(header);
    for (const Band& band : details)
        place(band);
    if (m_pages.at(page - 1).summary)
        place(m_definition.summaryBand());
    placed.append({m_definition.pageFooter(page), footerTopMm()});
    return placed;
}

void BandReport::paintPage(QPainter& painter, int page, double dotsPerMm, bool blackWhite)
{
    PageCanvas canvas(painter, dotsPerMm, blackWhite);
    paint(canvas, pageBands(page));
}

void BandReport::paint(PageCanvas& canvas, const QList<PlacedBand>& bands)
{
    const double width = m_setup.contentWidthMm();
    for (const PlacedBand& b : bands)
        canvas.paint(b.band, QPointF(m_setup.marginMm, b.topMm), width);
}

void BandReport::printAll(QPagedPaintDevice& device, bool blackWhite, int firstPage, int lastPage)
{
    Visit visit(m_definition.detailBands());
    QPainter painter;
    if (!painter.begin(&device))
        throw std::runtime_error("De printer of het bestand kan niet geopend worden.");
    const int dpi = device.logicalDpiX();
    const QPageLayout layout = device.pageLayout();
    // Bands are placed from the paper's corner, whatever margins the
    // printer keeps; paper smaller than the report's gets the page shrunk.
    painter.translate(-layout.paintRectPixels(dpi).topLeft());
    const QSizeF paper = layout.fullRect(QPageLayout::Millimeter).size();
    const double fit = std::min(
        {1.0, paper.width() / m_setup.paperMm.width(), paper.height() / m_setup.paperMm.height()});
    PageCanvas canvas(painter, dpi / 25.4 * fit, blackWhite);
    const int first = std::max(1, firstPage);
    bool painted = false;
    for (int page = 1;; ++page) {
        const bool wanted = page >= first && (lastPage <= 0 || page <= lastPage);
        QList<PlacedBand> bands;
        if (page <= pageCount()) {
            if (wanted)
                bands = pageBands(page);
        } else {
            QList<Band> details;
            if (!layoutNextPage(wanted ? &details : nullptr))
                break;
            if (wanted)
                bands = assemble(page, details);
        }
        if (lastPage > 0 && page > lastPage)
            break;
        if (!wanted)
            continue;
        if (painted && !device.newPage())
            throw std::runtime_error("De printer of het bestand weigert een nieuwe pagina.");
        paint(canvas, bands);
        painted = true;
    }
    painter.end();
}

} // namespace kasplan::report
