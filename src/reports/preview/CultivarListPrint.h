#pragma once

namespace kasplan {

class TDMod;
class TFormPreview;

// What the cultivar data window's "Print" button does: the cultivar list with
// its forcing data (stock, bulb growing and standard harvest off) in the
// preview window, without its help button. Returns when the preview closes;
// the cultivar table is then on its first cultivar. Errors are shown, never
// thrown.
void PrintCultivarList(TDMod& dmod, TFormPreview& preview);

} // namespace kasplan
