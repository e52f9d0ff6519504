#include "CdataLook.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace kasplan::CdataLook {

void setBlue(QWidget& widget)
{
    QPalette blue = widget.palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    blue.setColor(QPalette::Text, QColor(0, 0, 255));
    widget.setPalette(blue);
}

} // namespace kasplan::CdataLook
