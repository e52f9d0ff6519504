#include "CultivarListPrint.h"

#include "TFormPreview.h"

#include "core/ErrorBarrier.h"
#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "reports/TKPcultivarListRepForm.h"

#include <QToolButton>

namespace kasplan {

void PrintCultivarList(TDMod& dmod, TFormPreview& preview)
{
    Guarded([&] {
        TKPcultivarListRepForm report(dmod);
        preview.HelpBtn->hide();
        report.Options.forcingData = true;
        report.Options.stock = false;
        report.Options.bulbGrowing = false;
        report.Options.standardHarvest = false;
        preview.PreviewReport(report);
    });
    Guarded([&] {
        if (dmod.tbCdata()->isActive())
            dmod.tbCdata()->first();
    });
}

} // namespace kasplan
