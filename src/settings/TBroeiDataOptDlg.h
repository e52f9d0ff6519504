#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace kasplan {

class TDBGrid;
class TDBNavigator;
class TDMod;
class TNumFld;
class TRadioGroup;

// The cultivar data settings ("Instellingen Cultivargegevens"): the list of
// size designations, the units of the 20 °C and cooling periods, week
// numbers on the calendars and the permission to change the delivered
// "DLV/LBO" records. Two hidden pages carry the choice of another cultivar
// database and two planting-material settings; their stored values are
// loaded and written back as they are.
//
// One instance lives for the whole run. It is what the data module's
// ShowDataOptions shows, and it answers the data module's questions for the
// permission and the default harvest type (see AcceptedCanDelEditStdRecs).
class TBroeiDataOptDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int HelpContext = 7019;

    explicit TBroeiDataOptDlg(TDMod& dmod, QWidget* parent = nullptr);
    ~TBroeiDataOptDlg() override;

    // What the editing rules go by while the dialog is closed: the values of
    // the last load or OK. A change the user made and then cancelled does not
    // count, so the permission is never granted without its warning having
    // been confirmed.
    bool AcceptedCanDelEditStdRecs() const { return m_acceptedCanDelEditStdRecs; }
    int AcceptedStdOogstType() const { return m_acceptedStdOogstType; }

    void FormCreate();
    void FormShow();
    void OKBtnClick();
    void HelpBtnClick();
    void UseKasplanCBoxClick();
    void PathBrowseBtnClick();

    QTabWidget* const PageControl1;
    QWidget* const TabSheet2;
    QWidget* const TabSheet3;
    QWidget* const TabSheet1;
    QWidget* const PlantgoedTSheet;
    TDBNavigator* const DBNavigator2;
    TDBGrid* const OogstverDBgrid;
    QCheckBox* const UseKasplanCBox;
    TRadioGroup* const KasplanRGroup;
    QLineEdit* const KasplanDBasePath;
    QPushButton* const PathBrowseBtn;
    QCheckBox* const CanDelEditStdRecs;
    TRadioGroup* const TussenTunitopt;
    TRadioGroup* const Kperiodunitopt;
    QCheckBox* const ShowWeeknrs;
    QCheckBox* const ShowBroeiData;
    QGroupBox* const GroupBox1;
    QLabel* const MaxpdadjustLabel;
    TNumFld* const Maxpdadjustperc;
    QLabel* const PercentLabel;
    TRadioGroup* const StdOogstTypeRGroup;
    QPushButton* const OKBtn;
    QPushButton* const CancelBtn;
    QPushButton* const HelpBtn;

    static const QString WarningKP2;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Load();
    void OKBtnPressed();

    TDMod& m_dmod;
    // The stored values of the hidden choices, written back when nothing of
    // them was chosen (a stored number outside the choices).
    int m_loadedKasplanType = 0;
    int m_loadedStdOogstType = 0;
    bool m_acceptedCanDelEditStdRecs = false;
    int m_acceptedStdOogstType = 0;
};

} // namespace kasplan
