#include "DesignFont.h"

#include <QFontMetrics>
#include <QStringList>

namespace kasplan {

QFont DesignFont(const QString& family, int height, bool bold, bool italic)
{
    static const bool substituted = [] {
        const QStringList standIns = {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                                      QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")};
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), standIns);
        return true;
    }();
    Q_UNUSED(substituted);

    QFont font(family);
    font.setBold(bold);
    font.setItalic(italic);
    int pixels = height;
    font.setPixelSize(pixels);
    while (pixels > 6 && QFontMetrics(font).height() > height)
        font.setPixelSize(--pixels);
    return font;
}

} // namespace kasplan
