#pragma once

class QWidget;

namespace kasplan::CdataLook {

// The cultivar data window shows what the user cannot type into in blue.
void setBlue(QWidget& widget);

} // namespace kasplan::CdataLook
