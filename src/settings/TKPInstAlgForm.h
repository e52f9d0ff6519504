#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace kasplan {

class TRadioGroup;
class TZHRegistry;

// The general settings ("Instellingen Algemeen"): colour or black-and-white
// printing, whether the settings are shared by every user of the computer or
// kept per user, and the version of the database tables. Two hidden pages
// hold the standard currency with its euro sign and an area unit.
//
// Loading it (at creation, at every show and after OK) puts the settings
// store's root where "UserSetsLoc" says and sets the currency symbol of every
// money value, so its creation at start-up matters even when the user never
// opens it. One instance lives for the whole run, shown modally.
class TKPInstAlgForm : public QDialog
{
    Q_OBJECT

public:
    static constexpr int HelpContext = 7015;

    explicit TKPInstAlgForm(QWidget* parent = nullptr);

    // The currency symbol of every money value for the standard currency
    // (0 guilder "fl ", 1 euro), with the euro sign that EurSymbolRGroup
    // shows: "€ " or "eur ".
    void SetCurrencySymbol(int stdCurrencyIndex);
    // Puts the store's root where "UserSetsLoc" (always read machine-wide)
    // says: machine-wide for 0, per user otherwise. Uses nothing of the
    // dialog, so start-up runs it before the dialog exists.
    static void ApplyUserSetsLoc(TZHRegistry& store);
    // Whether this user may change the machine-wide settings: root, or a user
    // who may write them.
    static bool IsAdministrator();

    void FormCreate();
    void FormShow();
    void OKBtnClick();
    void HelpBtnClick();
    void AdaptCurrencyCBoxClick();

    QTabWidget* const PageControl1;
    QWidget* const ValutaTSheet;
    QWidget* const TabSheet1;
    QWidget* const OppeenhTSheet;
    QWidget* const TabSheet2;
    QWidget* const TabSheet3;
    TRadioGroup* const StdCurrencyRGroup;
    TRadioGroup* const EurSymbolRGroup;
    QLabel* const WinCurrency;
    QCheckBox* const AdaptCurrencyCBox;
    TRadioGroup* const ColorBWrgroup;
    TRadioGroup* const AreaUnitRGroup;
    TRadioGroup* const UserSetsLocRGroup;
    QLabel* const Label1;
    QLabel* const DBaseVersionLabel;
    QPushButton* const OKBtn;
    QPushButton* const CancelBtn;
    QPushButton* const HelpBtn;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The controls from the stores, the root and the currency symbol from
    // the controls.
    void Load();
    void OKBtnPressed();
};

} // namespace kasplan
