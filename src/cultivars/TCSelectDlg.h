#pragma once

#include <QDateTime>
#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QStatusBar;

namespace kasplan {

class TDBGrid;
class TDBNavigator;
class TDMod;

// The dialog in which the user picks the cultivar (name and source) and the
// size for the schedule. It browses the data module's cultivar and size
// views directly, so the choice is simply their current records when it
// closes; every way of closing keeps it. Typing the first letters of a
// cultivar's name finds it. Created once and shown modally again and again.
class TCSelectDlg : public QDialog
{
    Q_OBJECT

public:
    // Letters typed within this many milliseconds of the one before extend
    // the search; after a longer pause a letter starts a new one.
    static constexpr qint64 SearchKeyWindowMs = 1296;

    explicit TCSelectDlg(TDMod& dmod, QWidget* parent = nullptr);

    // The letters typed so far.
    QString typedText() const;

    TDBGrid* const DBGrid1;
    TDBGrid* const DBGrid2;
    TDBNavigator* const DBNavigator1;
    QLabel* const Label2;
    QLabel* const FirstChars;
    QCheckBox* const AlleenVoorraadCBox;
    QPushButton* const OKBtn;
    QPushButton* const HelpBtn;
    QStatusBar* const StatusBar1;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    // Every character the dialog sees, whichever control has the focus.
    void FormKeyPress(QChar key);
    void AlleenVoorraadCBoxClick();
    void FormClose();
    // Tab and Shift+Tab go from grid to grid to the buttons; the arrow keys
    // move within a grid.
    void arrangeTabOrder();
    // Another cultivar became current: by the search, or by the user moving
    // the row another way, which ends the search.
    void cultivarRowMoved();

    TDMod& m_dmod;
    QDateTime m_lastSearchKey;
    bool m_searching = false;
};

} // namespace kasplan
