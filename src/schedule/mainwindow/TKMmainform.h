#pragma once

#include "schedule/ScheduleCore.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QScrollBar;

namespace kasplan {

class CurrentSizeRecord;
class InMemorySizeRecord;
class PeriodTablePanel;
class TBarCalendar;
class TUpDown;

// The windows the main window opens, provided by the program once they
// exist. An empty one tells the user that the window is not available.
struct TKMmainformWindows
{
    // The cultivar selection dialog, modal.
    std::function<void()> SelectCultivar;
    // The cultivar data window, shown without waiting, and closed with us.
    // Closing answers false when it stays open: what was typed there could
    // not be saved (the user was told why).
    std::function<void()> ShowCdata;
    std::function<bool()> CloseCdata;
    // The general settings dialog, modal.
    std::function<void()> ShowOptions;
};

// The main window: the current cultivar, size and source with their forcing
// parameters, the season and the forcing method, the three bar calendars and
// the harvest end through which the forcing schedule is read and moved. The
// calculation is the ScheduleCore's, working on this window's calendars; the
// window tells it where the input focus is and shows what it computed.
// Closing the window ends the program.
class TKMmainform : public QMainWindow
{
    Q_OBJECT

public:
    // Asks the user for a printer; false when cancelled.
    using PrintDialogStep = std::function<bool(QPrinter& printer)>;
    // Prints the client area on the chosen printer; throws std::exception
    // when that fails.
    using PrintPageStep = std::function<void(QPrinter& printer, QWidget& clientArea)>;

    explicit TKMmainform(QWidget* parent = nullptr);
    ~TKMmainform() override;

    ScheduleCore& core() { return *m_core; }
    const ScheduleCore& core() const { return *m_core; }

    // The current size record whose parameters the schedule uses (not
    // owned); null returns to an empty record of the window's own. Its data
    // changes run ApplyBroeiMethode.
    void setRecordSource(CurrentSizeRecord* record);
    CurrentSizeRecord& recordSource() const { return *m_record; }
    void setWindows(TKMmainformWindows windows) { m_windows = std::move(windows); }
    void setPrintSteps(PrintDialogStep dialog, PrintPageStep print);

    // --- Event handlers and operations --------------------------------------------
    void FormCreate();
    void FormShow();
    void FormActivate();
    // False when the cultivar data window stays open; then the main window
    // stays open too, and nothing is written.
    bool FormClose();
    // The window's rows are laid out so that the scroll-bar panel stays the
    // lowest; the calendars share the middle panel by these two rules.
    void PeriodDatesPanelResize();
    void SbarPanelResize();
    void SetSeason(int year);
    void ResetPeriodTable();
    void ApplyBroeiMethode();
    void AdjustHousingToData();
    // The row captions that follow the units of days after G and cold days.
    void SetPeriodUnitCaptions(const QString& tussenTCaption, const QString& koudeCaption);

    void SeizoenStartJaarClick();
    void BroeiMethodeCBoxChange();
    void CultivarSelBtnClick();
    void CdataButtonClick();
    void OptionsBtnClick();
    void VersionButtonClick();
    void PrintButtonClick();
    void MBackBtnClick();
    void MFwdBtnClick();
    void DBackBtnClick();
    void DFwdBtnClick();
    void GcalLeftMonthChanged();
    void KcalLeftMonthChanged();
    void IcalLeftMonthChanged();
    void CalSBarScroll(int position);

    // --- Controls -----------------------------------------------------------------
    QLabel* const Image1;
    QPushButton* const HelpButton;
    QPushButton* const VersionButton;
    QPushButton* const OkButton;
    QPushButton* const Close_or_CancelButton;
    QPushButton* const CultivarSelBtn;
    QLabel* const DBText1;
    QLabel* const DBText3;
    QLabel* const DBText2;
    QPushButton* const CdataButton;
    QPushButton* const OptionsBtn;
    QLabel* const SeasonLab;
    QLabel* const SeizoenText;
    TUpDown* const SeizoenStartJaar;
    QPushButton* const PrintButton;
    QGroupBox* const CultivarGegBox;
    QComboBox* const BroeiMethodeCBox;
    QLabel* const DBText7;
    PeriodTablePanel* const PeriodePanel;
    QPlainTextEdit* const DBMemo1;
    QWidget* const PeriodDatesPanel;
    TBarCalendar* const Gcal;
    TBarCalendar* const Kcal;
    TBarCalendar* const Ical;
    QPlainTextEdit* const EMemo;
    QLabel* const Label14;
    QLabel* const EDatePanel;
    QPushButton* const MBackBtn;
    QPushButton* const DBackBtn;
    QPushButton* const DFwdBtn;
    QPushButton* const MFwdBtn;
    QLabel* const SbarPanel;
    QScrollBar* const CalSBar;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTopPanel(QWidget* top);
    void buildBottomPanel(QWidget* bottom);
    void setUpCalendars();
    void connectControls();
    TBarCalendar* calendarWidget(ScheduleCalendar which) const;
    void focusMoved(QWidget* now);
    // The harvest-end buttons: the button takes the focus, then the harvest
    // end moves and the schedule is calculated backwards.
    void moveHarvestEnd(QPushButton* button, int months, int days);
    // Shows the record's texts and what the calculation left behind.
    void ShowRecord();
    void ShowSchedule();
    // Shows the calendars only while a cultivar database is open; answers
    // whether one is.
    bool ShowDatabaseState();
    // The other two calendars show the same days as this one.
    void followView(const TBarCalendar* from);
    void arrangeTabOrder();
    // The window's place and the record of the last run come back on start.
    void restorePlacement();
    void savePlacement();
    void returnToLastRecord();
    void rememberRecord();
    static void notAvailable(const QString& window);

    std::unique_ptr<InMemorySizeRecord> m_ownRecord;
    CurrentSizeRecord* m_record = nullptr;
    std::unique_ptr<ScheduleCore> m_core;
    TKMmainformWindows m_windows;
    PrintDialogStep m_printDialog;
    PrintPageStep m_printPage;
};

} // namespace kasplan
