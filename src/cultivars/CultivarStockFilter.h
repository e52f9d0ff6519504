#pragma once

#include "TCSelectDlg.h"

namespace kasplan {

class TDMod;

// The stock part of the cultivar filter on the data module's cultivar view,
// for the selection dialog, until the data module offers these operations
// itself: the record filter shows only cultivars with forcing stock (or
// planting stock) while a switch is on, and the filter is in force while it
// can hide something. Moving the filter keeps the user's record when it is
// still shown.
class CultivarStockFilter
{
public:
    explicit CultivarStockFilter(TDMod& dmod);

    void ApplyCultivarFilter();
    void ResetStockFilters();
    CultivarStockFilterOps ops();

private:
    TDMod& m_dmod;
};

} // namespace kasplan
