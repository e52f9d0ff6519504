#pragma once

#include "ReportBand.h"

#include <QList>
#include <QSizeF>

class QPagedPaintDevice;
class QPainter;

namespace kasplan::report {

class PageCanvas;

struct PageSetup
{
    QSizeF paperMm{210, 297};
    double marginMm = 12.7;

    double contentWidthMm() const { return paperMm.width() - 2 * marginMm; }
};

// The detail bands of a report, in groups: a record with the bands under it
// (a cultivar and its sizes). The report asks for heights while it lays the
// pages out and for the bands themselves only when it paints a page.
class BandStream
{
public:
    virtual ~BandStream() = default;

    virtual int groupCount() = 0;
    // At least one: the group's own band.
    virtual int partCount(int group) = 0;
    virtual double partHeight(int group, int part) = 0;
    virtual Band part(int group, int part) = 0;

    // The stream may move its data's cursor between these two and puts it
    // back at the end; the report brackets each piece of work with them.
    virtual void beginVisit() {}
    virtual void endVisit() {}
};

// What a report is made of. The report asks for the bands at the start of
// each generation (title, headers) or when it paints (details, summary,
// footer), so their texts may change from one generation to the next.
class ReportDefinition
{
public:
    virtual ~ReportDefinition() = default;

    virtual PageSetup pageSetup() const = 0;
    // Printed once, at the top of the first page; a null band for none.
    virtual Band titleBand() = 0;
    // At the top of every page, under the title band on the first.
    virtual QList<Band> columnHeaderBands() = 0;
    virtual BandStream& detailBands() = 0;
    // After the last detail band; a null band for none.
    virtual Band summaryBand() = 0;
    // At the bottom of every page.
    virtual Band pageFooter(int page) = 0;
};

struct PlacedBand
{
    Band band;
    double topMm = 0; // from the paper's top edge; bands start at the left margin
};

// Lays a report's pages out once and paints any of them on demand. Layout
// needs only the heights of the bands, so a long report is quick to start
// and can be laid out page by page; a band never breaks over two pages, and
// a group's own band stays with its first part.
class BandReport
{
public:
    explicit BandReport(ReportDefinition& definition);

    // Forgets the pages and begins a new generation.
    void start();
    // Lays out one more page; false when the report was complete already.
    bool layoutNextPage();
    void layoutAll();
    bool started() const { return m_started; }
    bool finished() const { return m_finished; }
    // The pages laid out so far.
    int pageCount() const { return int(m_pages.size()); }
    PageSetup pageSetup() const { return m_setup; }

    // The bands of a page laid out (from 1), in printing order.
    QList<PlacedBand> pageBands(int page);
    // Paints a page on a painter whose device starts at the paper's corner.
    void paintPage(QPainter& painter, int page, double dotsPerMm, bool blackWhite);
    // Lays out every page and paints those from firstPage to lastPage (0 and
    // 0: all) on the device, one after another. The device's page must be
    // the report's paper.
    void printAll(QPagedPaintDevice& device, bool blackWhite, int firstPage = 0, int lastPage = 0);

    // Discards the pages laid out.
    void clear();

private:
    struct Position
    {
        int group = 0;
        int part = 0;
    };
    struct Page
    {
        Position from;
        Position to; // the first band of the next page
        bool summary = false;
    };
    class Visit;
    // Lays out a page; with details, the page's detail bands are built on
    // the way, while their data are at hand.
    bool layoutNextPage(QList<Band>* details);
    QList<PlacedBand> assemble(int page, const QList<Band>& details);
    void paint(PageCanvas& canvas, const QList<PlacedBand>& bands);

    bool streamDone(const Position& p) const { return p.group >= m_groups; }
    int partsOf(int group);
    void advance(Position& p);
    double footerTopMm() const;

    ReportDefinition& m_definition;
    PageSetup m_setup;
    Band m_title;
    QList<Band> m_headers;
    double m_headersHeight = 0;
    double m_footerHeight = 0;
    int m_groups = 0;
    // Parts of the group at m_partsGroup, asked once per group.
    int m_partsGroup = -1;
    int m_parts = 0;
    QList<Page> m_pages;
    Position m_next;
    bool m_started = false;
    bool m_summaryPlaced = false;
    bool m_finished = false;
};

} // namespace kasplan::report
