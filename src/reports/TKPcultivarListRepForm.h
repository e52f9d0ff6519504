#pragma once

#include "CultivarListBands.h"
#include "TKPrepForm.h"

namespace kasplan {

class TDMod;

// What the caller asks the cultivar list to print. Only the forcing data
// change the report: without them the legend and the forcing blocks are
// left out. Stock, bulb growing and standard harvest print nothing.
struct CultivarListPrintOptions
{
    bool forcingData = false;
    bool stock = false;
    bool bulbGrowing = false;
    bool standardHarvest = false;
};

// "Cultivargegevenstabel": the printed cultivar list on A4 landscape. One
// framed band per cultivar of the data module's cultivar table, with the
// filter in force at the moment of printing, and under it one block per size
// with the forcing periods for soil, water and ice tulips in the units of the
// settings; a summary counts the cultivars printed.
//
// The legend and the headings are rebuilt from the unit settings at every
// generation, so a report previewed and then printed reads the same.
class TKPcultivarListRepForm : public TKPrepForm
{
public:
    explicit TKPcultivarListRepForm(TDMod& dmod);

    CultivarListPrintOptions Options;

    // The legend in the title band.
    ReportLabel LegendHeading;         // "Broeigegevens afkortingen:"
    QList<ReportLabel> LegendLines;    // the four lines inside the frame
    ReportLabel TussenTemperatuurLine; // "WG20=Weken tussentemperatuur"
    ReportLabel IceTulipLine;          // the line about ice tulips

    // The headings the last preparation set.
    QString Heading20() const { return m_heading20; }
    QStringList ColdHeadings() const { return m_coldHeadings; }
    // The cultivar rows the summary counts.
    int CultivarCount() const { return m_bands.cultivarCount(); }

protected:
    void ReportPreparation() override;
    void AddTitleItems(report::Band& title) override;

    QList<report::Band> columnHeaderBands() override;
    report::BandStream& detailBands() override { return m_bands; }
    report::Band summaryBand() override;

private:
    TDMod& m_dmod;
    CultivarListBands m_bands;
    QString m_heading20;
    QStringList m_coldHeadings;
};

} // namespace kasplan
