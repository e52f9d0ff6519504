#include "CultivarListPrint.h"

#include "TFormPreview.h"

#include "core/UserPrompts.h"
#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "reports/TKPcultivarListRepForm.h"

#include <QToolButton>

namespace kasplan {

void PrintCultivarList(TDMod& dmod, TFormPreview& preview)
{
    try {
        TKPcultivarListRepForm report(dmod);
        preview.HelpBtn->hide();
        report.Options.forcingData = true;
        report.Options.stock = false;
        report.Options.bulbGrowing = false;
        report.Options.standardHarvest = false;
        preview.PreviewReport(report);
    } catch (const std::exception& error) {
        UserPrompts::current().showError(QString::fromUtf8(error.what()));
    }
    try {
        if (dmod.tbCdata()->isActive())
            dmod.tbCdata()->first();
    } catch (const std::exception& error) {
        UserPrompts::current().showError(QString::fromUtf8(error.what()));
    }
}

} // namespace kasplan
