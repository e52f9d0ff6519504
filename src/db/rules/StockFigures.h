#pragma once

#include <QString>
#include <QVariantMap>

namespace kasplan {

// The stored figures of a size record that the calculated fields use; a null
// field is read as 0.
struct SizeStock
{
    double PG_voorraad = 0;
    double PG_perfust = 0;
    double PG_geboekt = 0;
    qint64 Aantal = 0;
    qint64 Geboekt = 0;
    qint64 Nperbox = 0;
    qint64 Npertray = 0;
    qint64 Npertray_w = 0;
    qint64 Npertray_ice = 0;
};

// The figures derived from a size record. Each function answers every
// calculated field of its view by name; a null QVariant means "cleared",
// which shows as empty.
namespace StockFigures {

// Resterend, Nboxes, Ntrays, Ntrays_w, Ntrays_ice, PG_fusten, PG_Resterend,
// PG_restfustqty and PG_fustenused of tbCsizes.
QVariantMap CsizesCalcFields(const SizeStock& size);

// PG_fusten and PG_resterend of tbAllCsizes.
QVariantMap AllCsizesCalcFields(const SizeStock& size);

} // namespace StockFigures

// The stock flags of a cultivar, gathered over its size records. A scan may
// stop as soon as both flags are set.
class StockFlags
{
public:
    void add(double pgVoorraad, qint64 aantal)
    {
        if (pgVoorraad > 1e-15)
            m_pgVoorraad = true;
        if (aantal > 0)
            m_broeiVoorraad = true;
    }
    bool complete() const { return m_pgVoorraad && m_broeiVoorraad; }
    bool PGvoorraad() const { return m_pgVoorraad; }
    bool Broeivoorraad() const { return m_broeiVoorraad; }

private:
    bool m_pgVoorraad = false;
    bool m_broeiVoorraad = false;
};

} // namespace kasplan
