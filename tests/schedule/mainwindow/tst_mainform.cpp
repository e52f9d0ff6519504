#include "core/Clock.h"
#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "schedule/CurrentSizeRecord.h"
#include "schedule/ForcingRecordJson.h"
#include "schedule/ScheduleCommand.h"
#include "schedule/calendar/TBarCalendar.h"
#include "schedule/calendar/TDayGrid.h"
#include "schedule/calendar/TMonthBar.h"
#include "schedule/mainwindow/PeriodTablePanel.h"
#include "schedule/mainwindow/TKMmainform.h"
#include "support/ScriptedPrompts.h"
#include "widgets/TUpDown.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <stdexcept>

using namespace kasplan;

namespace {

// Soil, water and ice values of one size, season 2024/2025.
const QByteArray Standard = R"({"Cultivar": "Apeldoorn",
    "Dk_p1": 105, "Dk_p2": 98, "Dk_p3": 91, "Dk_p4": 84,
    "Kd_p1": 28, "Kd_p2": 24, "Kd_p3": 21, "Kd_p4": 18,
    "DnaG20_w": 14, "Dk_p1_w": 112, "Dk_p2_w": 105, "Dk_p3_w": 98, "Dk_p4_w": 91,
    "Kd_p1_w": 25, "Kd_p2_w": 22, "Kd_p3_w": 20, "Kd_p4_w": 17,
    "DnaG20_ice": 7, "Dk_p_ice": 84, "Kd_p_ice": 30})";

const QByteArray WithGstagemin = R"({"Gstagemin": "10/09", "DnaG20": 21, "Cultivar": "Apeldoorn",
    "Dk_p1": 105, "Dk_p2": 98, "Dk_p3": 91, "Dk_p4": 84,
    "Kd_p1": 28, "Kd_p2": 24, "Kd_p3": 21, "Kd_p4": 18})";

const QByteArray OnlyLastPeriod = R"({"Dk_p4": 84, "Kd_p4": 18})";

ForcingValues parse(const QByteArray& json)
{
    QString error;
    const auto record = ForcingRecordFromJson(json, error);
    if (!record)
        qFatal("test record: %s", qPrintable(error));
    return *record;
}

QColor cellColor(const TKMmainform& w, const QString& cell)
{
    return w.PeriodePanel->cell(cell)->palette().color(QPalette::Window);
}

QString cellText(const TKMmainform& w, const QString& cell)
{
    return w.PeriodePanel->cell(cell)->text();
}

QDate dateOf(const TBarCalendar* cal)
{
    return ToQDate(cal->Date());
}

const QColor Yellow(255, 255, 0);
const QColor Olive(128, 128, 0);
const QColor Silver(192, 192, 192);
const QColor Aqua(0, 255, 255);
const QColor Lime(0, 255, 0);

} // namespace

Q_DECLARE_METATYPE(TBarCalendar*)

class TestMainForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QApplication::setApplicationName(QStringLiteral("Kasplan")); }
    void init();
    void cleanup();

    void seasonOnShow_data();
    void seasonOnShow();
    void firstActivationCalculates();
    void seasonAndMethodSurviveARestart();
    void seasonUpDownRecalculatesFromSeptember();
    void methodBindsThePeriodTable_data();
    void methodBindsThePeriodTable();
    void dataChangeRecalculatesAndShowsTheRecord();
    void missingDataShowInTheWindow();
    void scrollingOneCalendarScrollsTheOthers();
    void scrollBarScrollsTheCalendars();
    void resizeRules();
    void minimumSizeKeepsEveryControlLegible();
    void placementSurvivesARestart();
    void everyTabStopShowsTheFocus();
    void keysMoveTheDateAsAClickDoes_data();
    void keysMoveTheDateAsAClickDoes();
    void monthBarRightThenLeftReturns();
    void wheelScrollsTheThreeCalendars();
    void iconButtonsSayWhatTheyDo();
    void focusFollowsTheUser();
    void activationFromOwnWindowsRecalculates();
    void sameScheduleAsTheCommand_data();
    void sameScheduleAsTheCommand();
    void windowsNotThereYetSaySo();
    void otherWindowsAreOpened();
    void dataWindowThatStaysOpenKeepsTheMainWindowOpen();
    void cancelledPrintChangesNothing();
    void printHidesControlsAndRestoresThemAfterFailure();
    void printsToPdf();

private:
    // A shown and activated window on the record, with season and method
    // stored as given (no value: not stored).
    std::unique_ptr<TKMmainform> openWindow(const QByteArray& json, std::optional<int> season = {},
                                            std::optional<int> method = {});
    void activate(TKMmainform& w);

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<InMemorySizeRecord> m_record;
};

void TestMainForm::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("KASPLAN_HOME", m_home->path().toLocal8Bit());
    Clock::install(std::make_unique<FixedClock>(QDate(2024, 11, 20)));
    m_record = std::make_unique<InMemorySizeRecord>();
}

void TestMainForm::cleanup()
{
    m_record.reset();
    Clock::install(nullptr);
    qunsetenv("KASPLAN_HOME");
    m_home.reset();
}

void TestMainForm::activate(TKMmainform& w)
{
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

std::unique_ptr<TKMmainform> TestMainForm::openWindow(const QByteArray& json,
                                                      std::optional<int> season,
                                                      std::optional<int> method)
{
    m_record->values() = parse(json);
    if (season)
        TZHRegistry::current().WriteInteger(Setting::Season, *season);
    if (method)
        TZHRegistry::current().WriteInteger(Setting::BroeiMethode, *method);
    auto w = std::make_unique<TKMmainform>();
    w->setRecordSource(m_record.get());
    activate(*w);
    return w;
}

void TestMainForm::seasonOnShow_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("storedSeason"); // 0: none stored
    QTest::addColumn<int>("storedMethod"); // -2: none stored
    QTest::addColumn<QString>("seasonText");
    QTest::addColumn<QString>("methodText");

    QTest::newRow("first start in March") << QDate(2025, 3, 15) << 0 << -2 << "2024/2025"
                                          << "Grond";
    QTest::newRow("first start in April") << QDate(2025, 4, 15) << 0 << -2 << "2025/2026"
                                          << "Grond";
    QTest::newRow("first start on 1 January") << QDate(2025, 1, 1) << 0 << -2 << "2024/2025"
                                              << "Grond";
    QTest::newRow("stored 1989 is ignored") << QDate(2025, 4, 15) << 1989 << -2 << "2025/2026"
                                            << "Grond";
    QTest::newRow("stored 1990 holds") << QDate(2025, 4, 15) << 1990 << 1 << "1990/1991"
                                       << "Water";
    QTest::newRow("method beyond the list reads as soil")
        << QDate(2025, 4, 15) << 2010 << 7 << "2010/2011"
        << "Grond";
}

void TestMainForm::seasonOnShow()
{
    QFETCH(QDate, today);
    QFETCH(int, storedSeason);
    QFETCH(int, storedMethod);
    QFETCH(QString, seasonText);
    QFETCH(QString, methodText);
    Clock::install(std::make_unique<FixedClock>(today));
    if (storedSeason)
        TZHRegistry::current().WriteInteger(Setting::Season, storedSeason);
    if (storedMethod != -2)
        TZHRegistry::current().WriteInteger(Setting::BroeiMethode, storedMethod);

    TKMmainform w;
    QCOMPARE(w.SeizoenText->text(), QStringLiteral("1997/1998"));
    w.show();

    QCOMPARE(w.SeizoenText->text(), seasonText);
    const int year = seasonText.left(4).toInt();
    QCOMPARE(w.SeizoenStartJaar->Position(), year);
    QCOMPARE(w.BroeiMethodeCBox->currentText(), methodText);
    QCOMPARE(dateOf(w.Gcal), QDate(year, 9, 15));
    for (const TBarCalendar* cal : {w.Gcal, w.Kcal, w.Ical}) {
        QCOMPARE(ToQDate(cal->model().StartDate()), QDate(year, 1, 1));
        QCOMPARE(cal->MonthRange(), 24);
    }
    QCOMPARE(w.windowTitle(), QStringLiteral("Kasplan "));
    QVERIFY(w.HelpButton->isHidden());
    QVERIFY(w.OkButton->isHidden());
}

void TestMainForm::firstActivationCalculates()
{
    // Today is in period 2 of season 2024/2025: the first schedule is
    // calculated from today's housing date.
    const auto w = openWindow(Standard);
    QCOMPARE(dateOf(w->Ical), QDate(2024, 11, 20));
    QCOMPARE(w->Ical->Period(), 28);
    QCOMPARE(dateOf(w->Kcal), QDate(2024, 11, 20).addDays(-105));
    QCOMPARE(w->EDatePanel->text(),
             QLocale::system().toString(QDate(2024, 12, 17), QLocale::LongFormat) + "  ");
    QVERIFY(w->EMemo->isHidden());
    QCOMPARE(cellColor(*w, "wk1"), Lime);
    QCOMPARE(cellColor(*w, "kd1"), Lime);
    QCOMPARE(cellColor(*w, "wk2"), QColor(Qt::white));
    QVERIFY(w->OkButton->isEnabled());
    QCOMPARE(w->core().MessageLevel(), 0);
}

void TestMainForm::seasonAndMethodSurviveARestart()
{
    {
        const auto w = openWindow(Standard);
        QTest::mouseClick(w->SeizoenStartJaar->nextButton(), Qt::LeftButton);
        QTest::mouseClick(w->SeizoenStartJaar->nextButton(), Qt::LeftButton);
        w->BroeiMethodeCBox->setCurrentIndex(2);
        Q_EMIT w->BroeiMethodeCBox->activated(2);
        QCOMPARE(w->SeizoenText->text(), QStringLiteral("2026/2027"));
        QVERIFY(w->close());
    }
    QCOMPARE(TZHRegistry::current().ReadInteger(Setting::Season), 2026);
    QCOMPARE(TZHRegistry::current().ReadInteger(Setting::BroeiMethode), 2);

    TKMmainform again;
    activate(again);
    QCOMPARE(again.SeizoenText->text(), QStringLiteral("2026/2027"));
    QCOMPARE(again.SeizoenStartJaar->Position(), 2026);
    QCOMPARE(again.BroeiMethodeCBox->currentText(), QStringLiteral("IJstulpen"));
    QCOMPARE(again.core().BroeiMethode(), 2);
}

void TestMainForm::seasonUpDownRecalculatesFromSeptember()
{
    const auto w = openWindow(Standard, 2024);
    QTest::mouseClick(w->SeizoenStartJaar->nextButton(), Qt::LeftButton);

    QCOMPARE(w->SeizoenText->text(), QStringLiteral("2025/2026"));
    QCOMPARE(dateOf(w->Gcal), QDate(2025, 9, 15));
    // Soil has no days after G here: cooling starts on the G-stage, and only
    // period 2 holds its own candidate (98 cold days, 24 in the greenhouse).
    QCOMPARE(dateOf(w->Kcal), QDate(2025, 9, 15));
    QCOMPARE(dateOf(w->Ical), QDate(2025, 12, 22));
    QCOMPARE(ToQDate(w->core().HarvestEnd()), QDate(2026, 1, 14));
    for (const TBarCalendar* cal : {w->Gcal, w->Kcal, w->Ical})
        QCOMPARE(ToQDate(cal->model().StartDate()), QDate(2025, 1, 1));
    QVERIFY(w->Gcal->HasFocus());

    // Down twice, then at the lowest season the up-down stays put.
    QTest::mouseClick(w->SeizoenStartJaar->prevButton(), Qt::LeftButton);
    QTest::mouseClick(w->SeizoenStartJaar->prevButton(), Qt::LeftButton);
    QCOMPARE(w->SeizoenText->text(), QStringLiteral("2023/2024"));
    QCOMPARE(dateOf(w->Gcal), QDate(2023, 9, 15));
    w->SeizoenStartJaar->setPosition(1990);
    QTest::mouseClick(w->SeizoenStartJaar->prevButton(), Qt::LeftButton);
    QCOMPARE(w->SeizoenStartJaar->Position(), 1990);
    QCOMPARE(w->SeizoenText->text(), QStringLiteral("1990/1991"));

    // The keyboard steps it as well.
    w->SeizoenStartJaar->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w->SeizoenStartJaar, Qt::Key_Up);
    QCOMPARE(w->SeizoenText->text(), QStringLiteral("1991/1992"));
    QCOMPARE(dateOf(w->Gcal), QDate(1991, 9, 15));
    // The focus stays for the next key.
    QCOMPARE(QApplication::focusWidget(), w->SeizoenStartJaar);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QCOMPARE(w->SeizoenText->text(), QStringLiteral("1992/1993"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(w->SeizoenText->text(), QStringLiteral("1991/1992"));
}

void TestMainForm::methodBindsThePeriodTable_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<bool>("headersShown");
    QTest::addColumn<QString>("lastHeader");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QStringList>("texts"); // WnaG, wk1..wk4, kd1..kd4

    QTest::newRow("Grond") << 0 << true << "25/2-24/3" << QColor(Qt::white)
                           << QStringList{"", "105", "98", "91", "84", "28", "24", "21", "18"};
    QTest::newRow("Water") << 1 << true << "25/2-24/3" << Aqua
                           << QStringList{"14", "112", "105", "98", "91", "25", "22", "20", "17"};
    QTest::newRow("IJstulpen") << 2 << false << "IJstulpen" << Silver
                               << QStringList{"7", "", "", "", "84", "", "", "", "30"};
}

void TestMainForm::methodBindsThePeriodTable()
{
    QFETCH(int, method);
    QFETCH(bool, headersShown);
    QFETCH(QString, lastHeader);
    QFETCH(QColor, color);
    QFETCH(QStringList, texts);

    // Start on another method, then choose this one in the list.
    const auto w = openWindow(Standard, 2024, method == 0 ? 2 : 0);
    QTest::keyClick(w->BroeiMethodeCBox, Qt::Key_Home);
    for (int i = 0; i < method; ++i)
        QTest::keyClick(w->BroeiMethodeCBox, Qt::Key_Down);
    QCOMPARE(w->BroeiMethodeCBox->currentIndex(), method);
    QCOMPARE(w->core().BroeiMethode(), method);

    const PeriodTablePanel& table = *w->PeriodePanel;
    for (const QLabel* header : {table.Label4, table.Label9, table.Label10, table.Label11})
        QCOMPARE(!header->isHidden(), headersShown);
    QVERIFY(!table.Label12->isHidden());
    QCOMPARE(table.Label12->text(), lastHeader);
    const QStringList cells = {"WnaG", "wk1", "wk2", "wk3", "wk4", "kd1", "kd2", "kd3", "kd4"};
    QStringList shown;
    for (const QString& cell : cells)
        shown.append(cellText(*w, cell));
    QCOMPARE(shown, texts);
    // The cells the calculation used are lime; ice tulips mark none.
    const QStringList used = w->core().periodTable().markedCells();
    QCOMPARE(used.isEmpty(), method == 2);
    for (const QString& cell : cells)
        QCOMPARE(cellColor(*w, cell), used.contains(cell) ? Lime : color);
    if (method == 2) {
        QCOMPARE(w->PeriodePanel->boundField("wk4"), QStringLiteral("Dk_p_ice"));
        QCOMPARE(w->PeriodePanel->boundField("kd4"), QStringLiteral("Kd_p_ice"));
        QVERIFY(w->PeriodePanel->boundField("wk1").isEmpty());
    }
}

void TestMainForm::dataChangeRecalculatesAndShowsTheRecord()
{
    const auto w = openWindow(Standard, 2024);
    QCOMPARE(w->DBText1->text(), QStringLiteral("Apeldoorn"));
    m_record->values().setCultivarName(QStringLiteral("Kees Nelis"));
    m_record->setText(QStringLiteral("Size"), QStringLiteral("12/+"));
    m_record->setText(QStringLiteral("Source"), QStringLiteral("NL"));
    m_record->setText(QStringLiteral("Status"), QStringLiteral("Aangepast"));
    m_record->setText(QStringLiteral("Remarks"), QStringLiteral("Vroeg broeien"));
    m_record->setText(QStringLiteral("Dk_p2"), QStringLiteral("15"));
    m_record->values().set(QStringLiteral("Kd_p1"), 30);
    m_record->notifyChanged();

    QCOMPARE(w->DBText1->text(), QStringLiteral("Kees Nelis"));
    QCOMPARE(w->DBText3->text(), QStringLiteral("12/+"));
    QCOMPARE(w->DBText2->text(), QStringLiteral("NL"));
    QCOMPARE(w->DBText7->text(), QStringLiteral("Aangepast"));
    QCOMPARE(w->DBMemo1->toPlainText(), QStringLiteral("Vroeg broeien"));
    QCOMPARE(cellText(*w, "wk2"), QStringLiteral("15"));
    // Recalculated from the housing date with the new greenhouse days.
    QCOMPARE(w->Ical->Period(), 30);
    QCOMPARE(ToQDate(w->core().HarvestEnd()), QDate(2024, 12, 19));

    // The unit captions of the two week-or-day rows.
    w->SetPeriodUnitCaptions(QStringLiteral("Dagen 20oC na G"), QStringLiteral("Dagen Koude:"));
    QCOMPARE(w->PeriodePanel->WorD20naGLabel->text(), QStringLiteral("Dagen 20oC na G"));
    QCOMPARE(w->PeriodePanel->WorDkoudeLabel->text(), QStringLiteral("Dagen Koude:"));
}

void TestMainForm::missingDataShowInTheWindow()
{
    // Only period 4 has data; the user puts the cooling start in September,
    // so the period-4 candidate lies before 25 February.
    const auto w = openWindow(OnlyLastPeriod, 2024);
    w->Kcal->setCalendarFocus();
    w->Kcal->SetDate(FromQDate(QDate(2024, 9, 1)));

    QCOMPARE(w->core().MessageLevel(), 2);
    QVERIFY(!w->EMemo->isHidden());
    QCOMPARE(w->EMemo->toPlainText(),
             QStringLiteral("Error KP 1\nKasplan kan geen data berekenen, gegevens periode "
                            "25/1-24/2 ontbreken. Indien gewenst, kunt u zelf periodegegevens "
                            "invullen."));
    QCOMPARE(w->EDatePanel->text(), QStringLiteral("gegevens ontbreken "));
    QCOMPARE(w->Ical->datePanel()->text(), QStringLiteral("gegevens ontbreken "));
    QVERIFY(!w->OkButton->isEnabled());
    for (const QString& cell : PeriodTable::PeriodCells())
        QCOMPARE(cellColor(*w, cell), QColor(Qt::white));

    // A good date clears the messages again.
    w->Kcal->SetDate(FromQDate(QDate(2024, 12, 5)));
    QCOMPARE(w->core().MessageLevel(), 0);
    QVERIFY(w->EMemo->isHidden());
    QVERIFY(w->OkButton->isEnabled());
    QCOMPARE(cellColor(*w, "wk4"), Lime);
}

void TestMainForm::scrollingOneCalendarScrollsTheOthers()
{
    const auto w = openWindow(Standard, 2024);
    for (TBarCalendar* scrolled : {w->Gcal, w->Kcal, w->Ical, w->Gcal}) {
        const int target = scrolled->model().leftMonth() == 2 ? 9 : 2;
        // The month bar scrolls as when the user steps past its edge.
        scrolled->SetLeftMonth(target);
        for (const TBarCalendar* cal : {w->Gcal, w->Kcal, w->Ical})
            QCOMPARE(cal->model().leftMonth(), target);
        QCOMPARE(w->CalSBar->value(), w->Gcal->model().scrollPosition());
        QVERIFY(w->CalSBar->value() > 0);
    }
}

void TestMainForm::scrollBarScrollsTheCalendars()
{
    const auto w = openWindow(Standard, 2024);
    const BarCalendarModel& g = w->Gcal->model();
    QVERIFY(g.lastLeftMonth() > 0);
    for (const int position : {0, 100, 50}) {
        w->CalSBar->setValue(position);
        const int expected = qRound(g.lastLeftMonth() * position / 100.0);
        for (const TBarCalendar* cal : {w->Gcal, w->Kcal, w->Ical})
            QCOMPARE(cal->model().leftMonth(), expected);
    }
    // The user drags the slider: the calendars follow, and the slider is
    // left where the mouse holds it.
    w->CalSBar->setSliderDown(true);
    w->CalSBar->setValue(97);
    QCOMPARE(w->CalSBar->value(), 97);
    QCOMPARE(g.leftMonth(), qRound(g.lastLeftMonth() * 0.97));
    w->CalSBar->setSliderDown(false);
}

void TestMainForm::resizeRules()
{
    const auto w = openWindow(Standard, 2024);
    QCOMPARE(w->centralWidget()->size(), QSize(692, 547));
    for (const QSize size : {QSize(692, 547), QSize(900, 700), QSize(760, 601)}) {
        w->resize(size);
        QTRY_COMPARE(w->centralWidget()->size(), size);
        const int height = w->PeriodDatesPanel->height();
        QCOMPARE(w->Gcal->height(), height / 3);
        QCOMPARE(w->Ical->height(), height / 3);
        QCOMPARE(w->Kcal->height(), height - 2 * (height / 3));
        QCOMPARE(w->Ical->geometry().bottom(), height - 1);
        QCOMPARE(w->Kcal->y(), height / 3);
        QCOMPARE(w->Gcal->width(), w->PeriodDatesPanel->width());
        // The scroll-bar panel stays the lowest of all.
        QCOMPARE(w->SbarPanel->geometry().bottom(), size.height() - 1);
        QCOMPARE(w->SbarPanel->height(), 31);
        QCOMPARE(w->CalSBar->width(), w->SbarPanel->width() - 5);
    }
}

namespace {

// Visible controls inside parent that overlap, leave it, or cut their text
// short, one line each. The insides of Qt's composite controls are Qt's.
QStringList layoutFaults(const QWidget* parent)
{
    QStringList faults;
    QList<const QWidget*> shown;
    for (const QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() && child->isVisible())
            shown.append(child);
    }
    const auto name = [](const QWidget* w) {
        return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                         : w->objectName();
    };
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const QWidget* a = shown[i];
        if (!parent->rect().contains(a->geometry()))
            faults << name(a) + " leaves " + name(parent);
        for (qsizetype j = i + 1; j < shown.size(); ++j) {
            // Panels may share a one-pixel edge.
            const QRect common = a->geometry() & shown[j]->geometry();
            if (common.width() > 1 && common.height() > 1)
                faults << name(a) + " overlaps " + name(shown[j]);
        }
        QString text;
        if (const auto* l = qobject_cast<const QLabel*>(a))
            text = l->text();
        else if (const auto* b = qobject_cast<const QPushButton*>(a))
            text = b->text();
        text.remove(QLatin1Char('&'));
        const int room =
            qobject_cast<const QPushButton*>(a)
                ? a->width() -
                      (static_cast<const QPushButton*>(a)->icon().isNull() ? 8 : 8 + 16 + 4)
                : a->contentsRect().width();
        if (!text.isEmpty() && a->fontMetrics().horizontalAdvance(text) > room)
            faults << name(a) + " cuts its text \"" + text + "\" short";
        const bool qtsOwn = qobject_cast<const QComboBox*>(a) ||
                            qobject_cast<const QAbstractScrollArea*>(a) ||
                            qobject_cast<const QAbstractButton*>(a);
        if (!qtsOwn)
            faults += layoutFaults(a);
    }
    return faults;
}

} // namespace

void TestMainForm::minimumSizeKeepsEveryControlLegible()
{
    const auto w = openWindow(Standard, 2024);
    w->resize(400, 300);
    QTest::qWait(50);
    QCOMPARE(w->centralWidget()->size(), QSize(692, 547));
    QCOMPARE(w->centralWidget()->minimumSize(), QSize(692, 547));
    const QStringList faults = layoutFaults(w->centralWidget());
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
}

void TestMainForm::placementSurvivesARestart()
{
    {
        const auto w = openWindow(Standard, 2024);
        w->resize(900, 700);
        w->move(40, 30);
        QTRY_COMPARE(w->size(), QSize(900, 700));
        QVERIFY(w->close());
    }
    const auto again = openWindow(Standard);
    QCOMPARE(again->size(), QSize(900, 700));
    QCOMPARE(again->pos(), QPoint(40, 30));
}

void TestMainForm::everyTabStopShowsTheFocus()
{
    // With a message (no greenhouse days), so that the message memo takes part too.
    const auto w = openWindow(R"({"Dk_p4": 84})", 2024);
    QVERIFY(w->EMemo->isVisible());
    QList<QWidget*> stops;
    w->VersionButton->setFocus(Qt::TabFocusReason);
    do {
        stops << QApplication::focusWidget();
        QTest::keyClick(stops.last(), Qt::Key_Tab);
    } while (QApplication::focusWidget() != stops.first() && stops.size() < 40);
    const QList<QWidget*> readingOrder = {w->VersionButton,  w->Close_or_CancelButton,
                                          w->CultivarSelBtn, w->CdataButton,
                                          w->OptionsBtn,     w->SeizoenStartJaar,
                                          w->PrintButton,    w->BroeiMethodeCBox,
                                          w->DBMemo1,        w->Gcal->monthBar(),
                                          w->Gcal->dayBar(), w->Kcal->monthBar(),
                                          w->Kcal->dayBar(), w->Ical->monthBar(),
                                          w->Ical->dayBar(), w->EMemo,
                                          w->MBackBtn,       w->DBackBtn,
                                          w->DFwdBtn,        w->MFwdBtn};
    QCOMPARE(stops, readingOrder);

    // Each one looks different while it has the focus.
    for (qsizetype i = 0; i < stops.size(); ++i) {
        QWidget* stop = stops[i];
        stop->setFocus(Qt::TabFocusReason);
        const QImage focused = stop->grab().toImage();
        stops[(i + 1) % stops.size()]->setFocus(Qt::TabFocusReason);
        QVERIFY2(stop->grab().toImage() != focused, qPrintable(stop->objectName()));
    }
}

void TestMainForm::keysMoveTheDateAsAClickDoes_data()
{
    QTest::addColumn<QString>("calendar");
    QTest::addColumn<bool>("monthBar");
    QTest::addColumn<int>("key");
    QTest::addColumn<QDate>("target"); // the day the key lands on
    QTest::addColumn<bool>("changes"); // false: moved back to the schedule as it was

    // From the first schedule: G-stage 10 September 2024 (the earliest),
    // cooling 1 October, housing 7 January 2025.
    QTest::newRow("G-stage, month bar, right")
        << "Gcal" << true << int(Qt::Key_Right) << QDate(2024, 10, 10) << true;
    QTest::newRow("G-stage, month bar, left")
        << "Gcal" << true << int(Qt::Key_Left) << QDate(2024, 8, 10) << true;
    QTest::newRow("G-stage, days, down")
        << "Gcal" << false << int(Qt::Key_Down) << QDate(2024, 9, 17) << true;
    QTest::newRow("G-stage, days, home")
        << "Gcal" << false << int(Qt::Key_Home) << QDate(2024, 1, 1) << true;
    QTest::newRow("cooling, month bar, right")
        << "Kcal" << true << int(Qt::Key_Right) << QDate(2024, 11, 1) << true;
    QTest::newRow("cooling, days, page down")
        << "Kcal" << false << int(Qt::Key_PageDown) << QDate(2024, 11, 1) << true;
    // Too early for Gstagemin: moved back to 1 October.
    QTest::newRow("cooling, days, up")
        << "Kcal" << false << int(Qt::Key_Up) << QDate(2024, 9, 24) << false;
    QTest::newRow("housing, days, right")
        << "Ical" << false << int(Qt::Key_Right) << QDate(2025, 1, 8) << true;
    QTest::newRow("housing, days, page down")
        << "Ical" << false << int(Qt::Key_PageDown) << QDate(2025, 2, 7) << true;
    QTest::newRow("housing, days, end")
        << "Ical" << false << int(Qt::Key_End) << QDate(2025, 12, 31) << true;
}

void TestMainForm::keysMoveTheDateAsAClickDoes()
{
    QFETCH(QString, calendar);
    QFETCH(bool, monthBar);
    QFETCH(int, key);
    QFETCH(QDate, target);
    QFETCH(bool, changes);
    const auto calendarOf = [&calendar](TKMmainform& w) {
        return calendar == "Gcal" ? w.Gcal : calendar == "Kcal" ? w.Kcal : w.Ical;
    };
    const auto barOf = [monthBar](TBarCalendar* cal) -> QWidget* {
        return monthBar ? static_cast<QWidget*>(cal->monthBar()) : cal->dayBar();
    };

    // By the key, on the bar that has the focus.
    const auto byKey = openWindow(WithGstagemin, 2024);
    const QString first = ScheduleStateJson(byKey->core());
    QWidget* bar = barOf(calendarOf(*byKey));
    bar->setFocus(Qt::TabFocusReason);
    QTest::keyClick(bar, Qt::Key(key));
    QCOMPARE(ScheduleStateJson(byKey->core()) != first, changes);

    // By the mouse, on the cell of that day (its month in the month bar).
    const auto byMouse = openWindow(WithGstagemin, 2024);
    QCOMPARE(ScheduleStateJson(byMouse->core()), first);
    TBarCalendar* cal = calendarOf(*byMouse);
    cal->ScrollToDate(FromQDate(target));
    const int column = int(FromQDate(target) - cal->model().StartDate());
    QTest::mouseClick(barOf(cal), Qt::LeftButton, {},
                      QPoint(cal->dayBar()->columnLeft(column) + 1, 4));
    QVERIFY(cal->HasFocus());

    QCOMPARE(ScheduleStateJson(byKey->core()), ScheduleStateJson(byMouse->core()));
}

void TestMainForm::monthBarRightThenLeftReturns()
{
    // The first screen, then a month on and back on the G-stage's month bar:
    // the same schedule again, since the cooling start is the G-stage plus
    // its days at 20 °C in every state.
    const auto w = openWindow(WithGstagemin, 2024);
    const QString first = ScheduleStateJson(w->core());
    TMonthBar* months = w->Gcal->monthBar();
    months->setFocus(Qt::TabFocusReason);
    QTest::keyClick(months, Qt::Key_Right);
    QCOMPARE(dateOf(w->Kcal), QDate(2024, 10, 31));
    QTest::keyClick(months, Qt::Key_Left);
    QCOMPARE(ScheduleStateJson(w->core()), first);
}

void TestMainForm::wheelScrollsTheThreeCalendars()
{
    const auto w = openWindow(Standard, 2024);
    w->Gcal->SetLeftMonth(2);
    const int firstDay = w->Gcal->model().firstVisibleDay();
    const QString schedule = ScheduleStateJson(w->core());
    const auto turn = [](QWidget* over, int delta, Qt::KeyboardModifiers modifiers) {
        const QPointF at(over->width() / 2.0, over->height() / 2.0);
        QWheelEvent wheel(at, over->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(over, &wheel);
    };

    // A notch towards the user: a week later, on all three.
    turn(w->Kcal->dayBar(), -120, Qt::NoModifier);
    for (const TBarCalendar* cal : {w->Gcal, w->Kcal, w->Ical})
        QCOMPARE(cal->model().firstVisibleDay(), firstDay + 7);
    // With Ctrl, away from the user: a month earlier.
    turn(w->Ical->monthBar(), 120, Qt::ControlModifier);
    const QDate shown = ToQDate(w->Gcal->model().StartDate() + firstDay + 7).addMonths(-1);
    for (const TBarCalendar* cal : {w->Gcal, w->Kcal, w->Ical})
        QCOMPARE(ToQDate(cal->model().StartDate() + cal->model().firstVisibleDay()), shown);
    // Half a notch waits for the other half.
    turn(w->Gcal->labelPanel(), -60, Qt::NoModifier);
    QCOMPARE(ToQDate(w->Kcal->model().StartDate() + w->Kcal->model().firstVisibleDay()), shown);
    turn(w->Gcal->labelPanel(), -60, Qt::NoModifier);
    QCOMPARE(ToQDate(w->Kcal->model().StartDate() + w->Kcal->model().firstVisibleDay()),
             shown.addDays(7));
    // The view moved, the schedule did not.
    QCOMPARE(ScheduleStateJson(w->core()), schedule);
    QCOMPARE(w->CalSBar->value(), w->Gcal->model().scrollPosition());
}

void TestMainForm::iconButtonsSayWhatTheyDo()
{
    const auto w = openWindow(Standard, 2024);
    for (const QAbstractButton* button : w->findChildren<QAbstractButton*>()) {
        if (button->text().isEmpty() && !button->icon().isNull())
            QVERIFY2(!button->toolTip().isEmpty(), qPrintable(button->objectName()));
    }
    QCOMPARE(w->OptionsBtn->toolTip(), QStringLiteral("Instellingen"));
    QCOMPARE(w->PrintButton->toolTip(), QStringLiteral("Print window"));
}

void TestMainForm::focusFollowsTheUser()
{
    const auto w = openWindow(Standard, 2024);
    // The first activation left the focus on the housing calendar.
    QCOMPARE(w->core().focusedCalendar(), ScheduleCalendar::Ical);
    QVERIFY(w->Ical->HasFocus());

    w->Kcal->monthBar()->setFocus(Qt::MouseFocusReason);
    QCOMPARE(w->core().focusedCalendar(), ScheduleCalendar::Kcal);
    w->BroeiMethodeCBox->setFocus(Qt::TabFocusReason);
    QCOMPARE(w->core().focusedCalendar(), ScheduleCalendar::None);
    // A date written into a calendar without the focus calculates nothing.
    const QDate housing = dateOf(w->Ical);
    w->Kcal->SetDate(FromQDate(QDate(2024, 10, 1)));
    QCOMPARE(dateOf(w->Ical), housing);

    // A harvest-end button takes the focus from the calendar.
    w->Gcal->setCalendarFocus();
    QCOMPARE(w->core().focusedCalendar(), ScheduleCalendar::Gcal);
    const QDate harvestEnd = ToQDate(w->core().HarvestEnd());
    QTest::mouseClick(w->DFwdBtn, Qt::LeftButton);
    QCOMPARE(w->core().focusedCalendar(), ScheduleCalendar::None);
    QCOMPARE(ToQDate(w->core().HarvestEnd()), harvestEnd.addDays(1));
}

void TestMainForm::activationFromOwnWindowsRecalculates()
{
    const auto w = openWindow(Standard, 2024);
    QCOMPARE(w->Ical->Period(), 28);
    const auto returnFrom = [&w](QWidget& other) {
        other.show();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        other.close();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    };

    // Back from another window of the program: calculated anew.
    m_record->values().set(QStringLiteral("Kd_p1"), 30);
    QWidget otherWindow;
    returnFrom(otherWindow);
    QCOMPARE(w->Ical->Period(), 30);

    // Back from a message: not, or a message that activating shows would
    // come back for ever.
    m_record->values().set(QStringLiteral("Kd_p1"), 31);
    QMessageBox message(QMessageBox::Warning, QStringLiteral("Kasplan"), QStringLiteral("Let op"));
    returnFrom(message);
    QCOMPARE(w->Ical->Period(), 30);
}

void TestMainForm::sameScheduleAsTheCommand_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<int>("method");
    QTest::addColumn<QStringList>("actions");

    QTest::newRow("soil, cooling start, harvest-end buttons")
        << Standard << 0
        << QStringList{"--cooling", "2024-10-01", "--day-back", "--month-forward", "--day-forward"};
    QTest::newRow("Gstagemin moves a too early cooling start")
        << WithGstagemin << 0 << QStringList{"--cooling", "2024-09-20"};
    QTest::newRow("Gstagemin, then the month back")
        << WithGstagemin << 0 << QStringList{"--cooling", "2024-10-15", "--month-back"};
    QTest::newRow("Gstagemin, first schedule only") << WithGstagemin << 0 << QStringList{};
    QTest::newRow("Gstagemin, housing date and harvest end")
        << WithGstagemin << 0 << QStringList{"--housing", "2025-01-10", "--day-forward"};
    QTest::newRow("water, housing date then G-stage")
        << Standard << 1 << QStringList{"--housing", "2025-01-10", "--gstage", "2024-09-01"};
    QTest::newRow("ice tulips after 24 March")
        << Standard << 2 << QStringList{"--housing", "2025-03-30", "--month-back"};
    QTest::newRow("missing periods")
        << OnlyLastPeriod << 0 << QStringList{"--cooling", "2024-09-01", "--day-forward"};
    QTest::newRow("first schedule only") << Standard << 0 << QStringList{};
}

void TestMainForm::sameScheduleAsTheCommand()
{
    QFETCH(QByteArray, record);
    QFETCH(int, method);
    QFETCH(QStringList, actions);

    // The command, on a record file.
    QFile file(m_home->filePath(QStringLiteral("record.json")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(record);
    file.close();
    const QStringList methods = {"grond", "water", "ijstulpen"};
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const int result = runScheduleCommand(QStringList{"--record", file.fileName(), "--today",
                                                      "2024-11-20", "--method", methods[method]} +
                                              actions,
                                          outStream, errStream);
    QVERIFY2(result == 0, qPrintable(err));

    // The window, on the same record, as the user works it.
    Clock::install(std::make_unique<FixedClock>(QDate(2024, 11, 20)));
    const auto w = openWindow(record, {}, method);
    for (qsizetype i = 0; i < actions.size(); ++i) {
        const QString action = actions[i];
        TBarCalendar* cal = action == "--gstage"    ? w->Gcal
                            : action == "--cooling" ? w->Kcal
                            : action == "--housing" ? w->Ical
                                                    : nullptr;
        if (cal) {
            const QDate date = QDate::fromString(actions[++i], Qt::ISODate);
            cal->setCalendarFocus();
            QVERIFY(cal->HasFocus());
            // A click on the day's cell.
            cal->model().selectDayColumn(int(FromQDate(date) - cal->model().StartDate()));
            continue;
        }
        QPushButton* button = action == "--day-back"        ? w->DBackBtn
                              : action == "--day-forward"   ? w->DFwdBtn
                              : action == "--month-back"    ? w->MBackBtn
                              : action == "--month-forward" ? w->MFwdBtn
                                                            : nullptr;
        QVERIFY2(button, qPrintable(action));
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QCOMPARE(ScheduleStateJson(w->core()), out.trimmed());
}

void TestMainForm::windowsNotThereYetSaySo()
{
    ScopedScriptedPrompts prompts;
    const auto w = openWindow(Standard, 2024);
    QTest::mouseClick(w->CdataButton, Qt::LeftButton);
    QTest::mouseClick(w->OptionsBtn, Qt::LeftButton);
    QTest::mouseClick(w->CultivarSelBtn, Qt::LeftButton);
    QCOMPARE(
        prompts->texts(),
        (QStringList{"Het venster \"Cultivar gegevens\" is in deze versie nog niet beschikbaar.",
                     "Het venster \"Instellingen\" is in deze versie nog niet beschikbaar.",
                     "Het venster \"Selecteer Cultivar en Zift\" is in deze versie nog niet "
                     "beschikbaar."}));
}

void TestMainForm::otherWindowsAreOpened()
{
    const auto w = openWindow(Standard, 2024);
    QStringList calls;
    TKMmainformWindows windows;
    windows.SelectCultivar = [&] {
        calls << "select";
        // The user picks another cultivar whose soil data start in period 3.
        m_record->values() = parse(R"({"Dk_p3": 91, "Dk_p4": 84, "Kd_p3": 21, "Kd_p4": 18})");
    };
    windows.ShowCdata = [&] { calls << "cdata"; };
    windows.CloseCdata = [&] {
        calls << "close cdata";
        return true;
    };
    windows.ShowOptions = [&] {
        calls << "options";
        TZHRegistry::current().WriteBool(Setting::ShowWeeknrs, true);
    };
    w->setWindows(windows);

    QTest::mouseClick(w->CultivarSelBtn, Qt::LeftButton);
    // The housing date moved to the first day of the first period with data.
    QCOMPARE(dateOf(w->Ical), QDate(2025, 1, 25));
    QCOMPARE(w->core().MessageLevel(), 0);
    QTest::mouseClick(w->CdataButton, Qt::LeftButton);
    QTest::mouseClick(w->OptionsBtn, Qt::LeftButton);
    // Activated again after the settings: the week numbers are read.
    QVERIFY(w->Gcal->ShowWeeknrs() && w->Kcal->ShowWeeknrs() && w->Ical->ShowWeeknrs());
    QVERIFY(w->close());
    QCOMPARE(calls, (QStringList{"select", "cdata", "options", "close cdata"}));
}

void TestMainForm::dataWindowThatStaysOpenKeepsTheMainWindowOpen()
{
    const auto w = openWindow(Standard, 2024);
    bool canClose = false;
    TKMmainformWindows windows;
    windows.CloseCdata = [&] { return canClose; };
    w->setWindows(windows);
    QTest::mouseClick(w->SeizoenStartJaar->nextButton(), Qt::LeftButton);

    // What was typed there could not be saved: nothing ends, nothing is written.
    QVERIFY(!w->close());
    QVERIFY(w->isVisible());
    QCOMPARE(TZHRegistry::current().ReadInteger(Setting::Season), 2024);

    canClose = true;
    QVERIFY(w->close());
    QCOMPARE(TZHRegistry::current().ReadInteger(Setting::Season), 2025);
}

void TestMainForm::cancelledPrintChangesNothing()
{
    const auto w = openWindow(Standard, 2024);
    bool printed = false;
    w->setPrintSteps([](QPrinter&) { return false; }, [&](QPrinter&, QWidget&) { printed = true; });
    QTest::mouseClick(w->PrintButton, Qt::LeftButton);
    QVERIFY(!printed);
    QVERIFY(w->SbarPanel->text().isEmpty());
    QVERIFY(!w->CalSBar->isHidden());
}

void TestMainForm::printHidesControlsAndRestoresThemAfterFailure()
{
    ScopedScriptedPrompts prompts;
    const auto w = openWindow(Standard, 2024);
    const QList<QWidget*> hiddenWhilePrinting = {
        w->CdataButton, w->PrintButton, w->CultivarSelBtn, w->OptionsBtn, w->MBackBtn,
        w->DBackBtn,    w->MFwdBtn,     w->DFwdBtn,        w->CalSBar,    w->Close_or_CancelButton};
    QStringList seen;
    const QWidget* printedArea = nullptr;
    w->setPrintSteps([](QPrinter&) { return true; },
                     [&](QPrinter&, QWidget& clientArea) {
                         printedArea = &clientArea;
                         for (const QWidget* control : hiddenWhilePrinting) {
                             if (!control->isHidden())
                                 seen << control->objectName();
                         }
                         if (!w->OkButton->isHidden())
                             seen << "OkButton";
                         seen << w->SbarPanel->text();
                         if (w->Gcal->PeriodColor() != Olive || w->Gcal->DateFontColor() != Olive)
                             seen << "Gcal not olive";
                         throw std::runtime_error("Printer niet gereed");
                     });
    QTest::mouseClick(w->PrintButton, Qt::LeftButton);

    // While printing: only today's long date in the bottom panel.
    QCOMPARE(seen,
             QStringList{QLocale::system().toString(QDate(2024, 11, 20), QLocale::LongFormat)});
    QCOMPARE(printedArea, w->centralWidget());
    // Afterwards everything is back, and the failure was reported.
    for (const QWidget* control : hiddenWhilePrinting)
        QVERIFY2(!control->isHidden(), qPrintable(control->objectName()));
    QVERIFY(w->OkButton->isHidden());
    QVERIFY(w->SbarPanel->text().isEmpty());
    QCOMPARE(w->Gcal->PeriodColor(), Yellow);
    QCOMPARE(w->Gcal->DateFontColor(), Yellow);
    QCOMPARE(prompts->texts(), QStringList{"Printer niet gereed"});
}

void TestMainForm::printsToPdf()
{
    const auto w = openWindow(Standard, 2024);
    const QString pdf = m_home->filePath(QStringLiteral("schema.pdf"));
    w->setPrintSteps(
        [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        },
        {});
    QTest::mouseClick(w->PrintButton, Qt::LeftButton);
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(5) == "%PDF-");
    QVERIFY(!w->PrintButton->isHidden());

    // Drawn at the printer's resolution, not a picture of the screen: the
    // texts are text in the PDF, and the only pictures are the small icons.
    const auto run = [](const QString& tool, const QStringList& arguments) {
        QProcess process;
        process.start(tool, arguments);
        if (!process.waitForFinished(30000) || process.exitCode() != 0)
            return QString();
        return QString::fromUtf8(process.readAllStandardOutput());
    };
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
             "pdftotext is missing (Debian package poppler-utils, see scripts/setup.sh)");
    const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
    QVERIFY2(text.contains(QStringLiteral("Begindatum koeling:")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Einde Kas oogst:")));
    QVERIFY(text.contains(
        QLocale::system().toString(ToQDate(w->core().HarvestEnd()), QLocale::LongFormat)));
    const QStringList images =
        run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split('\n').mid(2);
    for (const QString& line : images) {
        const QStringList columns = line.simplified().split(' ');
        if (columns.size() > 4)
            QVERIFY2(columns[3].toInt() <= 100, qPrintable(line));
    }
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
