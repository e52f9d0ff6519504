// Shows the dialogs of the cultivar additions and copies on the delivered
// database, to look at them as a grower would. Not a test: run it on a
// display (or under xvfb-run); with a file name it saves a picture of the
// dialog and cancels it.
//
//   copydialogs_demo new|copy|size [picture.png]
//
//   new    an addition while the cultivar list shows "Vaste Planten VP"
//   copy   a copy of the first cultivar (the name locked)
//   size   a copy of that cultivar's first size
//
// Without KASPLAN_HOME it works in a temporary folder, on a new standard
// database.

#include "cultivars/TNewCultivarForm.h"
#include "cultivars/TSizeSelDlg.h"
#include "db/StandardDatabase.h"
#include "db/TDMod.h"
#include "db/engine/EngineSession.h"
#include "db/engine/TableView.h"

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

using namespace kasplan;

int main(int argc, char* argv[])
{
    QTemporaryDir home;
    if (qEnvironmentVariableIsEmpty("KASPLAN_HOME"))
        qputenv("KASPLAN_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString what = args.value(0);
    const QString picture = args.value(1);
    if (what != QLatin1String("new") && what != QLatin1String("copy") &&
        what != QLatin1String("size")) {
        QTextStream(stderr) << "usage: copydialogs_demo new|copy|size [picture.png]\n";
        return 2;
    }

    db::EngineSession session;
    StandardDatabase::prepare(session);
    TDMod dmod(session);
    dmod.DataModuleCreate();
    dmod.HoofdgroepChoiceHook = [] { return 5; };
    dmod.NewCultivarDialogHook = [&] { return TNewCultivarForm::Confirm(dmod, nullptr); };
    dmod.SizeSelDialogHook = [&] { return TSizeSelDlg::Choose(dmod, nullptr); };

    if (!picture.isEmpty()) {
        auto* timer = new QTimer(&app);
        QObject::connect(timer, &QTimer::timeout, &app, [timer, picture] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            timer->stop();
            QTimer::singleShot(300, dialog, [dialog, picture] {
                dialog->grab().save(picture);
                dialog->reject();
            });
        });
        timer->start(20);
    }

    dmod.tbCdata()->first();
    if (what == QLatin1String("new"))
        dmod.tbCdata()->append();
    else if (what == QLatin1String("copy"))
        dmod.CopyCultivar();
    else
        dmod.CopySize();
    dmod.CloseAllViews();
    session.closeDatabases();
    return 0;
}
