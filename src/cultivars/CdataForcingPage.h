#pragma once

#include <QWidget>

class QLabel;
class QStackedWidget;
class QTabBar;
class QTabWidget;

namespace kasplan {

class ForcingPeriodsBox;
class PressButton;
class TDBText;
class TDMod;

// The cultivar data window's tab "Broeigegevens": the forcing periods of the
// current size for soil, water and ice tulips, one method at a time, and the
// button that copies the soil values to water and ice.
class CdataForcingPage : public QWidget
{
    Q_OBJECT

public:
    explicit CdataForcingPage(TDMod& dmod, QWidget* parent = nullptr);

    void setUnitCaptions(const QString& tussenTCaption, const QString& koudeCaption);

    TDBText* const SizeText;
    QTabWidget* const BroeiPageControl;
    QWidget* const PeriodeSheet;
    QTabBar* const MethodTabSet;
    QStackedWidget* const MethodPages;
    ForcingPeriodsBox* const GrondBox;
    ForcingPeriodsBox* const WaterBox;
    ForcingPeriodsBox* const IJsBox;
    PressButton* const KopieerGrondnaarwaterBtn;
    TDBText* const SizeStatusText;
};

} // namespace kasplan
