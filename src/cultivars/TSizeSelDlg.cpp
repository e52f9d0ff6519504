#include "TSizeSelDlg.h"

#include "db/TDMod.h"
#include "widgets/DesignFont.h"
#include "widgets/WindowPlacement.h"
#include "widgets/bound/TDBGrid.h"

#include <QPushButton>

namespace kasplan {

TSizeSelDlg::TSizeSelDlg(TDMod& dmod, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      DBGrid1(new TDBGrid(
          dmod.dsSizes(),
          {DataSetTableModel::Column{QStringLiteral("Size"), QStringLiteral("Zift"), 149}}, this)),
      OKBtn(new QPushButton(QStringLiteral("OK"), this)),
      CancelBtn(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("SizeSelDlg"));
    setWindowTitle(QStringLiteral("Selecteer Zift"));
    setFixedSize(227, 330);
    setFont(DesignFont(QStringLiteral("MS Sans Serif"), 14));

    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(8, 8, 211, 278);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setGeometry(24, 296, 80, 25);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(123, 296, 80, 25);
    setTabOrder(DBGrid1, OKBtn);
    setTabOrder(OKBtn, CancelBtn);

    // Escape and the close box cancel, as the Cancel button does.
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(DBGrid1, &TDBGrid::doubleClicked, this, &QDialog::accept);
    centreOnScreen(*this);
}

bool TSizeSelDlg::Choose(TDMod& dmod, QWidget* owner)
{
    TSizeSelDlg dialog(dmod, owner);
    dialog.DBGrid1->setFocus(Qt::OtherFocusReason);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace kasplan
