#include "StockFigures.h"

#include "core/Rounding.h"

#include <cmath>
#include <limits>

namespace kasplan::StockFigures {

namespace {

// Below this a container quantity or a remainder counts as nothing, so that
// no figure ever divides by zero or shows a rounding crumb.
constexpr double nothing = 1e-15;

// A Long calculated field holds what a 32-bit number holds.
qint64 roundedLong(double value)
{
    return roundHalfEven(value, std::numeric_limits<qint32>::min(),
                         std::numeric_limits<qint32>::max());
}

// Boxes or trays needed for the forcing stock: the quotient rounded up. A
// box or tray size below 1 clears the result.
QVariant containersNeeded(qint64 aantal, qint64 perContainer)
{
    if (perContainer < 1)
        return {};
    return roundedLong(static_cast<double>(aantal) / static_cast<double>(perContainer) +
                       0.49999999);
}

} // namespace

QVariantMap CsizesCalcFields(const SizeStock& size)
{
    QVariantMap fields;
    if (size.PG_perfust <= nothing) {
        fields.insert(QStringLiteral("PG_fusten"), QVariant());
        fields.insert(QStringLiteral("PG_fustenused"), QVariant());
        fields.insert(QStringLiteral("PG_restfustqty"), QVariant());
    } else {
        const double fusten = size.PG_voorraad / size.PG_perfust;
        fields.insert(QStringLiteral("PG_fusten"), fusten);
        // Containers started: rounded up unless a hair above a whole number.
        fields.insert(QStringLiteral("PG_fustenused"), roundedLong(fusten + 0.499999999));
        const double rest = (fusten - std::trunc(fusten)) * size.PG_perfust;
        fields.insert(QStringLiteral("PG_restfustqty"), rest <= nothing ? QVariant() : rest);
    }
    fields.insert(QStringLiteral("PG_Resterend"), size.PG_voorraad - size.PG_geboekt);
    fields.insert(QStringLiteral("Resterend"), size.Aantal - size.Geboekt);
    fields.insert(QStringLiteral("Nboxes"), containersNeeded(size.Aantal, size.Nperbox));
    fields.insert(QStringLiteral("Ntrays"), containersNeeded(size.Aantal, size.Npertray));
    fields.insert(QStringLiteral("Ntrays_w"), containersNeeded(size.Aantal, size.Npertray_w));
    fields.insert(QStringLiteral("Ntrays_ice"), containersNeeded(size.Aantal, size.Npertray_ice));
    return fields;
}

QVariantMap AllCsizesCalcFields(const SizeStock& size)
{
    QVariantMap fields;
    fields.insert(QStringLiteral("PG_fusten"), size.PG_perfust <= nothing
                                                   ? QVariant()
                                                   : QVariant(size.PG_voorraad / size.PG_perfust));
    fields.insert(QStringLiteral("PG_resterend"), size.PG_voorraad - size.PG_geboekt);
    return fields;
}

} // namespace kasplan::StockFigures
