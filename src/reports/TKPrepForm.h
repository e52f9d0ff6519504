#pragma once

#include "BandReport.h"

#include "db/engine/DataSet.h"

#include <QDateTime>
#include <QPageLayout>

#include <optional>

class QIODevice;

namespace kasplan {

// A text element of a report design: where it sits in its band, how wide its
// box is (0: to the band's right edge) and what it shows.
struct ReportLabel
{
    QString name;
    QPointF at;
    double width = 0;
    QString caption;
    report::TextStyle style;
    Qt::Alignment alignment = Qt::AlignLeft;
    bool visible = true;
};

struct ReportShape
{
    QString name;
    QRectF box;
    double penMm = report::ThinLineMm;
    QColor colour = Qt::black;
    bool visible = true;
};

struct ReportPicture
{
    QString name;
    QRectF box;
    bool enabled = false;
};

// The report base form: one report definition (KPreport) with the title band
// every report of the program shares (logo, program title with its version,
// report title, a legend frame) and the page footer (time of printing, page
// number). It remembers the current record of the report's data set before
// each generation and returns to it after printing and after previewing.
//
// Concrete reports descend from it: they move its elements, add their own
// bands, and do their own preparation before calling this one's.
//
// Generation lays the pages out once, page by page, and paints a page when it
// is shown or printed (report::BandReport). Errors of the data and of the
// printer are thrown to the caller.
class TKPrepForm : public report::ReportDefinition
{
public:
    TKPrepForm();
    ~TKPrepForm() override;
    TKPrepForm(const TKPrepForm&) = delete;
    TKPrepForm& operator=(const TKPrepForm&) = delete;

    // ---- design ----
    report::PageSetup Page; // A4 portrait, 12.7 mm margins
    double TitleBandHeight = 29.9;
    ReportPicture QRImageLogo;
    ReportLabel QRLabelTitle;       // the program's title
    ReportLabel QRLabel47;          // the program's title and the settings version
    ReportLabel QRLabelReportTitle; // the report's own title
    ReportShape QRShapeLegend;      // the frame descendants put their legend in
    double PageFooterHeight = 7.1;
    ReportLabel QRLabelPrintedOn;
    ReportLabel QRSysDataPrintedAt;
    ReportLabel QRSysDataPageNumber;

    // The records the report runs over; it may have none.
    db::DataSet* DataSet() const { return m_dataSet; }
    void SetDataSet(db::DataSet* dataSet) { m_dataSet = dataSet; }

    // ---- generation ----
    // The preparation, then the first page laid out.
    void Generate();
    // One more page laid out; false when the report is complete.
    bool GenerateNextPage();
    bool Generated() const { return KPreport.started(); }
    bool Complete() const { return KPreport.finished(); }
    int PageCount() const { return KPreport.pageCount(); }
    QSizeF PaperSizeMm() const { return KPreport.pageSetup().paperMm; }
    // Paints a generated page (from 1) on a painter whose device starts at
    // the paper's corner.
    void PaintPage(QPainter& painter, int page, double dotsPerMm);
    // Discards the generated pages.
    void DiscardPages() { KPreport.clear(); }

    // The report's paper, without margins: what a printer starts from.
    QPageLayout PageLayout() const;
    // Generates the report again for the device and prints the pages from
    // first to last (0 and 0: all), then returns to the remembered record.
    // Paper smaller than the report's gets the pages shrunk to fit.
    void Print(QPagedPaintDevice& device, int firstPage = 0, int lastPage = 0);
    // Print() into a PDF file.
    void WritePdf(QIODevice& file);
    // After previewing: back to the remembered record.
    void AfterPreview() { RestoreRememberedRecord(); }

    // The settings read by the last preparation.
    bool BlackWhite() const { return m_blackWhite; }
    QDateTime PrintedAt() const { return m_printedAt; }

    // ---- for tests: the bands of a generated page ----
    QList<report::PlacedBand> PageBands(int page) { return KPreport.pageBands(page); }

    // The date and time of printing as the footer shows it.
    static QString PrintedAtText(const QDateTime& when);

protected:
    // Before each generation. Descendants do their own preparation first and
    // call this one last.
    virtual void ReportPreparation();
    // Descendants add their own elements to the title band.
    virtual void AddTitleItems(report::Band& title);

    // ReportDefinition: the title band and page footer.
    report::PageSetup pageSetup() const override { return Page; }
    report::Band titleBand() override;
    report::Band pageFooter(int page) override;

    // The label as an element of a band that is width wide.
    static void AddLabel(report::Band& band, const ReportLabel& label, double bandWidth);

    report::BandReport KPreport;

private:
    void RememberCurrentRecord();
    void RestoreRememberedRecord();

    db::DataSet* m_dataSet = nullptr;
    std::optional<db::Bookmark> m_bookmark;
    QDateTime m_printedAt;
    bool m_blackWhite = false;
};

} // namespace kasplan
