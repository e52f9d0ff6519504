#include "TCdataForm.h"

#include "CdataForcingPage.h"
#include "CdataGeneralPage.h"
#include "ForcingPeriodsBox.h"
#include "PressButton.h"

#include "core/Clock.h"
#include "core/ErrorBarrier.h"
#include "core/UserPrompts.h"
#include "db/TDMod.h"
#include "db/engine/DataSource.h"
#include "db/engine/TableView.h"
#include "reports/preview/CultivarListPrint.h"
#include "schedule/mainwindow/MainFormArt.h"
#include "widgets/DesignFont.h"
#include "widgets/ReturnActivation.h"
#include "widgets/TProgressBox.h"
#include "widgets/bound/GridClipboardExport.h"
#include "widgets/bound/TDBGrid.h"
#include "widgets/bound/TDBNavigator.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

namespace kasplan {

namespace {

using Column = DataSetTableModel::Column;

const QString kConfirmCopyAll = QStringLiteral(
    "Weet u zeker dat u van alle cultivar-records de Grondbroei-\r\ngegevens naar de "
    "Water/Ijs-broeigegevens wilt kopieeren?\r\n(Hierbij gaan al uw huidige "
    "Water/Ijs-broeigegevens verloren!)\r\nDruk op Ok om door te gaan of op Annuleer/Cancel om "
    "af te breken");

// A long copy shows its progress once it has run this long.
constexpr qint64 kProgressAfterMs = 500;

QPushButton* boldButton(QWidget* parent, const char* name, const QString& text, const QString& hint)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    QFont bold = button->font();
    bold.setBold(true);
    button->setFont(bold);
    button->setToolTip(hint);
    button->setFixedWidth(28);
    return button;
}

QToolButton* iconButton(QWidget* parent, const char* name, const QIcon& icon, const QString& hint)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(icon);
    button->setIconSize(QSize(22, 22));
    button->setToolTip(hint);
    button->setFixedSize(32, 30);
    return button;
}

// The navigator's buttons, first to cancel, say what they do to which record.
void setHints(TDBNavigator& navigator, const QStringList& hints)
{
    const QList<QToolButton*> buttons = {navigator.FirstButton,  navigator.PriorButton,
                                         navigator.NextButton,   navigator.LastButton,
                                         navigator.InsertButton, navigator.DeleteButton,
                                         navigator.PostButton,   navigator.CancelButton};
    for (qsizetype i = 0; i < buttons.size() && i < hints.size(); ++i)
        buttons[i]->setToolTip(hints[i]);
}

void notAvailable(const QString& what)
{
    UserPrompts::current().showInformation(
        QStringLiteral("%1 is in deze versie nog niet beschikbaar.").arg(what));
}

// Shows the progress of a long run in a box of its own, once the run has
// taken longer than a moment; the user can stop it there. While the box is
// up, the other windows take no input.
class CopyProgress
{
public:
    explicit CopyProgress(QWidget* owner) : m_owner(owner) { m_started.start(); }

    bool operator()(int done, int total)
    {
        if (!m_box) {
            if (m_started.elapsed() < kProgressAfterMs)
                return true;
            m_box = std::make_unique<TProgressBox>(m_owner);
            m_box->setWindowModality(Qt::ApplicationModal);
            m_box->SetProgress(0);
            m_box->show();
        }
        if (m_shown.isValid() && m_shown.elapsed() < 50 && done < total)
            return true;
        m_shown.start();
        return !m_box->SetProgress(total > 0 ? 100.0 * done / total : 100.0);
    }

private:
    QWidget* m_owner;
    QElapsedTimer m_started;
    QElapsedTimer m_shown;
    std::unique_ptr<TProgressBox> m_box;
};

} // namespace

TCdataForm::TCdataForm(TDMod& dmod, TFormPreview* preview, QWidget* parent)
    : QWidget(parent, Qt::Window), HoofdgroepComboBox(new QComboBox(this)),
      Panel2(new QLabel(this)),
      PrintBtn(iconButton(this, "PrintBtn", PrinterGlyph(), QStringLiteral("Print"))),
      OptionsBtn(iconButton(this, "OptionsBtn", OptionsGlyph(), QStringLiteral("Instellingen"))),
      Close_or_CancelButton(new QPushButton(QStringLiteral("&Sluiten"), this)),
      HelpBtn(new QPushButton(QStringLiteral("&Help"), this)),
      AlleenVoorraadCBox(new QCheckBox(QStringLiteral("Alleen Voorraad"), this)),
      Splitter1(new QSplitter(Qt::Vertical, this)),
      DBNavigator(new TDBNavigator(dmod.dsCdata(), this,
                                   TDBNavigator::MoveButtons | TDBNavigator::EditButtons)),
      CopyButton(boldButton(this, "CopyButton", QStringLiteral("&C"),
                            QStringLiteral("Maak copie van cultivar"))),
      DBGrid1(new TDBGrid(
          dmod.dsCdata(),
          {Column{QStringLiteral("Cultivar"), QStringLiteral("Cultivar"), 110},
           Column{QStringLiteral("Source"), QStringLiteral("Herkomst"), 64},
           Column{QStringLiteral("Hoofdgroep"), QStringLiteral("Hoofdgroep"), 90},
           Column{QStringLiteral("BolArtikelcode"), QStringLiteral("Artikelcode bollen"), 100},
           Column{QStringLiteral("CertifNr"), QStringLiteral("CertifNr"), 80},
           Column{QStringLiteral("Artikelcode"), QStringLiteral("Artikelcode bloemen"), 110},
           Column{QStringLiteral("ProductType"), QStringLiteral("Producttype bloemen"), 110}},
          this)),
      DBNavigator1(new TDBNavigator(dmod.dsCsizes(), this,
                                    TDBNavigator::MoveButtons | TDBNavigator::EditButtons)),
      Button1(
          boldButton(this, "Button1", QStringLiteral("&C"), QStringLiteral("Maak copie van zift"))),
      BroeidataSizesDBGrid(new TDBGrid(
          dmod.dsCsizes(),
          {Column{
               QStringLiteral("SizeLU"), QStringLiteral("Zift"), 64, Qt::AlignLeft, false, {}, 14},
           // Set by the editing rules, not typed.
           Column{QStringLiteral("Status"), QStringLiteral("Status"), 110, Qt::AlignLeft, true}},
          this)),
      PopupMenu1(new QMenu(this)),
      KopieerNaarClipboard(new QAction(QStringLiteral("Kopieer naar Clipboard"), this)),
      PageControl1(new QTabWidget(this)), AlgemeenSheet(new CdataGeneralPage(dmod, PageControl1)),
      BroeigegevensSheet(new CdataForcingPage(dmod, PageControl1)),
      WorD20naGLabel(BroeigegevensSheet->GrondBox->WorD20naGLabel),
      WorD20naGLabel_w(BroeigegevensSheet->WaterBox->WorD20naGLabel),
      WorD20naGLabel_ice(BroeigegevensSheet->IJsBox->WorD20naGLabel),
      WorDkoudeLabel(BroeigegevensSheet->GrondBox->WorDkoudeLabel),
      WorDkoudeLabel_w(BroeigegevensSheet->WaterBox->WorDkoudeLabel),
      WorDkoudeLabel_ice(BroeigegevensSheet->IJsBox->WorDkoudeLabel), m_dmod(dmod),
      m_preview(preview)
{
    setObjectName(QStringLiteral("CdataForm"));
    setWindowTitle(QStringLiteral("Cultivar Gegevens"));
    setFont(DesignFont(QStringLiteral("MS Sans Serif"), 14));
    resize(686, 438);
    setMinimumSize(565, 383);

    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setFixedWidth(421);
    PageControl1->addTab(AlgemeenSheet, QStringLiteral("Algemeen"));
    PageControl1->addTab(BroeigegevensSheet, QStringLiteral("Broeigegevens"));

    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(buildCultivarArea());
    Splitter1->addWidget(buildSizeArea());
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(Splitter1, 1);
    body->addWidget(PageControl1);
    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(2, 0, 2, 2);
    window->setSpacing(2);
    window->addWidget(buildTopBar());
    window->addLayout(body, 1);
    // The size area starts 192 high, the cultivar area takes the rest.
    Splitter1->setSizes({438 - 38 - 192, 192});

    KopieerNaarClipboard->setObjectName(QStringLiteral("KopieerNaarClipboard"));
    KopieerNaarClipboard->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    // Only where a grid itself has the focus: an open cell editor copies
    // its own text.
    KopieerNaarClipboard->setShortcutContext(Qt::WidgetShortcut);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addAction(KopieerNaarClipboard);

    connectControls();
    FormCreate();
}

TCdataForm::~TCdataForm() = default;

QWidget* TCdataForm::buildTopBar()
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("TopPanel"));
    bar->setFixedHeight(38);
    HoofdgroepComboBox->setObjectName(QStringLiteral("HoofdgroepComboBox"));
    HoofdgroepComboBox->setToolTip(QStringLiteral("Selecteer hoofdgroep"));
    HoofdgroepComboBox->addItems({QStringLiteral("Alle"), QStringLiteral("Tulpen TU"),
                                  QStringLiteral("Iris IR"), QStringLiteral("Gladiolen GL"),
                                  QStringLiteral("Dahlia DA"), QStringLiteral("Vaste Planten VP"),
                                  QStringLiteral("Narcissen NA"), QStringLiteral("Hyacinthen HY"),
                                  QStringLiteral("Lelies LE"), QStringLiteral("Krokussen KR"),
                                  QStringLiteral("Bijgoed BIJ")});
    HoofdgroepComboBox->setCurrentIndex(0);
    HoofdgroepComboBox->setMaxVisibleItems(11);
    HoofdgroepComboBox->setMinimumWidth(140);

    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setAutoFillBackground(true);
    QPalette white = Panel2->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    Panel2->setPalette(white);
    Panel2->setAlignment(Qt::AlignCenter);
    Panel2->setMinimumWidth(150);
    Panel2->setFixedHeight(26);

    Close_or_CancelButton->setObjectName(QStringLiteral("Close_or_CancelButton"));
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    AlleenVoorraadCBox->setObjectName(QStringLiteral("AlleenVoorraadCBox"));

    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 4, 4, 4);
    row->addWidget(HoofdgroepComboBox);
    row->addWidget(Panel2);
    row->addWidget(AlleenVoorraadCBox);
    row->addStretch();
    row->addWidget(PrintBtn);
    row->addWidget(OptionsBtn);
    row->addWidget(HelpBtn);
    row->addWidget(Close_or_CancelButton);
    return bar;
}

QWidget* TCdataForm::buildCultivarArea()
{
    auto* area = new QWidget(Splitter1);
    area->setObjectName(QStringLiteral("CultivarPanel"));
    DBNavigator->setObjectName(QStringLiteral("DBNavigator"));
    setHints(*DBNavigator,
             {QStringLiteral("Eerste cultivar"), QStringLiteral("Vorige cultivar"),
              QStringLiteral("Volgende cultivar"), QStringLiteral("Laatste cultivar"),
              QStringLiteral("Voeg cultivar toe"), QStringLiteral("Verwijder cultivar"),
              QStringLiteral("Verwerk wijziging gegevens"), QStringLiteral("Annuleer wijziging")});
    DBNavigator->setFixedHeight(25);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setToolTip(QStringLiteral("Voor zoeken, type beginletters cultivar"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(DBNavigator, 1);
    buttons->addWidget(CopyButton);
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addLayout(buttons);
    column->addWidget(DBGrid1, 1);
    return area;
}

QWidget* TCdataForm::buildSizeArea()
{
    auto* area = new QWidget(Splitter1);
    area->setObjectName(QStringLiteral("SizePanel"));
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    setHints(*DBNavigator1,
             {QStringLiteral("Eerste zift"), QStringLiteral("Vorige zift"),
              QStringLiteral("Volgende zift"), QStringLiteral("Laatste zift"),
              QStringLiteral("Voeg zift toe"), QStringLiteral("Verwijder zift"),
              QStringLiteral("Verwerk wijziging gegevens"), QStringLiteral("Annuleer wijziging")});
    DBNavigator1->setFixedHeight(25);
    BroeidataSizesDBGrid->setObjectName(QStringLiteral("BroeidataSizesDBGrid"));
    BroeidataSizesDBGrid->setEditable(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(DBNavigator1, 1);
    buttons->addWidget(Button1);
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addLayout(buttons);
    column->addWidget(BroeidataSizesDBGrid, 1);
    return area;
}

void TCdataForm::connectControls()
{
    connect(HoofdgroepComboBox, &QComboBox::currentIndexChanged, this,
            &TCdataForm::HoofdgroepComboBoxChange);
    connect(PrintBtn, &QToolButton::clicked, this, &TCdataForm::PrintBtnClick);
    connect(OptionsBtn, &QToolButton::clicked, this, &TCdataForm::OptionsBtnClick);
    connect(Close_or_CancelButton, &QPushButton::clicked, this, &QWidget::close);
    connect(CopyButton, &QPushButton::clicked, this, &TCdataForm::CopyButtonClick);
    connect(Button1, &QPushButton::clicked, this, &TCdataForm::Button1Click);
    connect(BroeigegevensSheet->KopieerGrondnaarwaterBtn, &PressButton::pressedWith, this,
            &TCdataForm::KopieerGrondnaarwaterBtnMouseDown);
    connect(KopieerNaarClipboard, &QAction::triggered, this, &TCdataForm::CopyToClipboard);
    for (TDBGrid* grid : {DBGrid1, BroeidataSizesDBGrid}) {
        grid->addAction(KopieerNaarClipboard);
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid, &QWidget::customContextMenuRequested, this,
                [this, grid](const QPoint& at) { PopupMenu1->popup(grid->mapToGlobal(at)); });
        // Keys reach the window first, before the grid acts on them.
        grid->installEventFilter(this);
    }
    connect(&m_dmod, &TDMod::CultivarCountChanged, this, &TCdataForm::showCount);
    connect(&m_dmod, &TDMod::PeriodUnitsChanged, this, &TCdataForm::SetUnitCaptions);
    new ReturnActivation(this, [this] { FormActivate(); });
}

// --- Form events ------------------------------------------------------------------------

void TCdataForm::FormCreate()
{
    HelpBtn->hide();
    AlleenVoorraadCBox->hide();
    SetUnitCaptions(m_dmod.TussenTCaption(), m_dmod.KoudeCaption());
}

int TCdataForm::HoofdgroepIndex() const
{
    return std::max(0, HoofdgroepComboBox->currentIndex());
}

void TCdataForm::SetUnitCaptions(const QString& tussenTCaption, const QString& koudeCaption)
{
    BroeigegevensSheet->setUnitCaptions(tussenTCaption, koudeCaption);
}

void TCdataForm::showCount(const QString& text)
{
    Panel2->setText(text);
}

void TCdataForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TCdataForm::FormShow()
{
    if (ApplyCurrencyHook)
        Guarded([this] { ApplyCurrencyHook(); });
    // Other copies may have changed the tables since the window was last up.
    Guarded([this] {
        if (m_dmod.tbCdata()->isActive())
            m_dmod.tbCdata()->refresh();
        if (m_dmod.tbCsizes()->isActive())
            m_dmod.tbCsizes()->refresh();
    });
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    showCount(m_dmod.CultivarCountText());
    BroeidataSizesDBGrid->show();
    m_search.reset(Clock::current().now());
}

void TCdataForm::FormActivate()
{
    HoofdgroepComboBoxChange();
    // Edits left pending elsewhere are saved before this window goes on.
    Guarded([this] {
        for (db::TableView* view : {m_dmod.tbCstdOogst(), m_dmod.tbCsizes(), m_dmod.tbCdata()}) {
            if (view->isActive() && view->isEditing())
                view->post();
        }
    });
    Guarded([this] {
        m_dmod.setPGVoorraadOnly(false);
        m_dmod.setVoorraadOnly(AlleenVoorraadCBox->isChecked());
        m_dmod.ApplyCultivarFilter();
    });
}

void TCdataForm::HoofdgroepComboBoxChange()
{
    Guarded([this] { m_dmod.SetHoofdgroepFilter(HoofdgroepIndex()); });
}

void TCdataForm::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    QWidget::closeEvent(event);
}

bool TCdataForm::FormCloseQuery()
{
    return Guarded([this] {
        for (db::TableView* view : {m_dmod.tbCdata(), m_dmod.tbCsizes(), m_dmod.tbCstdOogst()}) {
            if (view->isActive() && view->isEditing())
                view->post();
        }
    });
}

void TCdataForm::FormClose()
{
    try {
        m_dmod.ResetStockFilters();
    } catch (...) {
        // The window closes regardless; the filter is set again when it is
        // next activated.
    }
}

// --- Keys in the grids ------------------------------------------------------------------

bool TCdataForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress &&
        (watched == DBGrid1 || watched == BroeidataSizesDBGrid)) {
        auto* grid = static_cast<TDBGrid*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (gridKey(*grid, key->key()))
            return true;
        if (grid == DBGrid1) {
            // Tab moves between the columns; every other character searches.
            if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab) {
                for (const QChar ch : key->text())
                    DBGrid1KeyPress(ch);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TCdataForm::gridKey(TDBGrid& grid, int key)
{
    if ((key != Qt::Key_Delete && key != Qt::Key_Insert) || grid.cellEditorOpen())
        return false;
    db::DataSet* view = grid.gridModel()->dataSet();
    if (!view || !view->isActive())
        return true;
    if (key == Qt::Key_Delete)
        Guarded([view] { view->deleteRecord(); });
    else
        Guarded([view] { view->insert(); });
    return true;
}

void TCdataForm::DBGrid1KeyPress(QChar key)
{
    const QDateTime now = Clock::current().now();
    const QString typed = m_search.type(key, now);
    // Not found: the current record stays.
    Guarded([&] {
        m_dmod.tbCdata()->locate({QStringLiteral("Cultivar")}, {typed},
                                 db::DataSet::CaseInsensitive | db::DataSet::PartialKey);
    });
}

// --- Buttons ----------------------------------------------------------------------------

void TCdataForm::PrintBtnClick()
{
    if (!m_preview) {
        notAvailable(QStringLiteral("Het afdrukken van de cultivarlijst"));
        return;
    }
    PrintCultivarList(m_dmod, *m_preview);
}

void TCdataForm::OptionsBtnClick()
{
    // The settings dialog may change the units: the data module publishes
    // the new captions, and the window is shown anew.
    Guarded([this] { m_dmod.ShowDataOptions(); });
    FormShow();
}

void TCdataForm::CopyButtonClick()
{
    Guarded([this] { m_dmod.CopyCultivar(); });
}

void TCdataForm::Button1Click()
{
    Guarded([this] { m_dmod.CopySize(); });
}

void TCdataForm::CopyToClipboard()
{
    // Whichever grid asked, the grower wants the cultivar list; the window
    // takes no input meanwhile and comes back however the export ends.
    setEnabled(false);
    Guarded([this] { GridClipboardExport(*DBGrid1).Run(); });
    setEnabled(true);
    show();
}

void TCdataForm::KopieerGrondnaarwaterBtnMouseDown(Qt::KeyboardModifiers modifiers)
{
    if (!(modifiers & Qt::ControlModifier)) {
        Guarded([this] { m_dmod.CopySoilToWaterIce(); });
    } else if (UserPrompts::current().confirmOkCancel(kConfirmCopyAll)) {
        CopyProgress progress(this);
        Guarded([&] { m_dmod.CopySoilToWaterIceForList(std::ref(progress)); });
    }
    DBGrid1->setFocus(Qt::OtherFocusReason);
}

} // namespace kasplan
