#include "CdataForcingPage.h"

#include "CdataLook.h"
#include "ForcingPeriodsBox.h"
#include "PressButton.h"

#include "db/TDMod.h"
#include "widgets/bound/TDBText.h"

#include <QHBoxLayout>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kasplan {

namespace {

TDBText* sizeField(QWidget* parent, const char* name, TDMod& dmod, const char* field)
{
    auto* text = new TDBText(dmod.dsCsizes(), QLatin1String(field), parent);
    text->setObjectName(QLatin1String(name));
    CdataLook::setBlue(*text);
    return text;
}

} // namespace

CdataForcingPage::CdataForcingPage(TDMod& dmod, QWidget* parent)
    : QWidget(parent), SizeText(sizeField(this, "SizeText", dmod, "Size")),
      BroeiPageControl(new QTabWidget(this)), PeriodeSheet(new QWidget(BroeiPageControl)),
      MethodTabSet(new QTabBar(PeriodeSheet)), MethodPages(new QStackedWidget(PeriodeSheet)),
      GrondBox(new ForcingPeriodsBox(dmod, ForcingPeriodsBox::Method::Soil, MethodPages)),
      WaterBox(new ForcingPeriodsBox(dmod, ForcingPeriodsBox::Method::Water, MethodPages)),
      IJsBox(new ForcingPeriodsBox(dmod, ForcingPeriodsBox::Method::Ice, MethodPages)),
      KopieerGrondnaarwaterBtn(
          new PressButton(QStringLiteral("&Copie grond->water/ijs"), PeriodeSheet)),
      SizeStatusText(sizeField(PeriodeSheet, "SizeStatusText", dmod, "Status"))
{
    setObjectName(QStringLiteral("BroeigegevensSheet"));
    BroeiPageControl->setObjectName(QStringLiteral("BroeiPageControl"));
    PeriodeSheet->setObjectName(QStringLiteral("PeriodeSheet"));
    BroeiPageControl->addTab(PeriodeSheet, QStringLiteral("Periode/Schemageg."));

    MethodTabSet->setObjectName(QStringLiteral("MethodTabSet"));
    MethodTabSet->addTab(QStringLiteral("Grondbroei"));
    MethodTabSet->addTab(QStringLiteral("Waterbroei"));
    MethodTabSet->addTab(QStringLiteral("IJs"));
    MethodTabSet->setTabToolTip(2, QStringLiteral("IJstulpen"));
    MethodTabSet->setDrawBase(false);
    MethodTabSet->setExpanding(false);
    MethodPages->setObjectName(QStringLiteral("MethodPages"));
    for (ForcingPeriodsBox* box : {GrondBox, WaterBox, IJsBox})
        MethodPages->addWidget(box);
    connect(MethodTabSet, &QTabBar::currentChanged, MethodPages, &QStackedWidget::setCurrentIndex);

    KopieerGrondnaarwaterBtn->setObjectName(QStringLiteral("KopieerGrondnaarwaterBtn"));
    KopieerGrondnaarwaterBtn->setToolTip(
        QStringLiteral("Kopieer de grondbroeigegevens naar de water/ijsbroeigegevens; houdt Ctrl "
                       "toets ingedruk voor kopieeren van alle records"));
    SizeText->setAlignment(Qt::AlignRight);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(KopieerGrondnaarwaterBtn);
    bottom->addStretch();
    bottom->addWidget(SizeStatusText);
    auto* sheet = new QVBoxLayout(PeriodeSheet);
    sheet->addWidget(MethodTabSet);
    sheet->addWidget(MethodPages, 1);
    sheet->addLayout(bottom);

    auto* page = new QVBoxLayout(this);
    page->addWidget(SizeText, 0, Qt::AlignRight);
    page->addWidget(BroeiPageControl, 1);
}

void CdataForcingPage::setUnitCaptions(const QString& tussenTCaption, const QString& koudeCaption)
{
    for (ForcingPeriodsBox* box : {GrondBox, WaterBox, IJsBox})
        box->setUnitCaptions(tussenTCaption, koudeCaption);
}

} // namespace kasplan
