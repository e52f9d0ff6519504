#pragma once

#include <QGroupBox>
#include <QList>

class QLabel;

namespace kasplan {

class TDBEdit;
class TDMod;

// The forcing periods of one forcing method for the current size: the days
// at 20 °C after the G-stage above the four housing periods, with the cold
// days and the greenhouse days of each period. Ice tulips have one value for
// all periods, in the place of the last.
class ForcingPeriodsBox : public QGroupBox
{
    Q_OBJECT

public:
    enum class Method { Soil, Water, Ice };

    ForcingPeriodsBox(TDMod& dmod, Method method, QWidget* parent = nullptr);

    Method method() const { return m_method; }
    // The two labels that follow the units: "... 20oC na G", "... Koude:".
    void setUnitCaptions(const QString& tussenTCaption, const QString& koudeCaption);

    QLabel* const WorD20naGLabel;
    QLabel* const PeriodeLabel;
    QLabel* const WorDkoudeLabel;
    QLabel* const KasdagenLabel;
    // The captions over the period columns (ice: its one column).
    QList<QLabel*> PeriodCaptions;
    TDBEdit* DnaG20Edit = nullptr;
    // Per period column (ice: one).
    QList<TDBEdit*> ColdEdits;
    QList<TDBEdit*> GreenhouseEdits;

private:
    Method m_method;
};

} // namespace kasplan
