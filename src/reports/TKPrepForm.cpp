#include "TKPrepForm.h"

#include "core/Clock.h"
#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"

#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace kasplan {

namespace {

const QColor Navy(0, 0, 128);

ReportLabel label(const char* name, QPointF at, const report::TextStyle& style,
                  const QString& caption = QString())
{
    ReportLabel l;
    l.name = QLatin1String(name);
    l.at = at;
    l.style = style;
    l.caption = caption;
    return l;
}

} // namespace

TKPrepForm::TKPrepForm() : KPreport(*this)
{
    const report::TextStyle arial;
    QRImageLogo = {QStringLiteral("QRImageLogo"), QRectF(2.1, 1.9, 10.8, 12.2), false};
    QRLabelTitle =
        label("QRLabelTitle", {15.2, 2.5}, arial.sized(20).withBold().withItalic().coloured(Navy));
    QRLabel47 = label("QRLabel47", {15.0, 10.4}, arial.sized(8).withItalic());
    QRLabelReportTitle =
        label("QRLabelReportTitle", {79.0, 2.5}, arial.sized(18).withBold().withItalic());
    QRShapeLegend = {QStringLiteral("QRShapeLegend"), QRectF(158.0, 5.1, 108.9, 24.3),
                     report::PenWidth3Mm, Navy, true};

    QRLabelPrintedOn = label("QRLabelPrintedOn", {4.2, 2.5}, arial.sized(8).withItalic(),
                             QStringLiteral("Afgedrukt op:"));
    QRSysDataPrintedAt = label("QRSysDataPrintedAt", {27.9, 2.5}, arial.sized(8).withItalic());
    QRSysDataPageNumber = label("QRSysDataPageNumber", {0, 2.5}, arial.sized(10).withItalic());
    QRSysDataPageNumber.alignment = Qt::AlignRight;
}

TKPrepForm::~TKPrepForm() = default;

QString TKPrepForm::PrintedAtText(const QDateTime& when)
{
    const QLocale locale;
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           when.time().toString(QStringLiteral("HH:mm:ss"));
}

void TKPrepForm::ReportPreparation()
{
    QRLabelTitle.caption = TZHRegistry::current().ApplicName();
    QRImageLogo.enabled = true;
    RememberCurrentRecord();
    m_printedAt = Clock::current().now();
    m_blackWhite = TZHRegistry::current().ReadBool(Setting::PrintBlackWhite);
}

void TKPrepForm::RememberCurrentRecord()
{
    // A bookmark still held from an earlier generation is replaced.
    m_bookmark.reset();
    if (m_dataSet && m_dataSet->isActive())
        m_bookmark = m_dataSet->bookmark();
}

void TKPrepForm::RestoreRememberedRecord()
{
    if (!m_bookmark)
        return;
    const db::Bookmark place = *m_bookmark;
    m_bookmark.reset();
    if (m_dataSet && m_dataSet->bookmarkValid(place))
        m_dataSet->gotoBookmark(place);
}

void TKPrepForm::Generate()
{
    ReportPreparation();
    KPreport.start();
    KPreport.layoutNextPage();
}

bool TKPrepForm::GenerateNextPage()
{
    return KPreport.started() && KPreport.layoutNextPage();
}

void TKPrepForm::PaintPage(QPainter& painter, int page, double dotsPerMm)
{
    KPreport.paintPage(painter, page, dotsPerMm, m_blackWhite);
}

QPageLayout TKPrepForm::PageLayout() const
{
    const QSizeF paper = Page.paperMm;
    const bool landscape = paper.width() > paper.height();
    const QPageSize size(landscape ? paper.transposed() : paper, QPageSize::Millimeter, QString(),
                         QPageSize::FuzzyMatch);
    return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

void TKPrepForm::Print(QPagedPaintDevice& device, int firstPage, int lastPage)
{
    // The printer gets pages generated for it, with this moment's settings.
    Generate();
    try {
        KPreport.printAll(device, m_blackWhite, firstPage, lastPage);
    } catch (...) {
        KPreport.clear();
        RestoreRememberedRecord();
        throw;
    }
    RestoreRememberedRecord();
}

void TKPrepForm::WritePdf(QIODevice& file)
{
    QPdfWriter writer(&file);
    writer.setCreator(TZHRegistry::current().ApplicName());
    writer.setTitle(QRLabelReportTitle.caption);
    writer.setResolution(1200);
    writer.setPageLayout(PageLayout());
    Print(writer);
}

void TKPrepForm::AddLabel(report::Band& band, const ReportLabel& label, double bandWidth)
{
    if (!label.visible)
        return;
    // Without a width of its own a label reaches to the band's right edge,
    // where a right-aligned one ends.
    const double width = label.width > 0 ? label.width : bandWidth - label.at.x();
    band.addText(label.name, label.at, width, label.caption, label.style, label.alignment);
}

report::Band TKPrepForm::titleBand()
{
    report::Band title(QStringLiteral("TitleBand"), TitleBandHeight);
    const double width = Page.contentWidthMm();
    if (QRImageLogo.enabled)
        title.addLogo(QRImageLogo.name, QRImageLogo.box);
    AddLabel(title, QRLabelTitle, width);
    ReportLabel version = QRLabel47;
    version.caption =
        TZHRegistry::current().ApplicName() + QLatin1Char(' ') + TZHRegistry::current().Version();
    AddLabel(title, version, width);
    AddLabel(title, QRLabelReportTitle, width);
    if (QRShapeLegend.visible)
        title.addFrame(QRShapeLegend.name, QRShapeLegend.box, QRShapeLegend.penMm,
                       QRShapeLegend.colour);
    AddTitleItems(title);
    return title;
}

void TKPrepForm::AddTitleItems(report::Band&) {}

report::Band TKPrepForm::pageFooter(int page)
{
    report::Band footer(QStringLiteral("PageFooterBand"), PageFooterHeight);
    const double width = Page.contentWidthMm();
    AddLabel(footer, QRLabelPrintedOn, width);
    ReportLabel printedAt = QRSysDataPrintedAt;
    printedAt.caption = PrintedAtText(m_printedAt);
    AddLabel(footer, printedAt, width);
    ReportLabel number = QRSysDataPageNumber;
    number.caption = QStringLiteral("Pagina %1").arg(page);
    AddLabel(footer, number, width);
    return footer;
}

} // namespace kasplan
