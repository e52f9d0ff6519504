#include "TBroeiDataOptDlg.h"

#include "core/ErrorBarrier.h"
#include "core/Rounding.h"
#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "widgets/DesignFont.h"
#include "widgets/TNumInp.h"
#include "widgets/TRadioGroup.h"
#include "widgets/WindowPlacement.h"
#include "widgets/bound/TDBGrid.h"
#include "widgets/bound/TDBNavigator.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QToolButton>

#include <limits>

namespace kasplan {

namespace {

using Column = DataSetTableModel::Column;

constexpr int Days = 1;
constexpr int Weeks = 7;
// The items of the two unit groups.
constexpr int DaysItem = 0;
constexpr int WeeksItem = 1;
// The largest adjustment of the planting density, in whole percents.
constexpr int MaxpdadjustpercMax = 100;

QWidget* page(const char* name)
{
    auto* sheet = new QWidget;
    sheet->setObjectName(QLatin1String(name));
    return sheet;
}

TRadioGroup* radioGroup(QWidget* parent, const char* name, const QString& caption,
                        const QStringList& items, const QRect& geometry)
{
    auto* group = new TRadioGroup(caption, items, parent);
    group->setObjectName(QLatin1String(name));
    group->setGeometry(geometry);
    return group;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption,
                    const QRect& geometry)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    return box;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

// The unit as stored, before anything reads an impossible value as weeks:
// the dialog shows any value but weeks as days, and stores what it shows.
int storedUnit(const TZHRegistry& store, const IntegerSetting& setting)
{
    return store.ReadInteger(QLatin1String(setting.name), setting.defaultValue);
}

int unitItem(int unit)
{
    return unit == Weeks ? WeeksItem : DaysItem;
}

int unitOf(const TRadioGroup* group)
{
    return group->ItemIndex() == DaysItem ? Days : Weeks;
}

} // namespace

const QString TBroeiDataOptDlg::WarningKP2 = QStringLiteral(
    "Warning KP 2\r\nU heeft het verwijderen/aanpassen van standaard\r\nDLV/LBO Cultivar gegevens "
    "in het Cultivar gegevens Window toegestaan.\r\nNa verandering kunt u de gegevens wel, maar de "
    "Status niet meer terugzetten op standaard DLV/LBO!\r\nKlik \"Cancel\" om terug te gaan naar "
    "Instellingen indien u deze optie\r\nweer wilt uitzetten.\r\nKlik \"Ok\" om deze "
    "optie-instelling te bevestigen");

TBroeiDataOptDlg::TBroeiDataOptDlg(TDMod& dmod, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      PageControl1(new QTabWidget(this)), TabSheet2(page("TabSheet2")),
      TabSheet3(page("TabSheet3")), TabSheet1(page("TabSheet1")),
      PlantgoedTSheet(page("PlantgoedTSheet")),
      DBNavigator2(new TDBNavigator(dmod.dsSizes(), TabSheet2,
                                    TDBNavigator::MoveButtons | TDBNavigator::EditButtons)),
      OogstverDBgrid(new TDBGrid(
          dmod.dsSizes(),
          {Column{.field = QStringLiteral("Size"), .title = QStringLiteral("Zift"), .width = 64},
           Column{.field = QStringLiteral("QtyUnit"),
                  .title = QStringLiteral("Std.Eenheid"),
                  .width = 70,
                  .pickList = {QStringLiteral("Kg"), QStringLiteral("Stuks")}},
           Column{.field = QStringLiteral("Gebruikstype"),
                  .title = QStringLiteral("Std.Gebruikstype"),
                  .width = 90,
                  .pickList = {QStringLiteral("Leverbaar"), QStringLiteral("Plantgoed"),
                               QStringLiteral("Ongeraapt"), QStringLiteral("Overig")}},
           Column{.field = QStringLiteral("StdBroeiKprijs"), .width = 80}},
          TabSheet2)),
      UseKasplanCBox(checkBox(TabSheet3, "UseKasplanCBox",
                              QStringLiteral("Gebruik Kasplan Cultivar gegevens"),
                              QRect(16, 16, 300, 20))),
      KasplanRGroup(radioGroup(TabSheet3, "KasplanRGroup", QStringLiteral("KasplanRGroup"),
                               {QStringLiteral("Kasplan Standaard"), QStringLiteral("Kasplan Pro"),
                                QStringLiteral("Zoek zelf locatie (op andere PC) :")},
                               QRect(16, 44, 396, 96))),
      KasplanDBasePath(new QLineEdit(TabSheet3)),
      PathBrowseBtn(button(TabSheet3, "PathBrowseBtn", QStringLiteral("&Selecteer..."))),
      CanDelEditStdRecs(
          checkBox(TabSheet1, "CanDelEditStdRecs",
                   QStringLiteral("Sta verwijderen/aanpassen standaard cultivars toe"),
                   QRect(16, 16, 396, 20))),
      TussenTunitopt(
          radioGroup(TabSheet1, "TussenTunitopt", QStringLiteral("Tussentemp. periode in:"),
                     {QStringLiteral("Dagen"), QStringLiteral("Weken")}, QRect(16, 48, 190, 64))),
      Kperiodunitopt(radioGroup(TabSheet1, "Kperiodunitopt", QStringLiteral("Koelperiode in:"),
                                {QStringLiteral("Dagen"), QStringLiteral("Weken")},
                                QRect(222, 48, 190, 64))),
      ShowWeeknrs(checkBox(TabSheet1, "ShowWeeknrs", QStringLiteral("Weergeven weeknummers"),
                           QRect(16, 128, 396, 20))),
      ShowBroeiData(checkBox(TabSheet1, "ShowBroeiData",
                             QStringLiteral("Toon Broeigegevens in Cultivar-window"),
                             QRect(16, 156, 396, 20))),
      GroupBox1(new QGroupBox(QStringLiteral("Teeltschema"), PlantgoedTSheet)),
      MaxpdadjustLabel(new QLabel(QStringLiteral("Maximale aanpassing plantdichtheid bij "
                                                 "automatisch aanpassen plantdichtheid op "
                                                 "perceeloppervlak "),
                                  GroupBox1)),
      Maxpdadjustperc(new TNumFld(GroupBox1)),
      PercentLabel(new QLabel(QStringLiteral("%"), GroupBox1)),
      StdOogstTypeRGroup(radioGroup(
          PlantgoedTSheet, "StdOogstTypeRGroup",
          QStringLiteral("Standaard instelling voor oogstverwachtingsberekening"),
          {QStringLiteral("Per plantgoed-zift"), QStringLiteral("Alle ziften samen (Zift 'Alle')")},
          QRect(16, 120, 396, 64))),
      OKBtn(button(this, "OKBtn", QStringLiteral("OK"))),
      CancelBtn(button(this, "CancelBtn", QStringLiteral("Cancel"))),
      HelpBtn(button(this, "HelpBtn", QStringLiteral("&Help"))), m_dmod(dmod)
{
    setObjectName(QStringLiteral("BroeiDataOptDlg"));
    setWindowTitle(QStringLiteral("Instellingen Cultivargegevens"));
    setFixedSize(444, 411);
    setFont(DesignFont(QStringLiteral("MS Sans Serif"), 14));

    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(6, 6, 432, 362);
    PageControl1->addTab(TabSheet2, QStringLiteral("Zift aanduidingen"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Koppeling Kasplan"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Broeigegevens"));
    PageControl1->addTab(PlantgoedTSheet, QStringLiteral("Plantgoed"));

    DBNavigator2->setObjectName(QStringLiteral("DBNavigator2"));
    DBNavigator2->setGeometry(8, 8, 240, 25);
    const std::pair<QToolButton*, const char*> hints[] = {
        {DBNavigator2->FirstButton, "Eerste cultivar"},
        {DBNavigator2->PriorButton, "Vorige cultivar"},
        {DBNavigator2->NextButton, "Volgende cultivar"},
        {DBNavigator2->LastButton, "Laatste cultivar"},
        {DBNavigator2->InsertButton, "Voeg cultivar toe"},
        {DBNavigator2->DeleteButton, "Verwijder cultivar"},
        {DBNavigator2->PostButton, "Verwerk wijziging gegevens"},
        {DBNavigator2->CancelButton, "Annuleer wijziging"},
    };
    for (const auto& [navButton, hint] : hints)
        navButton->setToolTip(QString::fromUtf8(hint));
    OogstverDBgrid->setObjectName(QStringLiteral("OogstverDBgrid"));
    OogstverDBgrid->setEditable(true);
    OogstverDBgrid->setGeometry(8, 40, 412, 286);

    KasplanDBasePath->setObjectName(QStringLiteral("KasplanDBasePath"));
    KasplanDBasePath->setGeometry(16, 150, 300, 22);
    PathBrowseBtn->setGeometry(324, 148, 88, 26);

    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(16, 16, 396, 90);
    MaxpdadjustLabel->setObjectName(QStringLiteral("MaxpdadjustLabel"));
    MaxpdadjustLabel->setWordWrap(true);
    MaxpdadjustLabel->setGeometry(10, 20, 280, 60);
    Maxpdadjustperc->setObjectName(QStringLiteral("Maxpdadjustperc"));
    Maxpdadjustperc->setGeometry(296, 38, 70, 22);
    Maxpdadjustperc->setDatatype(TDataType::dtInteger);
    Maxpdadjustperc->setMax(MaxpdadjustpercMax);
    Maxpdadjustperc->setValue(Setting::Maxpdadjustperc.defaultValue);
    PercentLabel->setObjectName(QStringLiteral("PercentLabel"));
    PercentLabel->setGeometry(370, 40, 16, 20);

    OKBtn->setDefault(true);
    // Help stays hidden: OK and Cancel keep the right-hand places.
    OKBtn->setGeometry(277, 378, 75, 25);
    CancelBtn->setGeometry(360, 378, 75, 25);
    HelpBtn->setGeometry(194, 378, 75, 25);

    connect(OKBtn, &QPushButton::clicked, this, &TBroeiDataOptDlg::OKBtnPressed);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &TBroeiDataOptDlg::HelpBtnClick);
    connect(UseKasplanCBox, &QCheckBox::clicked, this, &TBroeiDataOptDlg::UseKasplanCBoxClick);
    connect(KasplanRGroup, &TRadioGroup::Click, this, &TBroeiDataOptDlg::UseKasplanCBoxClick);
    connect(PathBrowseBtn, &QPushButton::clicked, this, &TBroeiDataOptDlg::PathBrowseBtnClick);

    dmod.ShowDataOptionsHook = [this] { exec(); };
    dmod.CanDelEditStdRecsHook = [this] { return AcceptedCanDelEditStdRecs(); };
    dmod.StdOogstTypeHook = [this] { return AcceptedStdOogstType(); };
    FormCreate();
}

TBroeiDataOptDlg::~TBroeiDataOptDlg()
{
    m_dmod.ShowDataOptionsHook = nullptr;
    m_dmod.CanDelEditStdRecsHook = nullptr;
    m_dmod.StdOogstTypeHook = nullptr;
}

void TBroeiDataOptDlg::FormCreate()
{
    HelpBtn->hide();
    ShowBroeiData->hide();
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet3), false);
    PageControl1->setTabVisible(PageControl1->indexOf(PlantgoedTSheet), false);
    PageControl1->setCurrentWidget(TabSheet2);
    // The page lists and edits the size designations only.
    for (int column = 1; column < OogstverDBgrid->gridModel()->columnCount(); ++column)
        OogstverDBgrid->setColumnHidden(column, true);
    centreOnScreen(*this);
    Load();
}

void TBroeiDataOptDlg::Load()
{
    const TZHRegistry& store = TZHRegistry::current();
    ShowWeeknrs->setChecked(store.ReadBool(Setting::ShowWeeknrs));
    CanDelEditStdRecs->setChecked(store.ReadBool(Setting::CanDelEditStdRecs));

    // The rest of the program reads an impossible unit as weeks until OK
    // stores what the dialog shows.
    m_dmod.setTussenTunit(store.ReadInteger(Setting::TussenTunit));
    m_dmod.setKperiodunit(store.ReadInteger(Setting::Kperiodunit));
    TussenTunitopt->SetItemIndex(unitItem(storedUnit(store, Setting::TussenTunit)));
    Kperiodunitopt->SetItemIndex(unitItem(storedUnit(store, Setting::Kperiodunit)));

    ShowBroeiData->setChecked(store.ReadBool(Setting::ShowBroeiData));
    UseKasplanCBox->setChecked(store.ReadBool(Setting::UseKasplanCdata));
    m_loadedKasplanType = store.ReadInteger(Setting::KasplanTypeCdata);
    KasplanRGroup->SetItemIndex(m_loadedKasplanType);
    KasplanDBasePath->setText(store.ReadString(Setting::KasplanDBasePath));

    // The field's page is hidden: a stored value outside its range is kept
    // as it is, not refused with a message nobody can act on.
    const int maxpdadjustperc = store.ReadInteger(Setting::Maxpdadjustperc);
    Maxpdadjustperc->setValidate(false);
    Maxpdadjustperc->setValue(maxpdadjustperc);
    Maxpdadjustperc->setValidate(maxpdadjustperc >= 0 && maxpdadjustperc <= MaxpdadjustpercMax);
    m_loadedStdOogstType = store.ReadInteger(Setting::StdOogstType);
    StdOogstTypeRGroup->SetItemIndex(m_loadedStdOogstType);

    m_acceptedCanDelEditStdRecs = CanDelEditStdRecs->isChecked();
    m_acceptedStdOogstType = StdOogstTypeRGroup->ItemIndex() >= 0
                                 ? StdOogstTypeRGroup->ItemIndex()
                                 : Setting::StdOogstType.defaultValue;
}

void TBroeiDataOptDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { FormShow(); });
}

void TBroeiDataOptDlg::FormShow()
{
    Load();
    UseKasplanCBoxClick();
}

void TBroeiDataOptDlg::UseKasplanCBoxClick()
{
    const bool use = UseKasplanCBox->isChecked();
    KasplanRGroup->setEnabled(use);
    const bool ownLocation = use && KasplanRGroup->ItemIndex() == 2;
    PathBrowseBtn->setEnabled(ownLocation);
    KasplanDBasePath->setEnabled(ownLocation);
}

void TBroeiDataOptDlg::PathBrowseBtnClick() {}

void TBroeiDataOptDlg::HelpBtnClick()
{
    // No help file is delivered; the button stays hidden.
}

void TBroeiDataOptDlg::OKBtnPressed()
{
    // The result is OK before the handler runs: the handler keeps the dialog
    // open by clearing it, and an error it raises is shown and the dialog
    // closes all the same, with what was written kept.
    setResult(QDialog::Accepted);
    Guarded([this] { OKBtnClick(); });
    if (result() == QDialog::Accepted)
        done(QDialog::Accepted);
}

void TBroeiDataOptDlg::OKBtnClick()
{
    TZHRegistry& store = TZHRegistry::current();
    if (!store.ReadBool(Setting::CanDelEditStdRecs) && CanDelEditStdRecs->isChecked() &&
        !UserPrompts::current().confirmOkCancel(WarningKP2)) {
        setResult(0);
        return;
    }
    store.WriteBool(Setting::ShowWeeknrs, ShowWeeknrs->isChecked());
    store.WriteBool(Setting::CanDelEditStdRecs, CanDelEditStdRecs->isChecked());
    m_acceptedCanDelEditStdRecs = CanDelEditStdRecs->isChecked();

    m_dmod.setTussenTunit(unitOf(TussenTunitopt));
    m_dmod.setKperiodunit(unitOf(Kperiodunitopt));
    store.WriteInteger(Setting::TussenTunit, m_dmod.TussenTunit());
    store.WriteInteger(Setting::Kperiodunit, m_dmod.Kperiodunit());

    store.WriteBool(Setting::ShowBroeiData, ShowBroeiData->isChecked());
    store.WriteBool(Setting::UseKasplanCdata, UseKasplanCBox->isChecked());
    store.WriteInteger(Setting::KasplanTypeCdata, KasplanRGroup->ItemIndex() >= 0
                                                      ? KasplanRGroup->ItemIndex()
                                                      : m_loadedKasplanType);
    store.WriteString(Setting::KasplanDBasePath, KasplanDBasePath->text());
    store.WriteInteger(Setting::Maxpdadjustperc, roundHalfEven(double(Maxpdadjustperc->Value()),
                                                               std::numeric_limits<qint32>::min(),
                                                               std::numeric_limits<qint32>::max()));
    const int stdOogstType = StdOogstTypeRGroup->ItemIndex() >= 0 ? StdOogstTypeRGroup->ItemIndex()
                                                                  : m_loadedStdOogstType;
    store.WriteInteger(Setting::StdOogstType, stdOogstType);
    m_acceptedStdOogstType = StdOogstTypeRGroup->ItemIndex() >= 0
                                 ? StdOogstTypeRGroup->ItemIndex()
                                 : Setting::StdOogstType.defaultValue;

    // Reopening closes every view and would drop a size being typed; the
    // post takes the text of a cell editor still open.
    if (m_dmod.tbSizes()->isEditing())
        m_dmod.tbSizes()->post();
    m_dmod.OpenDatabase();
}

} // namespace kasplan
