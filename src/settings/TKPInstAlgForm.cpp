#include "TKPInstAlgForm.h"

#include "core/AppGlobals.h"
#include "core/CurrencySymbol.h"
#include "core/ErrorBarrier.h"
#include "core/IniFile.h"
#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "widgets/DesignFont.h"
#include "widgets/TRadioGroup.h"
#include "widgets/WindowPlacement.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>

#include <exception>

namespace kasplan {

namespace {

const QString currencySection = QStringLiteral("Currency");
const QString currencyIndexKey = QStringLiteral("Index");
const QString dbaseSection = QStringLiteral("DBase");
const QString versionKey = QStringLiteral("Version");

QWidget* page(const char* name)
{
    auto* sheet = new QWidget;
    sheet->setObjectName(QLatin1String(name));
    return sheet;
}

TRadioGroup* radioGroup(QWidget* parent, const char* name, const QString& caption,
                        const QStringList& items, const QRect& geometry, int columns = 1)
{
    auto* group = new TRadioGroup(caption, items, parent, columns);
    group->setObjectName(QLatin1String(name));
    group->setGeometry(geometry);
    return group;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

void hidePage(QTabWidget* pages, QWidget* sheet)
{
    pages->setTabVisible(pages->indexOf(sheet), false);
}

} // namespace

TKPInstAlgForm::TKPInstAlgForm(QWidget* parent)
    // A dialog border without a system menu: no close box.
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint),
      PageControl1(new QTabWidget(this)), ValutaTSheet(page("ValutaTSheet")),
      TabSheet1(page("TabSheet1")), OppeenhTSheet(page("OppeenhTSheet")),
      TabSheet2(page("TabSheet2")), TabSheet3(page("TabSheet3")),
      StdCurrencyRGroup(
          radioGroup(ValutaTSheet, "StdCurrencyRGroup", QStringLiteral("Standaard valuta"),
                     {QStringLiteral("Gulden"), QStringLiteral("Euro")}, QRect(8, 8, 160, 72))),
      EurSymbolRGroup(radioGroup(ValutaTSheet, "EurSymbolRGroup", QStringLiteral("Euro symbool"),
                                 {QStringLiteral("\u20AC   (Windows)"), QStringLiteral("eur")},
                                 QRect(180, 8, 160, 72))),
      WinCurrency(new QLabel(ValutaTSheet)),
      AdaptCurrencyCBox(new QCheckBox(QStringLiteral("Pas Valutainstellingen aan"), ValutaTSheet)),
      ColorBWrgroup(radioGroup(TabSheet1, "ColorBWrgroup", QStringLiteral("Afdrukken in"),
                               {QStringLiteral("Kleur          (of grijstinten volgens printer)"),
                                QStringLiteral("Zwart-wit   (omzetten grijstinten in zwart/wit)")},
                               QRect(8, 8, 337, 80))),
      AreaUnitRGroup(radioGroup(OppeenhTSheet, "AreaUnitRGroup", QString(),
                                {QStringLiteral("m2"), QStringLiteral("Ha"), QStringLiteral("RR")},
                                QRect(8, 8, 337, 48), 3)),
      UserSetsLocRGroup(
          radioGroup(TabSheet2, "UserSetsLocRGroup", QStringLiteral("Gebruikers-instellingen"),
                     {QStringLiteral("delen (iedereen adm.rechten en zelfde instellingen)"),
                      QStringLiteral("apart per gebruikersprofiel (lagere gebr.rechten)")},
                     QRect(8, 8, 337, 80))),
      Label1(new QLabel(QStringLiteral("Database versie"), TabSheet3)),
      DBaseVersionLabel(new QLabel(TabSheet3)), OKBtn(button(this, "OKBtn", QStringLiteral("OK"))),
      CancelBtn(button(this, "CancelBtn", QStringLiteral("Cancel"))),
      HelpBtn(button(this, "HelpBtn", QStringLiteral("&Help")))
{
    setObjectName(QStringLiteral("KPInstAlgForm"));
    setWindowTitle(QStringLiteral("Instellingen Algemeen"));
    setFixedSize(373, 238);
    setFont(DesignFont(QStringLiteral("MS Sans Serif"), 14));

    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(6, 6, 361, 190);
    PageControl1->setUsesScrollButtons(false); // tabs in several rows if needed
    PageControl1->addTab(ValutaTSheet, QStringLiteral("Valuta eenheid"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Afdruk opties"));
    PageControl1->addTab(OppeenhTSheet, QStringLiteral("Oppervlakte eenheid"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Gebruikers-instellingen"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Database"));

    WinCurrency->setObjectName(QStringLiteral("WinCurrency"));
    WinCurrency->setGeometry(8, 90, 330, 18);
    AdaptCurrencyCBox->setObjectName(QStringLiteral("AdaptCurrencyCBox"));
    AdaptCurrencyCBox->setGeometry(8, 114, 330, 20);
    // As designed, before anything is loaded.
    AreaUnitRGroup->SetItemIndex(0);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(16, 24, 110, 18);
    DBaseVersionLabel->setObjectName(QStringLiteral("DBaseVersionLabel"));
    DBaseVersionLabel->setGeometry(132, 24, 200, 18);
    DBaseVersionLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    OKBtn->setDefault(true);
    // Help stays hidden: OK and Cancel keep the right-hand places.
    OKBtn->setGeometry(205, 204, 75, 25);
    CancelBtn->setGeometry(288, 204, 75, 25);
    HelpBtn->setGeometry(122, 204, 75, 25);

    connect(OKBtn, &QPushButton::clicked, this, &TKPInstAlgForm::OKBtnPressed);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &TKPInstAlgForm::HelpBtnClick);
    connect(AdaptCurrencyCBox, &QCheckBox::clicked, this, &TKPInstAlgForm::AdaptCurrencyCBoxClick);
    FormCreate();
}

void TKPInstAlgForm::FormCreate()
{
    AdaptCurrencyCBox->hide();
    WinCurrency->hide();
    hidePage(PageControl1, OppeenhTSheet);
    hidePage(PageControl1, ValutaTSheet);
    HelpBtn->hide();
    centreOnScreen(*this);
    Load();
}

void TKPInstAlgForm::ApplyUserSetsLoc(TZHRegistry& store)
{
    store.ApplyUserSetsLoc();
}

bool TKPInstAlgForm::IsAdministrator()
{
    return TZHRegistry::current().MayWrite(TRegistryHive::rhLocalMachine);
}

void TKPInstAlgForm::SetCurrencySymbol(int stdCurrencyIndex)
{
    if (stdCurrencyIndex != 1)
        kasplan::SetCurrencySymbol(QStringLiteral("fl "));
    else if (EurSymbolRGroup->ItemIndex() == 1)
        kasplan::SetCurrencySymbol(QStringLiteral("eur "));
    else
        kasplan::SetCurrencySymbol(QStringLiteral("\u20AC "));
}

void TKPInstAlgForm::Load()
{
    TZHRegistry& store = TZHRegistry::current();
    store.SetAppRootKey(TRegistryHive::rhLocalMachine);
    UserSetsLocRGroup->SetItemIndex(store.ReadInteger(Setting::UserSetsLoc));
    store.SetAppRootKey(UserSetsLocRGroup->ItemIndex() == 0 ? TRegistryHive::rhLocalMachine
                                                            : TRegistryHive::rhCurrentUser);

    IniFile* dbaseIni = DBaseIni();
    StdCurrencyRGroup->SetItemIndex(
        dbaseIni ? dbaseIni->ReadInteger(currencySection, currencyIndexKey, -1) : -1);
    if (StdCurrencyRGroup->ItemIndex() < 0) {
        // The standard currency moves from the settings into the database's
        // own file, so that it travels with the database.
        StdCurrencyRGroup->SetItemIndex(store.ReadInteger(Setting::StdCurrency));
        if (dbaseIni) {
            try {
                dbaseIni->WriteInteger(currencySection, currencyIndexKey,
                                       StdCurrencyRGroup->ItemIndex());
                store.DeleteValue(QLatin1String(Setting::StdCurrency.name));
            } catch (const std::exception&) {
                // The database folder cannot be written: the currency stays
                // where it is and moves at a later load.
            }
        }
    }

    EurSymbolRGroup->SetItemIndex(store.ReadInteger(Setting::EurSymbol));
    SetCurrencySymbol(StdCurrencyRGroup->ItemIndex());
    ColorBWrgroup->SetItemIndex(store.ReadBool(Setting::PrintBlackWhite) ? 1 : 0);
}

void TKPInstAlgForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { FormShow(); });
}

void TKPInstAlgForm::FormShow()
{
    Load();
    UserSetsLocRGroup->setEnabled(IsAdministrator());
    IniFile* dbaseIni = DBaseIni();
    DBaseVersionLabel->setText(dbaseIni ? dbaseIni->ReadString(dbaseSection, versionKey, QString())
                                        : QString());
}

void TKPInstAlgForm::OKBtnPressed()
{
    // The result is OK before the handler runs: an error it raises is shown
    // and the dialog closes all the same, with what was written kept.
    setResult(QDialog::Accepted);
    Guarded([this] { OKBtnClick(); });
    done(QDialog::Accepted);
}

void TKPInstAlgForm::OKBtnClick()
{
    TZHRegistry& store = TZHRegistry::current();
    store.SetAppRootKey(TRegistryHive::rhLocalMachine);
    store.WriteInteger(Setting::UserSetsLoc, UserSetsLocRGroup->ItemIndex());
    store.SetAppRootKey(UserSetsLocRGroup->ItemIndex() == 0 ? TRegistryHive::rhLocalMachine
                                                            : TRegistryHive::rhCurrentUser);

    store.WriteBool(Setting::PrintBlackWhite, ColorBWrgroup->ItemIndex() == 1);
    store.WriteInteger(Setting::AreaUnit, AreaUnitRGroup->ItemIndex());
    if (IniFile* dbaseIni = DBaseIni())
        dbaseIni->WriteInteger(currencySection, currencyIndexKey, StdCurrencyRGroup->ItemIndex());
    store.WriteInteger(Setting::EurSymbol, EurSymbolRGroup->ItemIndex());
    Load();
}

void TKPInstAlgForm::HelpBtnClick()
{
    // No help file is delivered; the button stays hidden.
}

void TKPInstAlgForm::AdaptCurrencyCBoxClick() {}

} // namespace kasplan
