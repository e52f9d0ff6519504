#pragma once

#include "BandReport.h"

#include "db/engine/DataSet.h"

#include <QStringList>

namespace kasplan {

namespace db {
class Field;
class TableView;
} // namespace db

class TDMod;

// The detail bands of the cultivar list: per cultivar of the data module's
// cultivar table (with the filter in force, in its order) a framed cultivar
// band and, when forcing data are printed, one forcing block per size record.
// A cultivar without sizes gets one empty block; an empty list one empty
// cultivar band (with its block). Texts are the fields' display texts, so the
// week-or-day fields read in the units chosen.
//
// It moves the cultivar and size tables to read them, with their display
// updates suspended, and returns them to their records after each visit.
class CultivarListBands : public report::BandStream
{
public:
    static constexpr double CultivarBandHeight = 10.4;
    static constexpr double ForcingBlockHeight = 17.8;

    // Bands are bandWidthMm wide: the page between its margins.
    CultivarListBands(TDMod& dmod, double bandWidthMm);

    // Set before each generation.
    void setForcingData(bool on) { m_forcingData = on; }
    // "WG20" or "DG20", and the four cold headings ("Wk_1".. or "Dk_1"..).
    void setHeadings(const QString& heading20, const QStringList& coldHeadings);

    // The cultivar rows the list prints (none when the table is closed).
    int cultivarCount() const;

    int groupCount() override;
    int partCount(int group) override;
    double partHeight(int group, int part) override;
    report::Band part(int group, int part) override;
    void beginVisit() override;
    void endVisit() override;

private:
    bool moveToCultivar(int group);
    int sizeCount() const;
    report::Band cultivarBand(bool empty) const;
    report::Band forcingBlock(bool empty) const;
    QString text(db::Field* field, bool empty) const;

    db::TableView* m_cultivars;
    db::TableView* m_sizes;
    double m_width;
    bool m_forcingData = true;
    QString m_heading20;
    QStringList m_coldHeadings;
    int m_visits = 0;
    db::Bookmark m_cultivarPlace;
    db::Bookmark m_sizePlace;
};

} // namespace kasplan
