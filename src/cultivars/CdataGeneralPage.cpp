#include "CdataGeneralPage.h"

#include "CdataLook.h"
#include "FieldPlaceholder.h"

#include "db/TDMod.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kasplan {

namespace {

FieldPlaceholder* field(QWidget* parent, const char* name, TDMod& dmod, const char* fieldName)
{
    auto* edit = new FieldPlaceholder(dmod.dsCdata(), QLatin1String(fieldName), parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
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
      HoofdGroepDBIndexComboBox(field(BollenBox, "HoofdGroepDBIndexComboBox", dmod, "Hoofdgroep")),
      CertifNrEdit(field(BollenBox, "CertifNrEdit", dmod, "CertifNr")),
      KlasseComboBox(field(BollenBox, "KlasseComboBox", dmod, "Klasse")),
      CountryComboBox(field(BollenBox, "CountryComboBox", dmod, "Country_of_Origin")),
      BloemenBox(group(this, "BloemenBox", QStringLiteral("Bloemen"))),
      ArtikelcodeEdit(field(BloemenBox, "ArtikelcodeEdit", dmod, "Artikelcode")),
      ProductTypeDBIndexComboBox(
          field(BloemenBox, "ProductTypeDBIndexComboBox", dmod, "ProductType")),
      KleurEdit(field(BloemenBox, "KleurEdit", dmod, "Kleur")),
      BladEdit(field(BloemenBox, "BladEdit", dmod, "Blad")),
      StatusText(field(this, "StatusText", dmod, "Status")),
      OpmerkingenBox(group(this, "OpmerkingenBox", QStringLiteral("Opmerkingen"))),
      RemarksMemo(field(OpmerkingenBox, "RemarksMemo", dmod, "Remarks"))
{
    setObjectName(QStringLiteral("AlgemeenSheet"));
    AlleZiftenLabel->setObjectName(QStringLiteral("AlleZiftenLabel"));
    CdataLook::setBlue(*AlleZiftenLabel);
    BladEdit->setToolTip(QStringLiteral("(n)iet, (v)eel of (w)einig"));
    BladEdit->setMaxLength(1);
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
