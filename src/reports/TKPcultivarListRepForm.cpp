#include "TKPcultivarListRepForm.h"

#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "db/rules/CodedValues.h"

namespace kasplan {

using report::Band;
using report::TextStyle;

namespace {

constexpr int Days = 1;
const TextStyle Plain9;

// Everything before the first space of a legend line gives way to the
// unit's own word.
QString withFirstWord(const QString& line, const QString& word)
{
    const int space = line.indexOf(QLatin1Char(' '));
    return space < 0 ? word : word + line.mid(space);
}

ReportLabel legendLabel(const QString& name, QPointF at, const TextStyle& style,
                        const QString& caption = QString())
{
    ReportLabel l;
    l.name = name;
    l.at = at;
    l.style = style;
    l.caption = caption;
    // Inside the legend frame, which ends at 266.9 mm.
    l.width = 266.9 - 0.6 - at.x();
    return l;
}

} // namespace

TKPcultivarListRepForm::TKPcultivarListRepForm(TDMod& dmod)
    : m_dmod(dmod), m_bands(dmod, 297 - 2 * 12.7)
{
    Page.paperMm = QSizeF(297, 210);
    Page.marginMm = 12.7;
    TitleBandHeight = 29.9;
    QRLabelReportTitle.caption = QStringLiteral("Cultivargegevenstabel");

    LegendHeading =
        legendLabel(QStringLiteral("LegendHeading"), {158.9, 0.3}, Plain9.sized(10).withItalic(),
                    QStringLiteral("Broeigegevens afkortingen:"));
    const TextStyle legend = Plain9.sized(8);
    const double lineHeight = report::LineHeightMm(legend);
    const char* const lines[] = {
        "Wk_1, Wk_2, Wk_3, Wk_4 =",
        "Weken koude bij inhaaldatum resp. tot 17/12, 17/12-24/1, 25/1-24/2, 25/2-24/3",
        "Kd_1, Kd_2, Kd_3, Kd_4 = ",
        "kasdagen bij inhaaldatum resp. tot  17/12, 17/12-24/1, 25/1-24/2, 25/2-24/3"};
    for (int i = 0; i < 4; ++i)
        LegendLines.append(legendLabel(QStringLiteral("LegendLine%1").arg(i + 1),
                                       {160.9, 6.5 + i * lineHeight}, legend,
                                       QLatin1String(lines[i])));
    TussenTemperatuurLine = legendLabel(QStringLiteral("TussenTemperatuurLine"), {160.9, 20.9},
                                        legend, QStringLiteral("WG20=weken tussentemperatuur"));
    IceTulipLine = legendLabel(
        QStringLiteral("IceTulipLine"), {160.9, 24.6}, legend,
        QStringLiteral("(bij ijstulpen : een vaste koudeperiode en een vaste kasperiode)"));
}

void TKPcultivarListRepForm::ReportPreparation()
{
    SetDataSet(m_dmod.tbCdata());
    if (m_dmod.tbCdata()->isActive())
        m_dmod.tbCdata()->refresh();

    const bool forcing = Options.forcingData;
    QRShapeLegend.visible = forcing;
    LegendHeading.visible = forcing;
    for (ReportLabel& line : LegendLines)
        line.visible = forcing;
    TussenTemperatuurLine.visible = forcing;
    IceTulipLine.visible = forcing;

    // From the unit settings every time, so every generation reads alike.
    const int tussenTunit = m_dmod.TussenTunit();
    const int kperiodunit = m_dmod.Kperiodunit();
    m_heading20 = tussenTunit == Days ? QStringLiteral("DG20") : QStringLiteral("WG20");
    const QString cold = kperiodunit == Days ? QStringLiteral("Dk") : QStringLiteral("Wk");
    m_coldHeadings.clear();
    for (int p = 1; p <= 4; ++p)
        m_coldHeadings.append(QStringLiteral("%1_%2").arg(cold).arg(p));
    LegendLines[0].caption = m_coldHeadings.join(QStringLiteral(", ")) + QStringLiteral(" =");
    LegendLines[1].caption =
        withFirstWord(LegendLines[1].caption, CodedValues::UnitWord(kperiodunit));
    TussenTemperatuurLine.caption =
        withFirstWord(TussenTemperatuurLine.caption,
                      m_heading20 + QLatin1Char('=') + CodedValues::UnitWord(tussenTunit));

    m_bands.setForcingData(forcing);
    m_bands.setHeadings(m_heading20, m_coldHeadings);
    TKPrepForm::ReportPreparation();
}

void TKPcultivarListRepForm::AddTitleItems(Band& title)
{
    const double width = Page.contentWidthMm();
    AddLabel(title, LegendHeading, width);
    for (const ReportLabel& line : std::as_const(LegendLines))
        AddLabel(title, line, width);
    AddLabel(title, TussenTemperatuurLine, width);
    AddLabel(title, IceTulipLine, width);
}

QList<Band> TKPcultivarListRepForm::columnHeaderBands()
{
    Band header(QStringLiteral("ColumnHeaderBand"), 9.6);
    header.setFramed(true);
    const TextStyle style = Plain9.withBold().withItalic().withUnderline();
    // Each heading's box reaches to the next one on its line.
    struct Heading
    {
        double x;
        double y;
        const char* text;
    };
    const Heading headings[] = {
        {1.1, 0.8, "Cultivar"},    {30.5, 0.8, "Herkomst"},       {56.4, 0.8, "Opmerkingen"},
        {129.3, 0.8, "Bollen:"},   {142.8, 0.8, "Hoofdgroep"},    {165.4, 0.8, "Art.code"},
        {180.1, 0.8, "Klasse"},    {191.9, 0.8, "Land v. Herk."}, {221.3, 0.8, "Bloemen:"},
        {236.2, 0.8, "Art.code"},  {261.6, 0.8, "Kleur"},         {30.5, 5.1, "Status"},
        {142.8, 5.1, "Afkorting"}, {180.1, 5.1, "Certif.nr."},    {236.2, 5.1, "Product type"},
        {262.5, 5.1, "Blad"},
    };
    const double width = Page.contentWidthMm();
    for (const Heading& h : headings) {
        double end = width;
        for (const Heading& other : headings) {
            if (other.y == h.y && other.x > h.x)
                end = std::min(end, other.x);
        }
        header.addText(QString(), {h.x, h.y}, end - h.x, QLatin1String(h.text), style);
    }
    header.addFill(QRectF(220.1, 0, 0.6, 9.6));
    return {header, Band(QStringLiteral("SpacerBand"), 2.3)};
}

Band TKPcultivarListRepForm::summaryBand()
{
    Band summary(QStringLiteral("SummaryBand"), 9.0);
    summary.setFramed(true);
    const TextStyle style = Plain9.sized(10).withBold();
    summary.addText(QStringLiteral("TotalLabel"), {1.1, 2.3}, 53.0,
                    QStringLiteral("Totaal aantal cultivar records:"), style);
    summary.addText(QStringLiteral("TotalCount"), {54.8, 2.3}, 22.6,
                    QString::number(m_bands.cultivarCount()), style, Qt::AlignRight);
    return summary;
}

} // namespace kasplan
