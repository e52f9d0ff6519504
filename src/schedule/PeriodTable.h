#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace kasplan {

// The main window's table of forcing parameters per housing period, as far as
// the schedule calculation changes it: the cells' colours (a method colour,
// or lime where the calculation used the value), the header labels that ice
// tulips hide and which field each cell shows. The window paints from this.
//
// Cells: "WnaG" (days after G), "wk1".."wk4" (cold days), "kd1".."kd4"
// (greenhouse days).
class PeriodTable
{
public:
    enum class CellColor {
        Window, // the system window colour
        Aqua,   // water: RGB 0, 255, 255
        Silver, // ice tulips: RGB 192, 192, 192
        Lime,   // a value used by the calculation: RGB 0, 255, 0
    };

    // The eight period cells in table order, wk1..wk4 then kd1..kd4.
    static const QStringList& PeriodCells();

    // ResetPeriodTable: headers and colours for the method; no cell stays lime.
    void Reset(int method);
    // MarkPeriodCell: soil and water only; base "Dk_p" marks wk<k>, "Kd_p" kd<k>.
    void Mark(int k, const QString& base, int method);

    CellColor cellColor(const QString& cell) const;
    // The lime cells in table order.
    QStringList markedCells() const;
    // Label4 and Label9..Label11 ("Periode van inhalen", the first three periods).
    bool headersVisible() const { return m_headersVisible; }
    // Label12: "25/2-24/3", or "IJstulpen" for ice tulips.
    QString lastHeaderText() const { return m_lastHeaderText; }

    // The Csizes field cell shows for the method; empty when it is unbound.
    static QString BoundField(const QString& cell, int method);

private:
    CellColor m_methodColor = CellColor::Window;
    std::array<bool, 8> m_marked{};
    bool m_headersVisible = true;
    QString m_lastHeaderText = QStringLiteral("25/2-24/3");
};

} // namespace kasplan
