#include "settings/TBroeiDataOptDlg.h"

#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "db/StandardDatabase.h"
#include "db/TDMod.h"
#include "db/engine/EngineSession.h"
#include "db/engine/TableView.h"
#include "support/ScriptedPrompts.h"
#include "widgets/TNumInp.h"
#include "widgets/TRadioGroup.h"
#include "widgets/bound/TDBGrid.h"
#include "widgets/bound/TDBNavigator.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

using namespace kasplan;

namespace {

QStringList visibleTabs(const QTabWidget* pages)
{
    QStringList captions;
    for (int i = 0; i < pages->count(); ++i) {
        if (pages->isTabVisible(i))
            captions.append(pages->tabText(i));
    }
    return captions;
}

TZHRegistry& store()
{
    return TZHRegistry::current();
}

// A check box or radio button answers a click on its mark or its text only,
// which lie at its left.
void click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

} // namespace

// The cultivar data settings dialog on the standard database, shown as the
// program shows it: through the data module's ShowDataOptions, modally.
class TestBroeiDataOptDlg : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void showsTheSizeListAndTheForcingPage();
    void warningKP2WhenThePermissionIsSwitchedOn_data();
    void warningKP2WhenThePermissionIsSwitchedOn();
    void noWarningOtherwise_data();
    void noWarningOtherwise();
    void unitsAreShownAndStored_data();
    void unitsAreShownAndStored();
    void hiddenValuesSurviveEveryOK_data();
    void hiddenValuesSurviveEveryOK();
    void pendingSizeIsPostedBeforeTheDatabaseReopens();
    void duplicateSizeIsReportedAndEarlierSettingsStay();
    void unwritableSettingsAreSkippedSilently();

private:
    // Runs ShowDataOptions; act works in the shown dialog. A dialog that act
    // leaves open is cancelled, so a failing test never hangs.
    void showDataOptions(const std::function<void(TBroeiDataOptDlg&)>& act);
    void toForcingPage() { m_dialog->PageControl1->setCurrentWidget(m_dialog->TabSheet1); }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<db::EngineSession> m_session;
    std::unique_ptr<TDMod> m_dmod;
    std::unique_ptr<TBroeiDataOptDlg> m_dialog;
    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
};

void TestBroeiDataOptDlg::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("KASPLAN_HOME", m_home->path().toLocal8Bit());
    TZHRegistry::install(nullptr);
    m_prompts = std::make_unique<ScopedScriptedPrompts>();
    m_session = std::make_unique<db::EngineSession>();
    StandardDatabase::prepare(*m_session);
    m_dmod = std::make_unique<TDMod>(*m_session);
}

void TestBroeiDataOptDlg::cleanup()
{
    m_dialog.reset();
    m_dmod.reset();
    m_session.reset();
    m_prompts.reset();
    TZHRegistry::install(nullptr);
    qunsetenv("KASPLAN_HOME");
    m_home.reset();
}

void TestBroeiDataOptDlg::showDataOptions(const std::function<void(TBroeiDataOptDlg&)>& act)
{
    if (!m_dialog) {
        m_dmod->DataModuleCreate();
        m_dialog = std::make_unique<TBroeiDataOptDlg>(*m_dmod);
    }
    bool acted = false;
    QTimer::singleShot(0, m_dialog.get(), [&] {
        QTRY_VERIFY(m_dialog->isVisible());
        act(*m_dialog);
        acted = true;
        if (m_dialog->isVisible())
            m_dialog->reject();
    });
    m_dmod->ShowDataOptions();
    QVERIFY(acted);
}

void TestBroeiDataOptDlg::showsTheSizeListAndTheForcingPage()
{
    showDataOptions([](TBroeiDataOptDlg& d) {
        QCOMPARE(d.windowTitle(), QStringLiteral("Instellingen Cultivargegevens"));
        QCOMPARE(visibleTabs(d.PageControl1), QStringList({"Zift aanduidingen", "Broeigegevens"}));
        QCOMPARE(d.PageControl1->currentWidget(), d.TabSheet2);
        // The size designations only.
        const TDBGrid* grid = d.OogstverDBgrid;
        QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Zift"));
        QVERIFY(!grid->isColumnHidden(0));
        for (int column = 1; column < 4; ++column)
            QVERIFY(grid->isColumnHidden(column));
        QCOMPARE(grid->model()->index(0, 0).data().toString(), QStringLiteral("10/11"));
        QVERIFY(grid->editable());
        QVERIFY(d.DBNavigator2->InsertButton->isVisible());
        QCOMPARE(d.DBNavigator2->InsertButton->toolTip(), QStringLiteral("Voeg cultivar toe"));
        QVERIFY(d.ShowBroeiData->isHidden());
        QVERIFY(d.HelpBtn->isHidden());
    });
}

void TestBroeiDataOptDlg::warningKP2WhenThePermissionIsSwitchedOn_data()
{
    QTest::addColumn<bool>("confirmAtLast"); // else the dialog is cancelled
    QTest::newRow("then confirmed") << true;
    QTest::newRow("then the dialog cancelled") << false;
}

void TestBroeiDataOptDlg::warningKP2WhenThePermissionIsSwitchedOn()
{
    QFETCH(bool, confirmAtLast);
    ScriptedPrompts& prompts = **m_prompts;
    showDataOptions([&](TBroeiDataOptDlg& d) {
        toForcingPage();
        click(d.CanDelEditStdRecs);
        click(d.ShowWeeknrs);
        prompts.queueAnswer(UserPrompts::Cancel);
        click(d.OKBtn);
        QCOMPARE(prompts.shown().size(), 1);
        QCOMPARE(prompts.shown().first().kind, UserPrompts::Kind::Confirmation);
        QCOMPARE(prompts.shown().first().buttons, int(UserPrompts::Ok | UserPrompts::Cancel));
        QVERIFY(prompts.texts().first().startsWith(QStringLiteral(
            "Warning KP 2\r\nU heeft het verwijderen/aanpassen van standaard\r\nDLV/LBO")));
        QCOMPARE(prompts.texts().first(), TBroeiDataOptDlg::WarningKP2);
        // Back in the dialog, with nothing stored.
        QVERIFY(d.isVisible());
        QVERIFY(!store().ValueExists(QStringLiteral("CanDelEditStdRecs")));
        QVERIFY(!store().ValueExists(QStringLiteral("ShowWeeknrs")));
        QVERIFY(!m_dmod->CanDelEditStdRecs());

        prompts.clear();
        if (confirmAtLast) {
            prompts.queueAnswer(UserPrompts::Ok);
            click(d.OKBtn);
            QCOMPARE(prompts.texts(), QStringList({TBroeiDataOptDlg::WarningKP2}));
            QVERIFY(!d.isVisible());
            QCOMPARE(d.result(), int(QDialog::Accepted));
        } else {
            click(d.CancelBtn);
            QVERIFY(prompts.shown().isEmpty());
        }
    });
    QCOMPARE(store().ReadBool(Setting::CanDelEditStdRecs), confirmAtLast);
    QCOMPARE(store().ReadBool(Setting::ShowWeeknrs), confirmAtLast);
    // What the editing rules go by: never the unconfirmed tick.
    QCOMPARE(m_dmod->CanDelEditStdRecs(), confirmAtLast);
}

void TestBroeiDataOptDlg::noWarningOtherwise_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("ticked");
    QTest::newRow("already on, stays on") << true << true;
    QTest::newRow("switched off") << true << false;
    QTest::newRow("stays off") << false << false;
}

void TestBroeiDataOptDlg::noWarningOtherwise()
{
    QFETCH(bool, stored);
    QFETCH(bool, ticked);
    store().WriteBool(Setting::CanDelEditStdRecs, stored);
    showDataOptions([&](TBroeiDataOptDlg& d) {
        QCOMPARE(d.CanDelEditStdRecs->isChecked(), stored);
        QCOMPARE(m_dmod->CanDelEditStdRecs(), stored);
        d.CanDelEditStdRecs->setChecked(ticked);
        click(d.OKBtn);
        QVERIFY(!d.isVisible());
    });
    QVERIFY((*m_prompts)->shown().isEmpty());
    QCOMPARE(store().ReadBool(Setting::CanDelEditStdRecs), ticked);
    QCOMPARE(m_dmod->CanDelEditStdRecs(), ticked);
}

void TestBroeiDataOptDlg::unitsAreShownAndStored_data()
{
    QTest::addColumn<int>("stored");    // both units; 0: none stored
    QTest::addColumn<int>("choose");    // -1: leave the choice as shown
    QTest::addColumn<QString>("shown"); // the item selected when shown
    QTest::addColumn<int>("unitShown"); // what the rest of the program reads meanwhile
    QTest::addColumn<int>("storedAfter");

    QTest::newRow("nothing stored") << 0 << -1 << "Weken" << 7 << 7;
    QTest::newRow("weeks") << 7 << -1 << "Weken" << 7 << 7;
    QTest::newRow("days") << 1 << -1 << "Dagen" << 1 << 1;
    // Shown as days, read as weeks until OK stores what is shown.
    QTest::newRow("impossible 3") << 3 << -1 << "Dagen" << 7 << 1;
    QTest::newRow("Dagen chosen") << 7 << 0 << "Weken" << 7 << 1;
    QTest::newRow("Weken chosen") << 1 << 1 << "Dagen" << 1 << 7;
}

void TestBroeiDataOptDlg::unitsAreShownAndStored()
{
    QFETCH(int, stored);
    QFETCH(int, choose);
    QFETCH(QString, shown);
    QFETCH(int, unitShown);
    QFETCH(int, storedAfter);
    if (stored != 0) {
        store().WriteInteger(Setting::TussenTunit, stored);
        store().WriteInteger(Setting::Kperiodunit, stored);
    }
    showDataOptions([&](TBroeiDataOptDlg& d) {
        toForcingPage();
        for (const TRadioGroup* group : {d.TussenTunitopt, d.Kperiodunitopt}) {
            QVERIFY(group->ItemIndex() >= 0);
            QCOMPARE(group->Button(group->ItemIndex())->text(), shown);
        }
        QCOMPARE(m_dmod->TussenTunit(), unitShown);
        QCOMPARE(m_dmod->Kperiodunit(), unitShown);
        if (choose >= 0) {
            click(d.TussenTunitopt->Button(choose));
            click(d.Kperiodunitopt->Button(choose));
        }
        click(d.OKBtn);
        QVERIFY(!d.isVisible());
    });
    QVERIFY((*m_prompts)->shown().isEmpty());
    QCOMPARE(store().ReadInteger(QStringLiteral("TussenTunit"), -1), storedAfter);
    QCOMPARE(store().ReadInteger(QStringLiteral("Kperiodunit"), -1), storedAfter);
    QCOMPARE(m_dmod->TussenTunit(), storedAfter);
    QCOMPARE(m_dmod->Kperiodunit(), storedAfter);
    // The captions the windows show over these values.
    const QString unit = storedAfter == 1 ? QStringLiteral("Dagen") : QStringLiteral("Weken");
    QCOMPARE(m_dmod->TussenTCaption(), unit + QStringLiteral(" 20oC na G"));
    QCOMPARE(m_dmod->KoudeCaption(), unit + QStringLiteral(" Koude:"));
}

void TestBroeiDataOptDlg::hiddenValuesSurviveEveryOK_data()
{
    QTest::addColumn<bool>("storeValues");
    QTest::addColumn<int>("maxpdadjustperc");
    QTest::addColumn<int>("stdOogstType");
    QTest::addColumn<int>("kasplanType");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("flags"); // UseKasplanCdata and ShowBroeiData
    QTest::addColumn<int>("newCultivarType");

    QTest::newRow("defaults") << false << 5 << 0 << 0 << "" << false << 0;
    // A path that is no folder opens the standard database without a word.
    QTest::newRow("stored") << true << 12 << 1 << 2 << "/no/such/folder" << true << 1;
    // Numbers outside the choices or the field's range are kept as they are,
    // without a message; a new cultivar gets the default harvest type.
    QTest::newRow("outside the choices") << true << 150 << 5 << 7 << "" << false << 0;
}

void TestBroeiDataOptDlg::hiddenValuesSurviveEveryOK()
{
    QFETCH(bool, storeValues);
    QFETCH(int, maxpdadjustperc);
    QFETCH(int, stdOogstType);
    QFETCH(int, kasplanType);
    QFETCH(QString, path);
    QFETCH(bool, flags);
    QFETCH(int, newCultivarType);
    if (storeValues) {
        store().WriteInteger(Setting::Maxpdadjustperc, maxpdadjustperc);
        store().WriteInteger(Setting::StdOogstType, stdOogstType);
        store().WriteInteger(Setting::KasplanTypeCdata, kasplanType);
        store().WriteString(Setting::KasplanDBasePath, path);
        store().WriteBool(Setting::UseKasplanCdata, flags);
        store().WriteBool(Setting::ShowBroeiData, flags);
    }
    for (int ok = 0; ok < 2; ++ok) {
        showDataOptions([&](TBroeiDataOptDlg& d) {
            QCOMPARE(d.Maxpdadjustperc->text(), QString::number(maxpdadjustperc));
            click(d.OKBtn);
        });
        QCOMPARE(store().ReadInteger(QStringLiteral("Maxpdadjustperc"), -1), maxpdadjustperc);
        QCOMPARE(store().ReadInteger(QStringLiteral("StdOogstType"), -1), stdOogstType);
        QCOMPARE(store().ReadInteger(QStringLiteral("KasplanTypeCdata"), -1), kasplanType);
        QCOMPARE(store().ReadString(QStringLiteral("KasplanDBasePath"), QStringLiteral("-")), path);
        QCOMPARE(store().ReadBool(QStringLiteral("UseKasplanCdata"), !flags), flags);
        QCOMPARE(store().ReadBool(QStringLiteral("ShowBroeiData"), !flags), flags);
    }
    QVERIFY((*m_prompts)->shown().isEmpty());
    QCOMPARE(m_dmod->DatabaseAlias(), QStringLiteral("BROEI"));
    QCOMPARE(m_dmod->StdOogstTypeDefault(), newCultivarType);
}

void TestBroeiDataOptDlg::pendingSizeIsPostedBeforeTheDatabaseReopens()
{
    db::TableView* sizes = m_dmod->tbSizes();
    int sizesBefore = 0;
    showDataOptions([&](TBroeiDataOptDlg& d) {
        sizesBefore = sizes->recordCount();
        click(d.DBNavigator2->InsertButton);
        QCOMPARE(sizes->state(), db::DataSet::State::Insert);
        // Typed into the grid's new row; the cell editor is still open when
        // OK is pressed.
        d.OogstverDBgrid->setFocus();
        QTest::keyClick(d.OogstverDBgrid, '1');
        QVERIFY(d.OogstverDBgrid->cellEditorOpen());
        QWidget* editor = d.OogstverDBgrid->indexWidget(d.OogstverDBgrid->currentIndex());
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("3/14"));
        click(d.OKBtn);
        QVERIFY(!d.isVisible());
    });
    QVERIFY2((*m_prompts)->shown().isEmpty(), qPrintable((*m_prompts)->texts().join('\n')));
    // Reopened with the new size in it.
    QVERIFY(sizes->isActive());
    QCOMPARE(sizes->state(), db::DataSet::State::Browse);
    QCOMPARE(sizes->recordCount(), sizesBefore + 1);
    QVERIFY(sizes->locate({QStringLiteral("Size")}, {QStringLiteral("13/14")}));
}

void TestBroeiDataOptDlg::duplicateSizeIsReportedAndEarlierSettingsStay()
{
    db::TableView* sizes = m_dmod->tbSizes();
    showDataOptions([&](TBroeiDataOptDlg& d) {
        toForcingPage();
        click(d.ShowWeeknrs);
        click(d.Kperiodunitopt->Button(0));
        sizes->insert();
        sizes->fieldByName(QStringLiteral("Size"))->setText(QStringLiteral("11/12"));
        click(d.OKBtn);
        // Reported, and the dialog closes with OK all the same.
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
    });
    QCOMPARE((*m_prompts)->shown().size(), 1);
    QCOMPARE((*m_prompts)->shown().first().kind, UserPrompts::Kind::Error);
    QVERIFY(
        (*m_prompts)->texts().first().startsWith(QStringLiteral("Error KP 11\r\nZift bestaat")));
    QCOMPARE(store().ReadBool(Setting::ShowWeeknrs), true);
    QCOMPARE(store().ReadInteger(Setting::Kperiodunit), 1);
    // The database was not reopened: the refused row is still being typed.
    QCOMPARE(sizes->state(), db::DataSet::State::Insert);
    QCOMPARE(m_dmod->KoudeCaption(), QStringLiteral("Dagen Koude:"));
}

void TestBroeiDataOptDlg::unwritableSettingsAreSkippedSilently()
{
    // A file in place of the machine-wide folder: nothing can be written.
    QFile blocker(m_home->filePath(QStringLiteral("machine-settings")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    showDataOptions([&](TBroeiDataOptDlg& d) {
        toForcingPage();
        click(d.ShowWeeknrs);
        click(d.TussenTunitopt->Button(0));
        click(d.OKBtn);
        QVERIFY(!d.isVisible());
    });
    QVERIFY((*m_prompts)->shown().isEmpty());
    QVERIFY(!store().ReadBool(Setting::ShowWeeknrs));
    QCOMPARE(store().ReadInteger(Setting::TussenTunit), 7);
    // This run goes by what was chosen; the database was reopened.
    QCOMPARE(m_dmod->TussenTunit(), 1);
    QCOMPARE(m_dmod->TussenTCaption(), QStringLiteral("Dagen 20oC na G"));
    QVERIFY(m_dmod->tbCdata()->isActive());
}

QTEST_MAIN(TestBroeiDataOptDlg)
#include "tst_broeidataoptdlg.moc"
