#pragma once

#include "TypeAheadSearch.h"

#include <QWidget>

#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTabWidget;
class QToolButton;

namespace kasplan {

class CdataForcingPage;
class CdataGeneralPage;
class TDBGrid;
class TDBNavigator;
class TDMod;
class TFormPreview;

// "Cultivar Gegevens": the window in which the grower browses, filters,
// adds, copies, edits and deletes cultivars and the forcing data of their
// sizes. Every control works on the data module's views, so its current
// cultivar and size are those of the main window too. Not modal; created once
// and shown and hidden again and again.
class TCdataForm : public QWidget
{
    Q_OBJECT

public:
    static constexpr int HelpContext = 10400;

    // preview: the print preview window the cultivar list is printed through
    // (none: printing says it is not available).
    explicit TCdataForm(TDMod& dmod, TFormPreview* preview = nullptr, QWidget* parent = nullptr);
    ~TCdataForm() override;

    // Sets the program's currency symbol from the general settings' standard
    // currency; run each time the window is shown.
    std::function<void()> ApplyCurrencyHook;

    // The item of the main-group choice: 0 "Alle", 1..10 a main group.
    int HoofdgroepIndex() const;
    // The letters typed into the cultivar list so far.
    QString typedText() const { return m_search.text(); }

    // --- Event handlers ----------------------------------------------------------------
    void FormCreate();
    void FormShow();
    void FormActivate();
    // Posts what is pending; false (the error shown) keeps the window open.
    bool FormCloseQuery();
    void FormClose();
    void HoofdgroepComboBoxChange();
    void PrintBtnClick();
    void OptionsBtnClick();
    void CopyButtonClick();
    void Button1Click();
    void CopyToClipboard();
    void KopieerGrondnaarwaterBtnMouseDown(Qt::KeyboardModifiers modifiers);
    void SetUnitCaptions(const QString& tussenTCaption, const QString& koudeCaption);

    // --- Controls -------------------------------------------------------------------------
    QComboBox* const HoofdgroepComboBox;
    QLabel* const Panel2;
    QToolButton* const PrintBtn;
    QToolButton* const OptionsBtn;
    QPushButton* const Close_or_CancelButton;
    QPushButton* const HelpBtn;
    QCheckBox* const AlleenVoorraadCBox;
    QSplitter* const Splitter1;
    TDBNavigator* const DBNavigator;
    QPushButton* const CopyButton;
    TDBGrid* const DBGrid1;
    TDBNavigator* const DBNavigator1;
    QPushButton* const Button1;
    TDBGrid* const BroeidataSizesDBGrid;
    QMenu* const PopupMenu1;
    QAction* const KopieerNaarClipboard;
    QTabWidget* const PageControl1;
    CdataGeneralPage* const AlgemeenSheet;
    CdataForcingPage* const BroeigegevensSheet;
    // The six unit labels: days after G and cold days of soil, water, ice.
    QLabel* const WorD20naGLabel;
    QLabel* const WorD20naGLabel_w;
    QLabel* const WorD20naGLabel_ice;
    QLabel* const WorDkoudeLabel;
    QLabel* const WorDkoudeLabel_w;
    QLabel* const WorDkoudeLabel_ice;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildTopBar();
    QWidget* buildCultivarArea();
    QWidget* buildSizeArea();
    void connectControls();
    // Delete and Insert in a grid act on its view, unless its cell editor is
    // open; answers whether the key was taken.
    bool gridKey(TDBGrid& grid, int key);
    void DBGrid1KeyPress(QChar key);
    void showCount(const QString& text);

    TDMod& m_dmod;
    TFormPreview* m_preview;
    TypeAheadSearch m_search;
};

} // namespace kasplan
