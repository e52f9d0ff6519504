#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kasplan {

class TDBEdit;
class TDBIndexComboBox;
class TDMod;

// Asks the name, source and main group of a cultivar record being added,
// new or as a copy of another. Its controls are bound to the cultivar record
// itself; OK posts it and closes only with a name. In copy mode the name is
// that of the original and cannot be changed. There is no way to close it
// but its two buttons: Escape does nothing. Created for one use.
class TNewCultivarForm : public QDialog
{
    Q_OBJECT

public:
    explicit TNewCultivarForm(TDMod& dmod, QWidget* parent = nullptr);

    // Shows a new dialog modally over owner; answers whether it closed with
    // OK, the record posted.
    static bool Confirm(TDMod& dmod, QWidget* owner);

    QLabel* const Label1;
    TDBEdit* const DBEdit1;
    QLabel* const Label2;
    TDBEdit* const DBEdit2;
    QLabel* const HGLabel;
    TDBIndexComboBox* const HoofdGroepDBIndexComboBox;
    QPushButton* const Button1;
    QPushButton* const Button2;

    // The close query: only Cancel closes while the name is empty.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormShow();
    void Button1Click();
    bool nameIsEmpty() const;

    TDMod& m_dmod;
};

} // namespace kasplan
