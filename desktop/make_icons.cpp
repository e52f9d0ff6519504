// Draws the program's icon files for the desktop's icon theme from the logo
// the main window shows: one scalable picture and one PNG per size.
//
//   kasplan_icons FOLDER SIZE...
//
// writes FOLDER/scalable/apps/kasplan.svg and FOLDER/NxN/apps/kasplan.png,
// laid out as the theme's folders are, so the build installs FOLDER as it is.

#include "schedule/mainwindow/MainFormArt.h"

#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QTextStream>

namespace {

// The logo is drawn on an 80-unit square; the picture keeps that frame.
constexpr int LogoUnits = 80;

bool writeSvg(const QString& fileName)
{
    QBuffer text;
    QSvgGenerator svg;
    svg.setOutputDevice(&text);
    svg.setSize(QSize(LogoUnits, LogoUnits));
    svg.setViewBox(QRect(0, 0, LogoUnits, LogoUnits));
    svg.setTitle(QStringLiteral("Kasplan"));
    svg.setDescription(QStringLiteral("Een tulp in een kas"));
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    kasplan::PaintKasplanLogo(painter, LogoUnits);
    if (!painter.end())
        return false;

    // The logo has no text, but every group gets the painter's font, which
    // here is none at all (font-size="-1"), and renderers complain of it.
    static const QRegularExpression fontAttributes(
        QStringLiteral("\\s*font-family=\"[^\"]*\" font-size=\"[^\"]*\" "
                       "font-weight=\"[^\"]*\" font-style=\"[^\"]*\"\\s*"));
    const QString picture = QString::fromUtf8(text.data()).remove(fontAttributes);
    QSaveFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(picture.toUtf8()) >= 0 && file.commit();
}

bool writePng(const QString& file, int size)
{
    return kasplan::KasplanLogoImage(size).save(file, "PNG");
}

} // namespace

int main(int argc, char* argv[])
{
    QTextStream err(stderr);
    if (argc < 3) {
        err << "usage: kasplan_icons FOLDER SIZE..." << Qt::endl;
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    auto place = [&folder](const QString& theme) {
        const QString dir = folder.filePath(theme + QStringLiteral("/apps"));
        QDir().mkpath(dir);
        return QDir(dir).filePath(QStringLiteral("kasplan"));
    };

    const QString svgFile = place(QStringLiteral("scalable")) + QStringLiteral(".svg");
    if (!writeSvg(svgFile)) {
        err << "kasplan_icons: cannot write " << svgFile << Qt::endl;
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size <= 0) {
            err << "kasplan_icons: not a size: " << argv[i] << Qt::endl;
            return 2;
        }
        const QString pngFile = place(QStringLiteral("%1x%1").arg(size)) + QStringLiteral(".png");
        if (!writePng(pngFile, size)) {
            err << "kasplan_icons: cannot write " << pngFile << Qt::endl;
            return 1;
        }
    }
    return 0;
}
