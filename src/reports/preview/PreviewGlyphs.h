#pragma once

#include <QIcon>

namespace kasplan {

// The pictures of the preview window's speed buttons, drawn here so the
// program carries no image files.
enum class PreviewGlyph {
    PriorPage,
    NextPage,
    ZoomOut,
    ZoomIn,
    WholePage,
    PageWidth,
    PrinterSetup,
    Print,
    Help,
};

QIcon PreviewIcon(PreviewGlyph glyph);

} // namespace kasplan
