#include "ForcingPeriodsBox.h"

#include "db/TDMod.h"
#include "widgets/bound/TDBEdit.h"

#include <QGridLayout>
#include <QLabel>

namespace kasplan {

namespace {

QString suffixOf(ForcingPeriodsBox::Method method)
{
    switch (method) {
    case ForcingPeriodsBox::Method::Soil:
        break;
    case ForcingPeriodsBox::Method::Water:
        return QStringLiteral("_w");
    case ForcingPeriodsBox::Method::Ice:
        return QStringLiteral("_ice");
    }
    return QString();
}

QLabel* label(QWidget* parent, const QString& name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

} // namespace

ForcingPeriodsBox::ForcingPeriodsBox(TDMod& dmod, Method method, QWidget* parent)
    : QGroupBox(QStringLiteral("Perioden"), parent),
      WorD20naGLabel(label(this, QStringLiteral("WorD20naGLabel") + suffixOf(method),
                           QStringLiteral("Weken 20oC na G"))),
      PeriodeLabel(label(this, QStringLiteral("PeriodeLabel") + suffixOf(method),
                         QStringLiteral("Periode van inhalen"))),
      WorDkoudeLabel(label(this, QStringLiteral("WorDkoudeLabel") + suffixOf(method),
                           QStringLiteral("Weken Koude:"))),
      KasdagenLabel(label(this, QStringLiteral("KasdagenLabel") + suffixOf(method),
                          QStringLiteral("Kasdagen:"))),
      m_method(method)
{
    const QString suffix = suffixOf(method);
    setObjectName(QStringLiteral("PeriodenBox") + suffix);
    const auto edit = [&](const QString& field) {
        auto* e = new TDBEdit(dmod.dsCsizes(), field, this);
        e->setObjectName(field + QStringLiteral("Edit"));
        e->setAlignment(Qt::AlignCenter);
        return e;
    };

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(6);
    grid->addWidget(WorD20naGLabel, 0, 0);
    DnaG20Edit = edit(QStringLiteral("DnaG20") + suffix);
    grid->addWidget(DnaG20Edit, 0, 1);
    grid->addWidget(PeriodeLabel, 1, 1, 1, 4, Qt::AlignHCenter);
    grid->addWidget(WorDkoudeLabel, 3, 0);
    grid->addWidget(KasdagenLabel, 4, 0);

    if (method == Method::Ice) {
        // One value for every period, in the column of the last one.
        PeriodeLabel->hide();
        PeriodCaptions.append(label(this, QStringLiteral("IJsLabel"), QStringLiteral("IJstulpen")));
        grid->addWidget(PeriodCaptions.last(), 2, 4, Qt::AlignHCenter);
        ColdEdits.append(edit(QStringLiteral("Dk_p_ice")));
        GreenhouseEdits.append(edit(QStringLiteral("Kd_p_ice")));
        grid->addWidget(ColdEdits.last(), 3, 4);
        grid->addWidget(GreenhouseEdits.last(), 4, 4);
    } else {
        const QString captions[] = {QStringLiteral("tot 17/12"), QStringLiteral("17/12-24/1"),
                                    QStringLiteral("25/1-24/2"), QStringLiteral("25/2-24/3")};
        for (int p = 1; p <= 4; ++p) {
            PeriodCaptions.append(
                label(this, QStringLiteral("PeriodLabel%1").arg(p) + suffix, captions[p - 1]));
            grid->addWidget(PeriodCaptions.last(), 2, p, Qt::AlignHCenter);
            ColdEdits.append(edit(QStringLiteral("Dk_p%1").arg(p) + suffix));
            GreenhouseEdits.append(edit(QStringLiteral("Kd_p%1").arg(p) + suffix));
            grid->addWidget(ColdEdits.last(), 3, p);
            grid->addWidget(GreenhouseEdits.last(), 4, p);
        }
    }
    for (int c = 1; c <= 4; ++c)
        grid->setColumnStretch(c, 1);
    grid->setRowStretch(5, 1);
}

void ForcingPeriodsBox::setUnitCaptions(const QString& tussenTCaption, const QString& koudeCaption)
{
    WorD20naGLabel->setText(tussenTCaption);
    WorDkoudeLabel->setText(koudeCaption);
}

} // namespace kasplan
