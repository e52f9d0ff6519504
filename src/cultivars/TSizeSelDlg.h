#pragma once

#include <QDialog>

class QPushButton;

namespace kasplan {

class TDBGrid;
class TDMod;

// Asks which size of the size list a copied size record gets. The grid
// browses the data module's size list, so the choice is its current record
// when the dialog closes with OK. Created for one use.
class TSizeSelDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TSizeSelDlg(TDMod& dmod, QWidget* parent = nullptr);

    // Shows a new dialog modally over owner; answers whether a size was
    // chosen.
    static bool Choose(TDMod& dmod, QWidget* owner);

    TDBGrid* const DBGrid1;
    QPushButton* const OKBtn;
    QPushButton* const CancelBtn;
};

} // namespace kasplan
