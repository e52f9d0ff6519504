#include "CultivarListBands.h"

#include "db/TDMod.h"
#include "db/engine/Field.h"
#include "db/engine/TableView.h"

namespace kasplan {

using report::Band;
using report::TextStyle;

namespace {

const TextStyle Plain9;
// The two text lines of the cultivar band.
constexpr double Line1 = 0.8;
constexpr double Line2 = 5.1;

// The forcing block's value cells, 9.3 mm wide, and its three rows.
constexpr double CellWidth = 9.3;
constexpr double Cell20 = 85.2;
constexpr double ColdCells[] = {96.5, 117.7, 138.9, 160.0};
constexpr double DaysCells[] = {107.2, 128.4, 149.6, 170.7};
constexpr double ColdHeadingsX[] = {96.5, 118.0, 138.9, 160.0};
constexpr double DaysHeadingsX[] = {107.2, 128.1, 149.6, 170.5};
constexpr double RowY[] = {5.4, 9.0, 12.7};
constexpr double CaptionsEnd = 84.4;

struct ForcingRow
{
    const char* caption;
    const char* field20; // nullptr: empty
    const char* cold[4]; // nullptr: empty
    const char* days[4];
};

const ForcingRow Rows[] = {
    {"Grondbroei :",
     "DnaG20",
     {"Dk_p1", "Dk_p2", "Dk_p3", "Dk_p4"},
     {"Kd_p1", "Kd_p2", "Kd_p3", "Kd_p4"}},
    {"Waterbroei :",
     "DnaG20_w",
     {"Dk_p1_w", "Dk_p2_w", "Dk_p3_w", "Dk_p4_w"},
     {"Kd_p1_w", "Kd_p2_w", "Kd_p3_w", "Kd_p4_w"}},
    // Ice tulips have one cold period and one greenhouse period, printed
    // under the fourth housing period.
    {"IJstulpen :",
     nullptr,
     {nullptr, nullptr, nullptr, "Dk_p_ice"},
     {nullptr, nullptr, nullptr, "Kd_p_ice"}},
};

} // namespace

CultivarListBands::CultivarListBands(TDMod& dmod, double bandWidthMm)
    : m_cultivars(dmod.tbCdata()), m_sizes(dmod.tbCsizes()), m_width(bandWidthMm)
{
}

void CultivarListBands::setHeadings(const QString& heading20, const QStringList& coldHeadings)
{
    m_heading20 = heading20;
    m_coldHeadings = coldHeadings;
}

int CultivarListBands::cultivarCount() const
{
    return m_cultivars->isActive() ? m_cultivars->recordCount() : 0;
}

int CultivarListBands::groupCount()
{
    // An empty list still prints one (empty) cultivar.
    return std::max(1, cultivarCount());
}

bool CultivarListBands::moveToCultivar(int group)
{
    if (group >= cultivarCount())
        return false;
    if (m_cultivars->currentIndex() != group)
        m_cultivars->setCurrentIndex(group);
    return true;
}

int CultivarListBands::sizeCount() const
{
    return m_sizes->isActive() ? m_sizes->recordCount() : 0;
}

int CultivarListBands::partCount(int group)
{
    if (!m_forcingData)
        return 1;
    const int sizes = moveToCultivar(group) ? sizeCount() : 0;
    return 1 + std::max(1, sizes);
}

double CultivarListBands::partHeight(int, int part)
{
    return part == 0 ? CultivarBandHeight : ForcingBlockHeight;
}

Band CultivarListBands::part(int group, int part)
{
    const bool empty = !moveToCultivar(group);
    if (part == 0)
        return cultivarBand(empty);
    const bool sizeShown = !empty && part - 1 < sizeCount();
    if (sizeShown && m_sizes->currentIndex() != part - 1)
        m_sizes->setCurrentIndex(part - 1);
    return forcingBlock(!sizeShown);
}

void CultivarListBands::beginVisit()
{
    if (m_visits++ > 0)
        return;
    m_cultivarPlace = m_cultivars->bookmark();
    m_sizePlace = m_sizes->bookmark();
    m_cultivars->disableControls();
    m_sizes->disableControls();
}

void CultivarListBands::endVisit()
{
    if (--m_visits > 0)
        return;
    // Other windows see the records they showed before, whatever the
    // report read meanwhile.
    try {
        if (m_cultivars->bookmarkValid(m_cultivarPlace))
            m_cultivars->gotoBookmark(m_cultivarPlace);
        if (m_sizes->bookmarkValid(m_sizePlace))
            m_sizes->gotoBookmark(m_sizePlace);
    } catch (const std::exception&) {
        // A record gone meanwhile: the tables stay where they are.
    }
    m_sizes->enableControls();
    m_cultivars->enableControls();
}

QString CultivarListBands::text(db::Field* field, bool empty) const
{
    return empty ? QString() : field->displayText();
}

Band CultivarListBands::cultivarBand(bool empty) const
{
    Band band(QStringLiteral("CultivarBand"), CultivarBandHeight);
    band.setFramed(true);
    const auto field = [this, empty](const char* name) {
        return text(m_cultivars->fieldByName(QLatin1String(name)), empty);
    };
    const auto add = [&band](const char* name, double x, double y, double width,
                             const QString& text, const TextStyle& style,
                             Qt::Alignment alignment = Qt::AlignLeft) {
        band.addText(QLatin1String(name), {x, y}, width, text, style, alignment);
    };
    // A long name goes on over the free second line of its column.
    band.addTextBox(QStringLiteral("Cultivar"), QRectF(1.1, Line1, 28.9, 9.0), field("Cultivar"),
                    Plain9.sized(10).withBold(), Qt::AlignLeft, true);
    add("Source", 30.5, Line1, 25.4, field("Source"), Plain9.withBold());
    add("Status", 30.5, Line2, 25.4, field("Status"), Plain9);
    band.addTextBox(QStringLiteral("Remarks"), QRectF(56.4, Line1, 70.3, 7.9), field("Remarks"),
                    Plain9, Qt::AlignLeft, true);
    band.addLine({127.6, 0}, {127.6, CultivarBandHeight});
    add("BollenLabel", 129.3, Line1, 13.0, QStringLiteral("Bollen:"), Plain9.withItalic());
    add("Hoofdgroep", 142.8, Line1, 22.6, field("Hoofdgroep"), Plain9);
    add("HoofdGroepAfk", 142.8, Line2, 22.6, field("HoofdGroepAfk"), Plain9);
    add("BolArtikelcode", 165.9, Line1, 13.7, field("BolArtikelcode"), Plain9);
    add("Klasse", 180.1, Line1, 11.3, field("Klasse"), Plain9);
    add("CertifNr", 180.1, Line2, 35.0, field("CertifNr"), Plain9);
    add("Country_of_Origin", 191.9, Line1, 23.2, field("Country_of_Origin"), Plain9);
    band.addFill(QRectF(215.6, 0, 0.6, CultivarBandHeight));
    add("BloemenLabel", 221.8, Line1, 14.2, QStringLiteral("Bloemen:"), Plain9.withItalic());
    add("Artikelcode", 236.5, Line1, 15.2, field("Artikelcode"), Plain9, Qt::AlignRight);
    add("ProductType", 236.2, Line2, 25.8, field("ProductType"), Plain9);
    // Right-aligned in 7.3 mm; a longer colour runs on to the left, where
    // the line is free.
    add("Kleur", 252.2, Line1, 17.6, field("Kleur"), Plain9, Qt::AlignRight);
    add("Blad", 262.5, Line2, 9.0, field("Blad"), Plain9);
    return band;
}

Band CultivarListBands::forcingBlock(bool empty) const
{
    Band band(QStringLiteral("ForcingBlock"), ForcingBlockHeight);
    const auto field = [this, empty](const char* name) {
        return name ? text(m_sizes->fieldByName(QLatin1String(name)), empty) : QString();
    };
    band.addText(QStringLiteral("Size"), {6.5, 0.8}, 10.2, field("Size"),
                 Plain9.sized(10).withBold());
    band.addText(QStringLiteral("BroeigegevensLabel"), {19.2, 0.8}, 40,
                 QStringLiteral("Broeigegevens"), Plain9.withItalic());
    band.addText(QStringLiteral("SizeStatus"), {19.2, 6.8}, 40, field("Status"), Plain9);

    const TextStyle heading = Plain9.withUnderline();
    band.addText(QStringLiteral("Heading20"), {Cell20, 0.3}, 11, m_heading20, heading);
    for (int p = 0; p < 4; ++p) {
        band.addText(QStringLiteral("ColdHeading%1").arg(p + 1), {ColdHeadingsX[p], 0.3}, 10.5,
                     m_coldHeadings.value(p), heading);
        band.addText(QStringLiteral("DaysHeading%1").arg(p + 1), {DaysHeadingsX[p], 0.3}, 10.5,
                     QStringLiteral("Kd_%1").arg(p + 1), heading);
    }
    for (int r = 0; r < 3; ++r) {
        const ForcingRow& row = Rows[r];
        const double y = RowY[r];
        band.addText(QStringLiteral("RowCaption%1").arg(r + 1), {CaptionsEnd - 40, y}, 40,
                     QLatin1String(row.caption), Plain9, Qt::AlignRight);
        const auto cell = [&](const char* name, double x) {
            band.addText(name ? QLatin1String(name) : QString(), {x, y}, CellWidth, field(name),
                         Plain9, Qt::AlignHCenter);
        };
        cell(row.field20, Cell20);
        for (int p = 0; p < 4; ++p) {
            cell(row.cold[p], ColdCells[p]);
            cell(row.days[p], DaysCells[p]);
        }
    }

    band.addLine({5.1, 0}, {5.1, 17.2});
    band.addLine({16.9, 0}, {16.9, 17.2});
    band.addLine({84.4, 0}, {84.4, ForcingBlockHeight});
    band.addLine({245.5, 0}, {245.5, ForcingBlockHeight});
    band.addLine({16.9, 0}, {16.9 + 254.3, 0});
    band.addLine({16.9, 17.5}, {16.9 + 254.3, 17.5});
    band.addLine({5.1, 0}, {5.1 + 12.1, 0});
    band.addLine({m_width, 0}, {m_width, ForcingBlockHeight});
    return band;
}

} // namespace kasplan
