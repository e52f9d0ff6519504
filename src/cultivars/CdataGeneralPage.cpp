#include "CdataGeneralPage.h"

#include "CdataLook.h"

#include "db/TDMod.h"
#include "db/rules/CodedValues.h"
#include "widgets/bound/TDBComboBox.h"
#include "widgets/bound/TDBEdit.h"
#include "widgets/bound/TDBIndexComboBox.h"
#include "widgets/bound/TDBMemo.h"
#include "widgets/bound/TDBText.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kasplan {

namespace {

template <class Control = TDBEdit>
Control* field(QWidget* parent, const char* name, TDMod& dmod, const char* fieldName)
{
    auto* control = new Control(dmod.dsCdata(), QLatin1String(fieldName), parent);
    control->setObjectName(QLatin1String(name));
    return control;
}

TDBComboBox* textCombo(QWidget* parent, const char* name, TDMod& dmod, const char* fieldName,
                       const QStringList& suggestions)
{
    auto* combo = new TDBComboBox(dmod.dsCdata(), QLatin1String(fieldName), suggestions, parent);
    combo->setObjectName(QLatin1String(name));
    return combo;
}

TDBIndexComboBox* indexCombo(QWidget* parent, const char* name, TDMod& dmod, const char* fieldName,
                             const QStringList& items)
{
    auto* combo = new TDBIndexComboBox(dmod.dsCdata(), QLatin1String(fieldName), items, parent);
    combo->setObjectName(QLatin1String(name));
    return combo;
}

QGroupBox* group(QWidget* parent, const char* name, const QString& caption)
{
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

} // namespace

CdataGeneralPage::CdataGeneralPage(TDMod& dmod, QWidget* parent)
    : QWidget(parent), AlleZiftenLabel(new QLabel(QStringLiteral("(alle ziften)"), this)),
      BollenBox(group(this, "BollenBox", QStringLiteral("Bollen"))),
      BolArtikelcodeEdit(field(BollenBox, "BolArtikelcodeEdit", dmod, "BolArtikelcode")),
      HoofdGroepDBIndexComboBox(indexCombo(BollenBox, "HoofdGroepDBIndexComboBox", dmod,
                                           "Hoofdgroep", CodedValues::HoofdgroepItems())),
      CertifNrEdit(field(BollenBox, "CertifNrEdit", dmod, "CertifNr")),
      KlasseComboBox(
          textCombo(BollenBox, "KlasseComboBox", dmod, "Klasse",
                    {QStringLiteral("ALG"), QStringLiteral("ST"), QStringLiteral("I"),
                     QStringLiteral("I Japan"), QStringLiteral("II"), QStringLiteral("T"),
                     QStringLiteral("Telgoed"), QStringLiteral("SEL"), QStringLiteral("S"),
                     QStringLiteral("SE"), QStringLiteral("EE"), QStringLiteral("E")})),
      CountryComboBox(
          textCombo(BollenBox, "CountryComboBox", dmod, "Country_of_Origin",
                    {QStringLiteral("B"), QStringLiteral("DK"), QStringLiteral("D"),
                     QStringLiteral("E"), QStringLiteral("F"), QStringLiteral("NL"),
                     QStringLiteral("S"), QStringLiteral("UK"), QStringLiteral("USA")})),
      BloemenBox(group(this, "BloemenBox", QStringLiteral("Bloemen"))),
      ArtikelcodeEdit(field(BloemenBox, "ArtikelcodeEdit", dmod, "Artikelcode")),
      ProductTypeDBIndexComboBox(indexCombo(BloemenBox, "ProductTypeDBIndexComboBox", dmod,
                                            "ProductType", CodedValues::ProductTypeItems())),
      KleurEdit(field(BloemenBox, "KleurEdit", dmod, "Kleur")),
      BladEdit(field(BloemenBox, "BladEdit", dmod, "Blad")),
      StatusText(field<TDBText>(this, "StatusText", dmod, "Status")),
      OpmerkingenBox(group(this, "OpmerkingenBox", QStringLiteral("Opmerkingen"))),
      RemarksMemo(field<TDBMemo>(OpmerkingenBox, "RemarksMemo", dmod, "Remarks"))
{
    setObjectName(QStringLiteral("AlgemeenSheet"));
    AlleZiftenLabel->setObjectName(QStringLiteral("AlleZiftenLabel"));
    CdataLook::setBlue(*AlleZiftenLabel);
    BladEdit->setToolTip(QStringLiteral("(n)iet, (v)eel of (w)einig"));
    CdataLook::setBlue(*StatusText);

    auto* bollen = new QFormLayout(BollenBox);
    bollen->addRow(QStringLiteral("Artikelcode"), BolArtikelcodeEdit);
    bollen->addRow(QStringLiteral("Hoofdgroep"), HoofdGroepDBIndexComboBox);
    bollen->addRow(QStringLiteral("Certificaatnr"), CertifNrEdit);
    bollen->addRow(QStringLiteral("Klasse"), KlasseComboBox);
    bollen->addRow(QStringLiteral("Land van herkomst"), CountryComboBox);

    auto* bloemen = new QFormLayout(BloemenBox);
    bloemen->addRow(QStringLiteral("Artikelcode"), ArtikelcodeEdit);
    bloemen->addRow(QStringLiteral("ProductType"), ProductTypeDBIndexComboBox);
    bloemen->addRow(QStringLiteral("Kleur"), KleurEdit);
    bloemen->addRow(QStringLiteral("Blad"), BladEdit);

    auto* status = new QFormLayout;
    status->addRow(QStringLiteral("Status"), StatusText);
    auto* right = new QVBoxLayout;
    right->addWidget(BloemenBox);
    right->addLayout(status);
    right->addStretch();

    auto* groups = new QHBoxLayout;
    groups->addWidget(BollenBox, 1);
    groups->addLayout(right, 1);

    auto* remarks = new QVBoxLayout(OpmerkingenBox);
    remarks->addWidget(RemarksMemo);

    auto* page = new QVBoxLayout(this);
    page->addWidget(AlleZiftenLabel, 0, Qt::AlignRight);
    page->addLayout(groups);
    page->addWidget(OpmerkingenBox, 1);
}

} // namespace kasplan
