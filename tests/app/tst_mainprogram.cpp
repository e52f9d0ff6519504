#include "app/MainProgram.h"
#include "app/QtTranslations.h"
#include "app/RunningCopyLock.h"
#include "app/UnitStartup.h"

#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/CurrencySymbol.h"
#include "core/IniFile.h"
#include "core/Locations.h"
#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "cultivars/CdataForcingPage.h"
#include "cultivars/ForcingPeriodsBox.h"
#include "cultivars/TCSelectDlg.h"
#include "cultivars/TCdataForm.h"
#include "db/TDMod.h"
#include "db/engine/EngineError.h"
#include "db/engine/TableView.h"
#include "schedule/ScheduleCommand.h"
#include "schedule/calendar/TBarCalendar.h"
#include "schedule/mainwindow/PeriodTablePanel.h"
#include "schedule/mainwindow/TKMmainform.h"
#include "settings/TBroeiDataOptDlg.h"
#include "settings/TKPInstAlgForm.h"
#include "support/ScriptedPrompts.h"
#include "widgets/TRadioGroup.h"
#include "widgets/bound/TDBEdit.h"
#include "widgets/bound/TDBNavigator.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace kasplan;

namespace {

// The first size record of the standard database, as delivered.
const QByteArray AlmaAdamkiene1112 = R"({"Cultivar": "Alma Adamkiene", "DnaG20": 21,
    "Gstagemin": "15/08", "Dk_p1": 91, "Dk_p2": 84, "Dk_p3": 77, "Dk_p4": 70,
    "Kd_p1": 30, "Kd_p2": 26, "Kd_p3": 22, "Kd_p4": 18})";

QDate dateOf(const TBarCalendar* cal)
{
    return ToQDate(cal->Date());
}

} // namespace

// The whole program on a fresh computer: the standard database, the main
// window and the selection dialog, wired as the program runs them.
class TestMainProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void firstScheduleFromTheStandardDatabase();
    void choosingACultivarRecalculates();
    void periodTableFollowsTheUnits_data();
    void periodTableFollowsTheUnits();
    void impossibleForcingMethodWorksAsSoil_data();
    void impossibleForcingMethodWorksAsSoil();
    void noDatabaseNoSchedule_data();
    void noDatabaseNoSchedule();
    void deliveredRecordsAreProtected();
    void cultivarWindowOpensFromTheMainWindowAndClosesWithIt();
    void editedColdWeeksMoveTheSchedule();
    void theLastChoiceComesBack();
    void aChoiceNoLongerThereFallsBack_data();
    void aChoiceNoLongerThereFallsBack();
    void qtDialogsSpeakDutch();
    void firstStartMovesTheCurrencyIntoTheDatabase();
    void cultivarDataSettingsShowAtOnce();
    void generalSettingsFromTheMainWindow();

private:
    void start();

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<RunningCopyLock> m_running;
    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
    std::unique_ptr<MainProgram> m_program;
};

void TestMainProgram::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("KASPLAN_HOME", m_home->path().toLocal8Bit());
    m_running = UnitStartup();
    m_prompts = std::make_unique<ScopedScriptedPrompts>();
}

void TestMainProgram::cleanup()
{
    m_program.reset();
    m_prompts.reset();
    m_running.reset();
    Clock::install(nullptr);
    SetCurrencySymbol(QString());
    AppGlobals::Reset();
    qunsetenv("KASPLAN_HOME");
    m_home.reset();
}

void TestMainProgram::start()
{
    Clock::install(std::make_unique<FixedClock>(QDate(2024, 11, 20)));
    m_program = std::make_unique<MainProgram>();
    m_program->Create();
    QVERIFY(m_program->MainWindow());
    m_program->MainWindow()->show();
    QVERIFY(QTest::qWaitForWindowActive(m_program->MainWindow()));
    QVERIFY2((*m_prompts)->shown().isEmpty(), qPrintable((*m_prompts)->texts().join('\n')));
}

void TestMainProgram::firstScheduleFromTheStandardDatabase()
{
    // The schedule command on the delivered record, on the same day.
    QFile record(m_home->filePath(QStringLiteral("alma.json")));
    QVERIFY(record.open(QIODevice::WriteOnly));
    record.write(AlmaAdamkiene1112);
    record.close();
    QString expected, err;
    QTextStream out(&expected), errors(&err);
    QCOMPARE(
        runScheduleCommand({"--record", record.fileName(), "--today", "2024-11-20"}, out, errors),
        0);

    start();
    const TKMmainform& w = *m_program->MainWindow();
    QCOMPARE(w.DBText1->text(), QStringLiteral("Alma Adamkiene"));
    QCOMPARE(w.DBText3->text(), QStringLiteral("11/12"));
    QCOMPARE(w.DBText2->text(), QStringLiteral("NL"));
    QCOMPARE(w.DBText7->text(), QStringLiteral("DLV/LBO"));
    // The cooling start that today's housing date asked for lies before the
    // earliest G-stage plus 21 days: it moved to 5 September and the
    // schedule followed from there.
    QCOMPARE(dateOf(w.Kcal), QDate(2024, 9, 5));
    QCOMPARE(dateOf(w.Ical), QDate(2024, 12, 5));
    QCOMPARE(ToQDate(w.core().HarvestEnd()), QDate(2025, 1, 3));
    QVERIFY(w.EMemo->isHidden());
    QCOMPARE(ScheduleStateJson(w.core()), expected.trimmed());
}

void TestMainProgram::choosingACultivarRecalculates()
{
    start();
    TKMmainform& w = *m_program->MainWindow();
    TCSelectDlg* dialog = m_program->CSelectDlg();
    QVERIFY(dialog);
    bool typed = false;
    // The user types "gan" in the dialog and confirms with OK.
    QTimer::singleShot(0, dialog, [&] {
        QTRY_COMPARE(QApplication::activeWindow(), dialog);
        for (const char key : {'g', 'a', 'n'})
            QTest::keyClick(QApplication::focusWidget(), key);
        typed = dialog->typedText() == QLatin1String("gan");
        QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    });
    QTest::mouseClick(w.CultivarSelBtn, Qt::LeftButton);
    QVERIFY(typed);
    QVERIFY(!dialog->isVisible());

    QCOMPARE(w.DBText1->text(), QStringLiteral("Gander"));
    QCOMPARE(w.DBText3->text(), QStringLiteral("11/12"));
    // From the housing date of 5 December: 77 cold days and 35 in the
    // greenhouse (Gander 11/12, period 1).
    QCOMPARE(dateOf(w.Ical), QDate(2024, 12, 5));
    QCOMPARE(dateOf(w.Kcal), QDate(2024, 9, 19));
    QCOMPARE(ToQDate(w.core().HarvestEnd()), QDate(2025, 1, 8));
    QCOMPARE(w.core().MessageLevel(), 0);
    // Closing the dialog left the cultivar list unfiltered.
    QVERIFY(!m_program->DMod()->tbCdata()->filtered());
}

void TestMainProgram::periodTableFollowsTheUnits_data()
{
    QTest::addColumn<int>("unit"); // stored for both units
    QTest::addColumn<QString>("coldCaption");
    QTest::addColumn<QString>("coldDays"); // Dk_p1, 91 days
    QTest::addColumn<QString>("gCaption");
    QTest::addColumn<QString>("daysAfterG"); // DnaG20, 21 days
    QTest::newRow("weeks") << 7 << "Weken Koude:"
                           << "13"
                           << "Weken 20oC na G"
                           << "3";
    QTest::newRow("days") << 1 << "Dagen Koude:"
                          << "91"
                          << "Dagen 20oC na G"
                          << "21";
    // Any other value counts as weeks, captions and values alike.
    for (const int impossible : {0, -5, 3, 14})
        QTest::addRow("%d", impossible) << impossible << "Weken Koude:"
                                        << "13"
                                        << "Weken 20oC na G"
                                        << "3";
}

void TestMainProgram::periodTableFollowsTheUnits()
{
    QFETCH(int, unit);
    QFETCH(QString, coldCaption);
    QFETCH(QString, coldDays);
    QFETCH(QString, gCaption);
    QFETCH(QString, daysAfterG);
    TZHRegistry store;
    store.SetVersion(QStringLiteral("4.0"));
    store.WriteInteger(Setting::Kperiodunit, unit);
    store.WriteInteger(Setting::TussenTunit, unit);

    start();
    const TKMmainform& w = *m_program->MainWindow();
    QCOMPARE(w.PeriodePanel->WorDkoudeLabel->text(), coldCaption);
    QCOMPARE(w.PeriodePanel->cell(QStringLiteral("wk1"))->text(), coldDays);
    QCOMPARE(w.PeriodePanel->WorD20naGLabel->text(), gCaption);
    QCOMPARE(w.PeriodePanel->cell(QStringLiteral("WnaG"))->text(), daysAfterG);
    // Greenhouse days are always days.
    QCOMPARE(w.PeriodePanel->cell(QStringLiteral("kd1"))->text(), QStringLiteral("30"));
}

void TestMainProgram::impossibleForcingMethodWorksAsSoil_data()
{
    QTest::addColumn<int>("stored");
    QTest::newRow("water") << 1; // a possible one, for comparison
    QTest::newRow("below the list") << -1;
    QTest::newRow("beyond the list") << 3;
}

// A method outside the list works as soil, shows as soil, and is stored back
// as soil when the window closes.
void TestMainProgram::impossibleForcingMethodWorksAsSoil()
{
    QFETCH(int, stored);
    TZHRegistry store;
    store.SetVersion(QStringLiteral("4.0"));
    store.WriteInteger(Setting::BroeiMethode, stored);

    start();
    TKMmainform& w = *m_program->MainWindow();
    const int shown = stored == 1 ? 1 : 0;
    QCOMPARE(w.BroeiMethodeCBox->currentIndex(), shown);
    QCOMPARE(w.core().BroeiMethode(), shown);
    w.close();
    QCOMPARE(store.ReadInteger(QLatin1String(Setting::BroeiMethode.name), -99), shown);
}

void TestMainProgram::noDatabaseNoSchedule_data()
{
    QTest::addColumn<bool>("folder"); // a folder in place of the file, or a damaged file
    QTest::addColumn<QString>("reason");
    QTest::newRow("damaged file") << false << "file is not a database.";
    QTest::newRow("folder") << true << "The database file is a folder.";
}

// A database that cannot be opened is reported once, with its reason and
// file; the window then plans nothing and says why, instead of reporting
// the period data of a record that does not exist as missing.
void TestMainProgram::noDatabaseNoSchedule()
{
    QFETCH(bool, folder);
    QFETCH(QString, reason);
    const QString file =
        QDir(Locations::standardDatabaseDir()).absoluteFilePath(QStringLiteral("cultivars.sqlite"));
    QVERIFY(QDir().mkpath(folder ? file : Locations::standardDatabaseDir()));
    if (!folder) {
        QFile damaged(file);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(4096, 'x'));
    }

    Clock::install(std::make_unique<FixedClock>(QDate(2024, 11, 20)));
    m_program = std::make_unique<MainProgram>();
    m_program->Create();
    const QStringList texts = (*m_prompts)->texts();
    // The global data module's connection, then the data module's views.
    QCOMPARE(texts.size(), 3);
    QCOMPARE(texts[0], reason + "\nFile: " + file);
    QCOMPARE(texts[1], QStringLiteral("Cultivar Database BROEI kon niet geopened worden"));
    QVERIFY2(texts[2].startsWith("Error DB 1") &&
                 texts[2].contains("De foutmelding = " + reason + "\nFile: " + file + "\r\n"),
             qPrintable(texts[2]));
    (*m_prompts)->clear();

    TKMmainform& w = *m_program->MainWindow();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY2((*m_prompts)->shown().isEmpty(), qPrintable((*m_prompts)->texts().join('\n')));
    QCOMPARE(w.EMemo->toPlainText(),
             QStringLiteral("Er is geen cultivar database geopend: Kasplan kan geen schema "
                            "berekenen."));
    QVERIFY(w.EMemo->isVisible());
    for (const TBarCalendar* cal : {w.Gcal, w.Kcal, w.Ical})
        QVERIFY(!cal->isVisible());
    QCOMPARE(w.EDatePanel->text(), QString());
    QVERIFY(!w.core().hasHarvestEnd());
    QVERIFY(!w.DFwdBtn->isEnabled());

    // Nothing the user does brings the missing-data report back.
    QTest::mouseClick(w.DFwdBtn, Qt::LeftButton);
    w.ApplyBroeiMethode();
    QVERIFY(!w.EMemo->toPlainText().contains(QLatin1String("Error KP")));
    QVERIFY(!w.core().hasHarvestEnd());
}

// The cultivar data window exists for the whole run, so the delivered
// records are protected: a change of a key field is refused and undone.
void TestMainProgram::deliveredRecordsAreProtected()
{
    start();
    db::TableView* cdata = m_program->DMod()->tbCdata();
    QCOMPARE(cdata->fieldByName(QStringLiteral("Status"))->asString(), QStringLiteral("DLV/LBO"));
    QVERIFY(!TZHRegistry::current().ReadBool(Setting::CanDelEditStdRecs));
    cdata->edit();
    QString refusal;
    try {
        cdata->fieldByName(QStringLiteral("Source"))->setValue(QStringLiteral("XX"));
    } catch (const db::EngineError& e) {
        refusal = e.text();
    }
    QVERIFY2(refusal.startsWith(QStringLiteral("Error KP 2\r\n")), qPrintable(refusal));
    QCOMPARE(cdata->state(), db::DataSet::State::Browse);
    QCOMPARE(cdata->fieldByName(QStringLiteral("Source"))->asString(), QStringLiteral("NL"));
}

void TestMainProgram::cultivarWindowOpensFromTheMainWindowAndClosesWithIt()
{
    start();
    TKMmainform& w = *m_program->MainWindow();
    TCdataForm* form = m_program->CdataForm();
    QVERIFY(form);
    TDMod& dmod = *m_program->DMod();
    QVERIFY(dmod.CultivarWindowExistsHook && dmod.CultivarWindowExistsHook());
    QVERIFY(!dmod.CultivarWindowVisibleHook());

    QTest::mouseClick(w.CdataButton, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowActive(form));
    QVERIFY(dmod.CultivarWindowVisibleHook());
    QCOMPARE(form->Panel2->text(), dmod.CultivarCountText());
    // Its main-group choice is the one a new cultivar gets.
    form->HoofdgroepComboBox->setCurrentIndex(6);
    QCOMPARE(dmod.HoofdgroepChoice(), 6);
    QCOMPARE(dmod.tbCdata()->recordCount(), 0);
    QCOMPARE(form->Panel2->text(), QStringLiteral("Totaal 0 Cultivars"));

    // The main window goes back to the whole list it shows.
    QVERIFY(w.close());
    QVERIFY(!form->isVisible());
    QVERIFY(!dmod.tbCdata()->filtered());
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestMainProgram::editedColdWeeksMoveTheSchedule()
{
    TZHRegistry store;
    store.SetVersion(QStringLiteral("4.0"));
    store.WriteInteger(Setting::BroeiMethode, 1); // water
    start();
    TKMmainform& w = *m_program->MainWindow();
    // Alma Adamkiene 11/12 on water: 84 cold days before the housing date.
    const QDate housing = dateOf(w.Ical);
    QCOMPARE(dateOf(w.Kcal).daysTo(housing), 84);
    QCOMPARE(w.PeriodePanel->cell(QStringLiteral("wk1"))->text(), QStringLiteral("12"));

    QTest::mouseClick(w.CdataButton, Qt::LeftButton);
    TCdataForm& form = *m_program->CdataForm();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.PageControl1->setCurrentIndex(1);
    form.BroeigegevensSheet->MethodTabSet->setCurrentIndex(1);
    TDBEdit* cold = form.BroeigegevensSheet->WaterBox->ColdEdits[0];
    cold->setFocus();
    cold->selectAll();
    QTest::keyClicks(cold, QStringLiteral("11"));
    QTest::keyClick(cold, Qt::Key_Tab);
    // The main window's period table shows the new value at once.
    QCOMPARE(w.PeriodePanel->cell(QStringLiteral("wk1"))->text(), QStringLiteral("11"));
    QTest::mouseClick(form.DBNavigator1->PostButton, Qt::LeftButton);

    // Back in the main window the schedule is calculated with it.
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(dateOf(w.Ical), housing);
    QCOMPARE(dateOf(w.Kcal).daysTo(housing), 77);
    QCOMPARE(w.core().MessageLevel(), 0);
    QVERIFY2((*m_prompts)->shown().isEmpty(), qPrintable((*m_prompts)->texts().join('\n')));
}

void TestMainProgram::theLastChoiceComesBack()
{
    start();
    TDMod& dmod = *m_program->DMod();
    QVERIFY(dmod.tbCdata()->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                                   {QStringLiteral("Gander"), QStringLiteral("NL")}));
    QVERIFY(dmod.tbCsizes()->locate({QStringLiteral("Size")}, {QStringLiteral("12/+")}));
    QCOMPARE(m_program->MainWindow()->DBText3->text(), QStringLiteral("12/+"));
    QVERIFY(m_program->MainWindow()->close());
    m_program.reset();

    start();
    const TKMmainform& w = *m_program->MainWindow();
    QCOMPARE(w.DBText1->text(), QStringLiteral("Gander"));
    QCOMPARE(w.DBText3->text(), QStringLiteral("12/+"));
    QCOMPARE(w.DBText2->text(), QStringLiteral("NL"));
    // The schedule is that of Gander 12/+: the housing date of 20 November
    // needs 77 cold days from 4 September, after 10 August plus 21 days.
    QCOMPARE(dateOf(w.Kcal), QDate(2024, 9, 4));
    QCOMPARE(dateOf(w.Gcal), QDate(2024, 8, 10));
    QCOMPARE(w.core().MessageLevel(), 0);
}

void TestMainProgram::aChoiceNoLongerThereFallsBack_data()
{
    QTest::addColumn<QString>("cultivar");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("size");
    QTest::newRow("deleted cultivar") << "Verdwenen"
                                      << "NL"
                                      << "12/+";
    QTest::newRow("other source") << "Gander"
                                  << "BE"
                                  << "12/+";
    QTest::newRow("deleted size") << "Gander"
                                  << "NL"
                                  << "14/+";
}

void TestMainProgram::aChoiceNoLongerThereFallsBack()
{
    QFETCH(QString, cultivar);
    QFETCH(QString, source);
    QFETCH(QString, size);
    TZHRegistry store;
    store.SetVersion(QStringLiteral("4.0"));
    store.WriteString(Setting::LastCultivar, cultivar);
    store.WriteString(Setting::LastSource, source);
    store.WriteString(Setting::LastSize, size);

    start();
    const TKMmainform& w = *m_program->MainWindow();
    QCOMPARE(w.DBText1->text(), QStringLiteral("Alma Adamkiene"));
    QCOMPARE(w.DBText3->text(), QStringLiteral("11/12"));
    QCOMPARE(dateOf(w.Kcal), QDate(2024, 9, 5));
}

void TestMainProgram::qtDialogsSpeakDutch()
{
    // The tests run with LANG=nl_NL.UTF-8, as a Dutch desktop does.
    QVERIFY2(InstallQtTranslations(*qApp), "Qt's Dutch translations are missing "
                                           "(Debian package qt6-translations-l10n)");
    QCOMPARE(QCoreApplication::translate("QPrintDialog", "Print"), QStringLiteral("Afdrukken"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuleren"));
}

void TestMainProgram::firstStartMovesTheCurrencyIntoTheDatabase()
{
    TZHRegistry store;
    store.SetVersion(QStringLiteral("4.0"));
    store.WriteInteger(Setting::StdCurrency, 1);

    start();
    QVERIFY(DBaseIni());
    QCOMPARE(DBaseIni()->ReadInteger(QStringLiteral("Currency"), QStringLiteral("Index"), -1), 1);
    QVERIFY(!store.ValueExists(QStringLiteral("StdCurrency")));
    db::TableView* sizes = m_program->DMod()->tbSizes();
    sizes->edit();
    sizes->fieldByName(QStringLiteral("StdBroeiKprijs"))->setValue(2.5);
    QCOMPARE(sizes->fieldByName(QStringLiteral("StdBroeiKprijs"))->displayText(),
             QStringLiteral("\u20AC 2,50"));
    sizes->cancel();
}

// What the cultivar data window's settings button does: the data module
// shows the settings; after OK with days and week numbers every window
// follows.
void TestMainProgram::cultivarDataSettingsShowAtOnce()
{
    start();
    TKMmainform& w = *m_program->MainWindow();
    TBroeiDataOptDlg* options = m_program->BroeiDataOptDlg();
    QVERIFY(options);
    bool confirmed = false;
    QTimer::singleShot(0, options, [&] {
        QTRY_VERIFY(options->isVisible());
        options->PageControl1->setCurrentWidget(options->TabSheet1);
        QTest::mouseClick(options->TussenTunitopt->Button(0), Qt::LeftButton, {}, QPoint(8, 8));
        QTest::mouseClick(options->Kperiodunitopt->Button(0), Qt::LeftButton, {}, QPoint(8, 8));
        QTest::mouseClick(options->ShowWeeknrs, Qt::LeftButton, {}, QPoint(8, 8));
        QTest::mouseClick(options->OKBtn, Qt::LeftButton);
        confirmed = !options->isVisible();
        if (!confirmed)
            options->reject();
    });
    m_program->DMod()->ShowDataOptions();
    QVERIFY(confirmed);
    QVERIFY2((*m_prompts)->shown().isEmpty(), qPrintable((*m_prompts)->texts().join('\n')));

    // Alma Adamkiene 11/12: 91 cold days in period 1, 21 days after G.
    QCOMPARE(w.PeriodePanel->WorDkoudeLabel->text(), QStringLiteral("Dagen Koude:"));
    QCOMPARE(w.PeriodePanel->cell(QStringLiteral("wk1"))->text(), QStringLiteral("91"));
    QCOMPARE(w.PeriodePanel->WorD20naGLabel->text(), QStringLiteral("Dagen 20oC na G"));
    QCOMPARE(w.PeriodePanel->cell(QStringLiteral("WnaG"))->text(), QStringLiteral("21"));
    // The captions the cultivar data window's labels show.
    QCOMPARE(m_program->DMod()->TussenTCaption(), QStringLiteral("Dagen 20oC na G"));
    QCOMPARE(m_program->DMod()->KoudeCaption(), QStringLiteral("Dagen Koude:"));
    // The user goes back to the main window: its activation shows the week
    // numbers.
    w.activateWindow();
    QTRY_VERIFY(w.isActiveWindow());
    for (const TBarCalendar* cal : {w.Gcal, w.Kcal, w.Ical})
        QTRY_VERIFY(cal->ShowWeeknrs());
    QCOMPARE(TZHRegistry::current().ReadInteger(Setting::Kperiodunit), 1);
}

// "Instellingen" opens the general settings modally and activates the window
// anew afterwards, so what changed meanwhile shows at once.
void TestMainProgram::generalSettingsFromTheMainWindow()
{
    start();
    TKMmainform& w = *m_program->MainWindow();
    TKPInstAlgForm* general = m_program->KPInstAlgForm();
    QVERIFY(general);
    QVERIFY(!w.Gcal->ShowWeeknrs());
    bool shown = false;
    QTimer::singleShot(0, general, [&] {
        QTRY_VERIFY(general->isVisible());
        shown = general->isModal() && QApplication::activeModalWidget() == general;
        TZHRegistry::current().WriteBool(Setting::ShowWeeknrs, true);
        QTest::mouseClick(general->ColorBWrgroup->Button(1), Qt::LeftButton, {}, QPoint(8, 8));
        QTest::mouseClick(general->OKBtn, Qt::LeftButton);
    });
    QTest::mouseClick(w.OptionsBtn, Qt::LeftButton);
    QVERIFY(shown);
    QVERIFY(!general->isVisible());
    QVERIFY((*m_prompts)->shown().isEmpty());
    QVERIFY(TZHRegistry::current().ReadBool(Setting::PrintBlackWhite));
    for (const TBarCalendar* cal : {w.Gcal, w.Kcal, w.Ical})
        QVERIFY(cal->ShowWeeknrs());
}

QTEST_MAIN(TestMainProgram)
#include "tst_mainprogram.moc"
