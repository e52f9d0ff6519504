#include "PeriodTable.h"

#include "ForcingPeriods.h"

namespace kasplan {

const QStringList& PeriodTable::PeriodCells()
{
    static const QStringList cells = {
        QStringLiteral("wk1"), QStringLiteral("wk2"), QStringLiteral("wk3"), QStringLiteral("wk4"),
        QStringLiteral("kd1"), QStringLiteral("kd2"), QStringLiteral("kd3"), QStringLiteral("kd4"),
    };
    return cells;
}

void PeriodTable::Reset(int method)
{
    const TBroeiMethode m = BroeiMethodeOf(method);
    m_headersVisible = m != bmIJstulpen;
    m_lastHeaderText =
        m == bmIJstulpen ? QStringLiteral("IJstulpen") : PeriodLabel(4); // resource 65129
    m_methodColor = m == bmWater       ? CellColor::Aqua
                    : m == bmIJstulpen ? CellColor::Silver
                                       : CellColor::Window;
    m_marked.fill(false);
}

void PeriodTable::Mark(int k, const QString& base, int method)
{
    if (BroeiMethodeOf(method) == bmIJstulpen || k < 1 || k > 4)
        return;
    if (base == QLatin1String("Dk_p"))
        m_marked[k - 1] = true;
    else if (base == QLatin1String("Kd_p"))
        m_marked[4 + k - 1] = true;
}

PeriodTable::CellColor PeriodTable::cellColor(const QString& cell) const
{
    const auto index = PeriodCells().indexOf(cell);
    if (index >= 0 && m_marked[index])
        return CellColor::Lime;
    return m_methodColor;
}

QStringList PeriodTable::markedCells() const
{
    QStringList cells;
    for (int i = 0; i < 8; ++i) {
        if (m_marked[i])
            cells.append(PeriodCells().at(i));
    }
    return cells;
}

QString PeriodTable::BoundField(const QString& cell, int method)
{
    if (cell == QLatin1String("WnaG"))
        return DnaG20FieldName(method);
    const auto index = PeriodCells().indexOf(cell);
    if (index < 0)
        return {};
    const int k = index % 4 + 1;
    // Ice tulips have one value for all periods, shown in the last column.
    if (BroeiMethodeOf(method) == bmIJstulpen && k < 4)
        return {};
    return PeriodFieldName(index < 4 ? QStringLiteral("Dk_p") : QStringLiteral("Kd_p"), k, method);
}

} // namespace kasplan
