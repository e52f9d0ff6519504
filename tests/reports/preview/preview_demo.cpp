// Shows the print preview of the delivered cultivar list, to look at it as a
// grower would. Not a test: run it on a display (or under xvfb-run); with a
// file name it saves a picture of the window and quits.
//
//   preview_demo [--zoom PERCENT] [--page N] [picture.png]
//
// Without KASPLAN_HOME it works in a temporary folder, on a new standard
// database.

#include "db/StandardDatabase.h"
#include "db/TDMod.h"
#include "db/engine/EngineSession.h"
#include "reports/TKPrepForm.h"
#include "reports/preview/CultivarListPrint.h"
#include "reports/preview/TFormPreview.h"
#include "reports/preview/TQRPreview.h"

#include <QApplication>
#include <QComboBox>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

using namespace kasplan;

int main(int argc, char* argv[])
{
    QTemporaryDir home;
    if (qEnvironmentVariableIsEmpty("KASPLAN_HOME"))
        qputenv("KASPLAN_HOME", home.path().toUtf8());
    QApplication app(argc, argv);

    int zoom = 0;
    int page = 1;
    QString picture;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--zoom") && i + 1 < args.size())
            zoom = args[++i].toInt();
        else if (args[i] == QLatin1String("--page") && i + 1 < args.size())
            page = args[++i].toInt();
        else
            picture = args[i];
    }

    db::EngineSession session;
    StandardDatabase::prepare(session);
    TDMod dmod(session);
    dmod.DataModuleCreate();
    TFormPreview preview;

    QTimer::singleShot(0, &preview, [&] {
        while (!preview.AttachedReport()->Complete())
            QCoreApplication::processEvents();
        if (zoom > 0)
            preview.QRPreview->setZoom(zoom);
        for (int p = 1; p < page; ++p)
            preview.NextPageBtn->click();
        if (picture.isEmpty())
            return;
        QTimer::singleShot(300, &preview, [&] {
            preview.grab().save(picture);
            preview.close();
        });
    });
    PrintCultivarList(dmod, preview);
    dmod.CloseAllViews();
    session.closeDatabases();
    return 0;
}
