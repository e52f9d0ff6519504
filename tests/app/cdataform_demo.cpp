// Starts the program as a grower does (the standard database, the main
// window), opens the cultivar data window from it and saves pictures of the
// window: both tabs, the three forcing methods in weeks and in days, and the
// screen after a refused edit. Not a test: run it under xvfb-run with
// KASPLAN_HOME set to a folder of its own.
//
//   cdataform_demo FOLDER
//
// writes algemeen.png, grond-weken.png, water-weken.png, ijs-weken.png,
// grond-dagen.png, water-dagen.png, ijs-dagen.png, geweigerd.png (the screen
// with the message) and na-weigering.png (the window after it) there.

#include "app/MainProgram.h"
#include "app/QtTranslations.h"
#include "app/RunningCopyLock.h"
#include "app/UnitStartup.h"
#include "cultivars/CdataForcingPage.h"
#include "cultivars/ForcingPeriodsBox.h"
#include "cultivars/TCdataForm.h"
#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "schedule/mainwindow/TKMmainform.h"
#include "widgets/KasplanApplication.h"
#include "widgets/MessageBoxPrompts.h"
#include "widgets/bound/TDBEdit.h"

#include "core/UserPrompts.h"

#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <cstdio>

using namespace kasplan;

namespace {

bool save(QWidget& window, const QString& file)
{
    QTest::qWait(100);
    if (!window.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    return true;
}

// The method pages in weeks or days; unit 7 or 1.
bool saveMethods(TCdataForm& form, TDMod& dmod, int unit, const QString& folder)
{
    // As the settings dialog leaves them: the units, the captions, the
    // values read anew.
    dmod.setTussenTunit(unit);
    dmod.setKperiodunit(unit);
    dmod.SetPeriodUnits();
    dmod.tbCsizes()->refresh();
    form.PageControl1->setCurrentIndex(1);
    const QString word = unit == 1 ? QStringLiteral("dagen") : QStringLiteral("weken");
    const char* const methods[] = {"grond", "water", "ijs"};
    for (int m = 0; m < 3; ++m) {
        form.BroeigegevensSheet->MethodTabSet->setCurrentIndex(m);
        if (!save(form, QDir(folder).filePath(
                            QStringLiteral("%1-%2.png").arg(QLatin1String(methods[m]), word))))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    KasplanApplication app(argc, argv);
    InstallQtTranslations(app);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: cdataform_demo FOLDER\n");
        return 2;
    }
    const QString folder = arguments[0];
    QDir().mkpath(folder);

    const auto running = UnitStartup();
    UserPrompts::install(std::make_unique<MessageBoxPrompts>());
    int result = 0;
    {
        MainProgram program;
        program.Create();
        TKMmainform* main = program.MainWindow();
        TCdataForm* form = program.CdataForm();
        TDMod* dmod = program.DMod();
        if (!main || !form || !dmod)
            return 1;
        main->show();
        if (!QTest::qWaitForWindowActive(main))
            return 1;
        QTest::mouseClick(main->CdataButton, Qt::LeftButton);
        if (!QTest::qWaitForWindowActive(form))
            return 1;
        form->move(0, 0);
        // A cultivar with its data filled in.
        dmod->tbCdata()->locate({QStringLiteral("Cultivar")}, {QStringLiteral("Apeldoorn")},
                                db::DataSet::PartialKey);

        form->PageControl1->setCurrentIndex(0);
        bool ok = save(*form, QDir(folder).filePath(QStringLiteral("algemeen.png")));
        ok = ok && saveMethods(*form, *dmod, 7, folder);
        ok = ok && saveMethods(*form, *dmod, 1, folder);
        dmod->setTussenTunit(7);
        dmod->setKperiodunit(7);
        dmod->SetPeriodUnits();
        dmod->tbCsizes()->refresh();

        // The soil values of a delivered size cannot be changed: typed into
        // its cold weeks, the message and the window behind it, taken while
        // the message is up.
        form->PageControl1->setCurrentIndex(1);
        form->BroeigegevensSheet->MethodTabSet->setCurrentIndex(0);
        TDBEdit* cold = form->BroeigegevensSheet->GrondBox->ColdEdits[1];
        const QString refused = QDir(folder).filePath(QStringLiteral("geweigerd.png"));
        QTimer::singleShot(300, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
            ok = ok && screen.save(refused);
            if (box)
                box->done(QMessageBox::Ok);
        });
        cold->setFocus();
        cold->selectAll();
        QTest::keyClick(cold, '9');
        // Leaving the edit takes the value over, and the rules refuse it.
        QTest::keyClick(cold, Qt::Key_Tab);
        ok = ok && save(*form, QDir(folder).filePath(QStringLiteral("na-weigering.png")));
        result = ok ? 0 : 1;
        main->close();
    }
    return result;
}
