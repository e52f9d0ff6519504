#pragma once

#include "schedule/PeriodTable.h"

#include <QFrame>
#include <QHash>

class QLabel;

namespace kasplan {

class CurrentSizeRecord;

// The main window's table of forcing parameters per housing period: a
// header row with the four periods, the days after G, the cold days and the
// greenhouse days. The cells show the fields of the current size record that
// the forcing method binds them to, and the colours and header labels the
// schedule calculation left in its PeriodTable.
class PeriodTablePanel : public QFrame
{
    Q_OBJECT

public:
    explicit PeriodTablePanel(QWidget* parent = nullptr);

    // Binds the cells to the method's fields (ice tulips leave the first
    // three columns unbound) and shows the record's texts for them.
    void Bind(int method, const CurrentSizeRecord& record);
    // Colours and headers as the calculation left them.
    void ShowTable(const PeriodTable& table);

    // The field a cell shows, empty when it is unbound.
    QString boundField(const QString& cell) const { return m_bound.value(cell); }
    QLabel* cell(const QString& name) const { return m_cells.value(name); }

    QLabel* const Label4;
    QLabel* const Label9;
    QLabel* const Label10;
    QLabel* const Label11;
    QLabel* const Label12;
    QLabel* const WorD20naGLabel;
    QLabel* const WorDkoudeLabel;
    QLabel* const Label13;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void arrange();

    QHash<QString, QLabel*> m_cells; // WnaG, wk1..wk4, kd1..kd4
    QHash<QString, QString> m_bound;
};

// The colour a period cell is painted in.
QColor PeriodCellColor(PeriodTable::CellColor color);

} // namespace kasplan
