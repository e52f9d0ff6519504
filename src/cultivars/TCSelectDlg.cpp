#include "TCSelectDlg.h"

#include "core/Clock.h"
#include "core/ErrorBarrier.h"
#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "db/TDMod.h"
#include "db/engine/DataSource.h"
#include "db/engine/TableView.h"
#include "widgets/DesignFont.h"
#include "widgets/WindowPlacement.h"
#include "widgets/bound/TDBGrid.h"
#include "widgets/bound/TDBNavigator.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

namespace kasplan {

namespace {

using Column = DataSetTableModel::Column;

constexpr Qt::Alignment Right = Qt::AlignRight;

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

TCSelectDlg::TCSelectDlg(TDMod& dmod, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      DBGrid1(new TDBGrid(dmod.dsCdata(),
                          {Column{QStringLiteral("Cultivar"), QStringLiteral("Cultivar"), 100},
                           Column{QStringLiteral("Source"), QStringLiteral("Herkomst"), 68},
                           Column{QStringLiteral("Status"), QStringLiteral("Status"), 121}},
                          this)),
      DBGrid2(
          new TDBGrid(dmod.dsCsizes(),
                      {Column{QStringLiteral("Size"), QStringLiteral("Zift"), 45},
                       Column{QStringLiteral("Aantal"), QStringLiteral("Voorraad"), 70, Right},
                       Column{QStringLiteral("Geboekt"), QStringLiteral("Geboekt"), 70, Right},
                       Column{QStringLiteral("Resterend"), QStringLiteral("Resterend"), 70, Right},
                       Column{QStringLiteral("Status"), QStringLiteral("Status"), 78}},
                      this)),
      DBNavigator1(new TDBNavigator(dmod.dsCdata(), this)),
      Label2(label(this, "Label2",
                   QStringLiteral("Blader of click tabel en type eerste letter(s) cultivar:"))),
      FirstChars(label(this, "FirstChars", QString())),
      AlleenVoorraadCBox(new QCheckBox(QStringLiteral("Alleen Voorraad"), this)),
      OKBtn(new QPushButton(QStringLiteral("OK"), this)),
      HelpBtn(new QPushButton(QStringLiteral("&Help"), this)), StatusBar1(new QStatusBar(this)),
      m_dmod(dmod)
{
    setObjectName(QStringLiteral("CSelectDlg"));
    setWindowTitle(QStringLiteral("Selecteer Cultivar en Zift"));
    setFixedSize(713, 391);
    setFont(DesignFont(QStringLiteral("MS Sans Serif"), 14));

    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(8, 34, 356, 290);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid2->setGeometry(372, 34, 236, 290);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setGeometry(8, 332, 120, 25);
    Label2->setGeometry(8, 8, Label2->sizeHint().width(), 20);
    FirstChars->setGeometry(Label2->geometry().right() + 8, 8, 260, 20);
    QPalette blue = FirstChars->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    FirstChars->setPalette(blue);
    QFont bold = FirstChars->font();
    bold.setBold(true);
    FirstChars->setFont(bold);
    AlleenVoorraadCBox->setObjectName(QStringLiteral("AlleenVoorraadCBox"));
    AlleenVoorraadCBox->setToolTip(QStringLiteral("Laat alleen records met voorraad>0 zien"));
    AlleenVoorraadCBox->setGeometry(372, 334, 150, 22);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setGeometry(620, 330, 85, 28);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    HelpBtn->setGeometry(620, 34, 85, 28);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 391 - 20, 713, 20);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(DBGrid1, &TDBGrid::doubleClicked, this, &QDialog::accept);
    connect(DBGrid2, &TDBGrid::doubleClicked, this, &QDialog::accept);
    connect(AlleenVoorraadCBox, &QCheckBox::clicked, this, &TCSelectDlg::AlleenVoorraadCBoxClick);
    connect(dmod.dsCdata(), &db::DataSource::scrolled, this, &TCSelectDlg::cultivarRowMoved);
    arrangeTabOrder();

    // Key preview: the dialog sees every character before the control with
    // the focus does.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    FormCreate();
}

void TCSelectDlg::FormCreate()
{
    HelpBtn->hide();
    for (const char* stock : {"Aantal", "Geboekt", "Resterend"})
        DBGrid2->setFieldColumnHidden(QLatin1String(stock), true);
    // Hidden, yet its state still drives the stock filter (from the setting).
    AlleenVoorraadCBox->hide();
    centreOnScreen(*this);
}

void TCSelectDlg::arrangeTabOrder()
{
    DBGrid1->setTabKeyNavigation(false);
    DBGrid2->setTabKeyNavigation(false);
    const QList<QWidget*> order = {DBGrid1,
                                   DBGrid2,
                                   DBNavigator1->FirstButton,
                                   DBNavigator1->PriorButton,
                                   DBNavigator1->NextButton,
                                   DBNavigator1->LastButton,
                                   AlleenVoorraadCBox,
                                   OKBtn};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TCSelectDlg::cultivarRowMoved()
{
    if (!m_searching)
        FirstChars->clear();
}

QString TCSelectDlg::typedText() const
{
    return FirstChars->text();
}

void TCSelectDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { FormShow(); });
}

void TCSelectDlg::FormShow()
{
    FirstChars->clear();
    m_lastSearchKey = Clock::current().now();
    AlleenVoorraadCBox->setChecked(TZHRegistry::current().ReadBool(Setting::CSelectVoorraadOnly));
    m_dmod.setVoorraadOnly(AlleenVoorraadCBox->isChecked());
    m_dmod.ApplyCultivarFilter();
    DBGrid1->setFocus(Qt::OtherFocusReason);
}

bool TCSelectDlg::eventFilter(QObject* watched, QEvent* event)
{
    // Only where the key arrives first: an ignored key travels on to the
    // parents, and must not count twice.
    if (event->type() == QEvent::KeyPress && watched == QApplication::focusWidget()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        // Enter belongs to the default button, Tab to the focus moves.
        if (text.size() == 1 && key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter &&
            key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab)
            FormKeyPress(text.at(0));
    }
    // The character goes on to the control.
    return QDialog::eventFilter(watched, event);
}

void TCSelectDlg::FormKeyPress(QChar key)
{
    if (key == QChar(27)) {
        FirstChars->clear();
        return;
    }
    const QDateTime now = Clock::current().now();
    QString typed = FirstChars->text();
    if (key == QChar(8))
        typed.chop(1);
    else if (key.isPrint() && m_lastSearchKey.msecsTo(now) <= SearchKeyWindowMs)
        typed += key;
    else if (key.isPrint())
        typed = key;
    else
        return;
    FirstChars->setText(typed);
    m_lastSearchKey = now;
    // Not found: the current record stays.
    m_searching = true;
    Guarded([&] {
        m_dmod.tbCdata()->locate({QStringLiteral("Cultivar")}, {typed},
                                 db::DataSet::CaseInsensitive | db::DataSet::PartialKey);
    });
    m_searching = false;
}

void TCSelectDlg::keyPressEvent(QKeyEvent* event)
{
    // There is nothing to cancel: Escape only clears the typed letters.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TCSelectDlg::AlleenVoorraadCBoxClick()
{
    m_dmod.setVoorraadOnly(AlleenVoorraadCBox->isChecked());
    Guarded([this] { m_dmod.ApplyCultivarFilter(); });
}

void TCSelectDlg::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TCSelectDlg::FormClose()
{
    // However it goes, the dialog closes with the selection where it is; and
    // the stock filter is reset even when the setting could not be written,
    // so it never outlives the dialog. What fails is shown.
    Guarded([this] {
        TZHRegistry::current().WriteBool(Setting::CSelectVoorraadOnly,
                                         AlleenVoorraadCBox->isChecked());
    });
    Guarded([this] { m_dmod.ResetStockFilters(); });
}

} // namespace kasplan
