// Starts the program as a grower does and saves pictures of the two settings
// dialogs, every page the user sees, and of the main window after the
// cultivar data settings were confirmed with days for both periods and week
// numbers on. Not a test: run it under xvfb-run with KASPLAN_HOME set to a
// folder of its own.
//
//   settings_demo FOLDER
//
// writes FOLDER/general-1.png ... (one per visible page of "Instellingen
// Algemeen"), FOLDER/cultivardata-1.png ... ("Instellingen Cultivargegevens")
// and FOLDER/mainwindow-days-weeknrs.png.

#include "app/MainProgram.h"
#include "app/QtTranslations.h"
#include "app/RunningCopyLock.h"
#include "app/UnitStartup.h"
#include "core/UserPrompts.h"
#include "db/TDMod.h"
#include "schedule/mainwindow/TKMmainform.h"
#include "settings/TBroeiDataOptDlg.h"
#include "settings/TKPInstAlgForm.h"
#include "widgets/KasplanApplication.h"
#include "widgets/MessageBoxPrompts.h"
#include "widgets/TRadioGroup.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <cstdio>

using namespace kasplan;

namespace {

// One picture per page the user can reach; answers how many were saved.
int savePages(QDialog& dialog, QTabWidget& pages, const QDir& folder, const QString& prefix)
{
    int saved = 0;
    for (int i = 0; i < pages.count(); ++i) {
        if (!pages.isTabVisible(i))
            continue;
        pages.setCurrentIndex(i);
        QTest::qWait(100);
        const QString file = folder.filePath(prefix + QString::number(++saved) + ".png");
        if (!dialog.grab().save(file))
            return -1;
        std::printf("%s: page \"%s\"\n", qPrintable(file), qPrintable(pages.tabText(i)));
    }
    return saved;
}

} // namespace

int main(int argc, char* argv[])
{
    KasplanApplication app(argc, argv);
    InstallQtTranslations(app);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: settings_demo FOLDER\n");
        return 2;
    }
    const QDir folder(app.arguments().at(1));
    QDir().mkpath(folder.path());

    const auto running = UnitStartup();
    UserPrompts::install(std::make_unique<MessageBoxPrompts>());
    int result = 0;
    {
        MainProgram program;
        program.Create();
        TKMmainform* window = program.MainWindow();
        TKPInstAlgForm* general = program.KPInstAlgForm();
        TBroeiDataOptDlg* cultivarData = program.BroeiDataOptDlg();
        if (!window || !general || !cultivarData)
            return 1;
        window->show();
        if (!QTest::qWaitForWindowActive(window))
            return 1;

        general->show();
        if (!QTest::qWaitForWindowExposed(general) ||
            savePages(*general, *general->PageControl1, folder, QStringLiteral("general-")) < 0)
            result = 1;
        general->reject();

        // Shown as the cultivar data window shows it, then confirmed with
        // days for both periods and week numbers on.
        QTimer::singleShot(0, cultivarData, [&] {
            if (!QTest::qWaitForWindowExposed(cultivarData) ||
                savePages(*cultivarData, *cultivarData->PageControl1, folder,
                          QStringLiteral("cultivardata-")) < 0)
                result = 1;
            cultivarData->PageControl1->setCurrentWidget(cultivarData->TabSheet1);
            cultivarData->TussenTunitopt->Button(0)->click();
            cultivarData->Kperiodunitopt->Button(0)->click();
            cultivarData->ShowWeeknrs->setChecked(true);
            cultivarData->OKBtn->click();
        });
        program.DMod()->ShowDataOptions();
        window->activateWindow();
        QTest::qWait(300);
        const QString file = folder.filePath(QStringLiteral("mainwindow-days-weeknrs.png"));
        if (!window->grab().save(file))
            result = 1;
        std::printf("%s: main window %dx%d\n", qPrintable(file), window->width(), window->height());
        window->close();
    }
    UserPrompts::install(nullptr);
    return result;
}
