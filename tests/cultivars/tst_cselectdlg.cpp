#include "core/Clock.h"
#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "cultivars/TCSelectDlg.h"
#include "db/TDMod.h"
#include "db/engine/DataSource.h"
#include "db/engine/TableView.h"
#include "widgets/bound/TDBGrid.h"
#include "widgets/bound/TDBNavigator.h"

#include "support/TestDatabase.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace kasplan;

namespace {

struct Key
{
    QChar key;
    int afterMs; // since the key before (or since the dialog was shown)
};

} // namespace

Q_DECLARE_METATYPE(QList<Key>)

// The cultivar selection dialog on a small database of its own.
class TestCSelectDlg : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void createdAsDesigned();
    void typeAhead_data();
    void typeAhead();
    void escapeClearsAndKeepsTheDialogOpen();
    void keysCountOnceFromAnyControl();
    void doubleClickOnASizeCloses();
    void everyCloseKeepsTheSelection_data();
    void everyCloseKeepsTheSelection();
    void stockOnlyComesFromTheSetting();
    void tabMovesBetweenGridsAndButtons();
    void movingTheRowEndsTheSearch_data();
    void movingTheRowEndsTheSearch();

private:
    void showDialog();
    void type(const QList<Key>& keys);
    QString current(const char* field) const
    {
        return m_dmod->tbCdata()->fieldByName(QLatin1String(field))->asString();
    }
    void selectCultivar(const QString& name, const QString& source);

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<TDMod> m_dmod;
    std::unique_ptr<TCSelectDlg> m_dialog;
    FixedClock* m_clock = nullptr;
};

void TestCSelectDlg::init()
{
    m_db = std::make_unique<test::TestDatabase>(); // KASPLAN_HOME in its folder
    QVERIFY(m_db->isValid());
    m_db->addSampleRecords();
    // Only Kees Nelis has forcing stock.
    for (const char* name : {"Kaufmanniana", "Kees Nelis"}) {
        m_db->add(QStringLiteral("Cdata"),
                  {{QStringLiteral("Cultivar"), QLatin1String(name)},
                   {QStringLiteral("Source"), QStringLiteral("NL")},
                   {QStringLiteral("Status"), QStringLiteral("DLV/LBO")},
                   {QStringLiteral("Broeivoorraad"), QLatin1String(name) == "Kees Nelis"}});
    }
    for (const char* size : {"11/12", "12/+"}) {
        m_db->add(QStringLiteral("Csizes"),
                  {{QStringLiteral("Cultivar"), QStringLiteral("Kees Nelis")},
                   {QStringLiteral("Source"), QStringLiteral("NL")},
                   {QStringLiteral("Size"), QLatin1String(size)},
                   {QStringLiteral("Aantal"), 400}});
    }
    auto clock = std::make_unique<FixedClock>(QDateTime(QDate(2025, 1, 10), QTime(10, 0)));
    m_clock = clock.get();
    Clock::install(std::move(clock));
    m_dmod = std::make_unique<TDMod>(m_db->session());
    m_dmod->BindViews(QLatin1String(test::TestDatabase::Alias));
    m_dmod->OpenTables();
    m_dialog = std::make_unique<TCSelectDlg>(*m_dmod);
}

void TestCSelectDlg::cleanup()
{
    m_dialog.reset();
    m_dmod.reset();
    Clock::install(nullptr);
    m_db.reset();
}

void TestCSelectDlg::showDialog()
{
    m_dialog->open();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
}

void TestCSelectDlg::type(const QList<Key>& keys)
{
    for (const Key& k : keys) {
        m_clock->set(m_clock->now().addMSecs(k.afterMs));
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus);
        if (k.key == QChar(8))
            QTest::keyClick(focus, Qt::Key_Backspace);
        else if (k.key == QChar(27))
            QTest::keyClick(focus, Qt::Key_Escape);
        else
            QTest::keyClick(focus, k.key.toLatin1());
    }
}

void TestCSelectDlg::selectCultivar(const QString& name, const QString& source)
{
    QVERIFY(m_dmod->tbCdata()->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                                      {name, source}));
}

void TestCSelectDlg::createdAsDesigned()
{
    TCSelectDlg& d = *m_dialog;
    QCOMPARE(d.windowTitle(), QStringLiteral("Selecteer Cultivar en Zift"));
    QCOMPARE(d.size(), QSize(713, 391));
    QVERIFY(d.HelpBtn->isHidden());
    QVERIFY(d.AlleenVoorraadCBox->isHidden());
    QVERIFY(d.OKBtn->isDefault());
    QStringList shownSizeColumns;
    for (int c = 0; c < d.DBGrid2->model()->columnCount(); ++c) {
        if (!d.DBGrid2->isColumnHidden(c))
            shownSizeColumns << d.DBGrid2->model()->headerData(c, Qt::Horizontal).toString();
    }
    QCOMPARE(shownSizeColumns, (QStringList{"Zift", "Status"}));
    QStringList cultivarColumns;
    for (int c = 0; c < d.DBGrid1->model()->columnCount(); ++c)
        cultivarColumns << d.DBGrid1->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(cultivarColumns, (QStringList{"Cultivar", "Herkomst", "Status"}));
    QCOMPARE(d.DBNavigator1->NextButton->toolTip(), QStringLiteral("Volgende"));
    // A button with only an icon says what it does when pointed at.
    for (const QAbstractButton* button : d.findChildren<QAbstractButton*>()) {
        if (button->text().isEmpty() && !button->icon().isNull())
            QVERIFY2(!button->toolTip().isEmpty(), qPrintable(button->objectName()));
    }
}

void TestCSelectDlg::typeAhead_data()
{
    QTest::addColumn<QList<Key>>("keys");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("cultivar");

    QTest::newRow("k and a within the window") << QList<Key>{{'k', 0}, {'a', 1296}} << "ka"
                                               << "Kaufmanniana";
    QTest::newRow("a pause starts anew") << QList<Key>{{'k', 0}, {'a', 1297}} << "a"
                                         << "Apeldoorn";
    QTest::newRow("k and e") << QList<Key>{{'k', 0}, {'e', 300}} << "ke"
                             << "Kees Nelis";
    QTest::newRow("capitals find small letters")
        << QList<Key>{{'A', 0}, {'P', 100}, {'R', 100}} << "APR"
        << "apricot";
    QTest::newRow("no match keeps the record")
        << QList<Key>{{'k', 0}, {'e', 100}, {'x', 100}} << "kex"
        << "Kees Nelis";
    QTest::newRow("backspace drops a letter")
        << QList<Key>{{'k', 0}, {'e', 100}, {QChar(8), 100}} << "k"
        << "Kaufmanniana";
    // The empty text is searched again: the first cultivar.
    QTest::newRow("backspace on nothing") << QList<Key>{{QChar(8), 100}} << ""
                                          << "Apeldoorn";
    QTest::newRow("a pause after backspace")
        << QList<Key>{{'k', 0}, {'e', 100}, {QChar(8), 100}, {'z', 1500}} << "z"
        << "Zebra";
}

void TestCSelectDlg::typeAhead()
{
    QFETCH(QList<Key>, keys);
    QFETCH(QString, typed);
    QFETCH(QString, cultivar);
    selectCultivar(QStringLiteral("Blenda"), QStringLiteral("NL"));
    showDialog();
    QVERIFY(m_dialog->DBGrid1->hasFocus());
    type(keys);
    QCOMPARE(m_dialog->FirstChars->text(), typed);
    QCOMPARE(current("Cultivar"), cultivar);
    // The grid shows the record found.
    QCOMPARE(m_dialog->DBGrid1->currentIndex().row(), m_dmod->tbCdata()->currentIndex());
}

void TestCSelectDlg::escapeClearsAndKeepsTheDialogOpen()
{
    showDialog();
    type({{'k', 0}, {'e', 100}});
    type({{QChar(27), 100}});
    QVERIFY(m_dialog->FirstChars->text().isEmpty());
    QCOMPARE(current("Cultivar"), QStringLiteral("Kees Nelis"));
    QVERIFY(m_dialog->isVisible());
    // Showing again starts with nothing typed.
    type({{'z', 100}});
    m_dialog->accept();
    showDialog();
    QVERIFY(m_dialog->FirstChars->text().isEmpty());
}

void TestCSelectDlg::keysCountOnceFromAnyControl()
{
    showDialog();
    for (QWidget* control :
         QList<QWidget*>{m_dialog->DBGrid2, m_dialog->OKBtn, m_dialog->DBNavigator1->NextButton}) {
        control->setFocus();
        type({{'k', 5000}});
        QCOMPARE(m_dialog->FirstChars->text(), QStringLiteral("k"));
        QCOMPARE(current("Cultivar"), QStringLiteral("Kaufmanniana"));
        selectCultivar(QStringLiteral("Zebra"), QStringLiteral("US"));
    }
}

void TestCSelectDlg::doubleClickOnASizeCloses()
{
    selectCultivar(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    showDialog();
    TDBGrid* sizes = m_dialog->DBGrid2;
    const QRect row = sizes->visualRect(sizes->model()->index(1, 0));
    // A double-click begins as a click.
    QTest::mouseClick(sizes->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(sizes->viewport(), Qt::LeftButton, {}, row.center());
    QTRY_VERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(current("Cultivar"), QStringLiteral("Apeldoorn"));
    QCOMPARE(current("Source"), QStringLiteral("NL"));
    QCOMPARE(m_dmod->tbCsizes()->fieldByName(QStringLiteral("Size"))->asString(),
             QStringLiteral("12/+"));
}

void TestCSelectDlg::everyCloseKeepsTheSelection_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("OK") << "ok";
    QTest::newRow("Enter") << "enter";
    QTest::newRow("close box") << "close";
    QTest::newRow("double-click on a cultivar") << "double-click";
}

void TestCSelectDlg::everyCloseKeepsTheSelection()
{
    QFETCH(QString, how);
    showDialog();
    // The user clicks Kees Nelis and its second size.
    TDBGrid* cultivars = m_dialog->DBGrid1;
    selectCultivar(QStringLiteral("Kees Nelis"), QStringLiteral("NL"));
    const int keesRow = m_dmod->tbCdata()->currentIndex();
    selectCultivar(QStringLiteral("Zebra"), QStringLiteral("US"));
    const QPoint keesCell = cultivars->visualRect(cultivars->model()->index(keesRow, 0)).center();
    QTest::mouseClick(cultivars->viewport(), Qt::LeftButton, {}, keesCell);
    m_dialog->DBGrid2->selectRow(1);
    cultivars->setFocus();

    if (how == "ok")
        QTest::mouseClick(m_dialog->OKBtn, Qt::LeftButton);
    else if (how == "enter")
        QTest::keyClick(cultivars, Qt::Key_Return);
    else if (how == "close")
        m_dialog->close();
    else
        QTest::mouseDClick(cultivars->viewport(), Qt::LeftButton, {}, keesCell);

    QTRY_VERIFY(!m_dialog->isVisible());
    QCOMPARE(current("Cultivar"), QStringLiteral("Kees Nelis"));
    QCOMPARE(m_dmod->tbCsizes()->fieldByName(QStringLiteral("Size"))->asString(),
             QStringLiteral("12/+"));
    QVERIFY(m_dialog->FirstChars->text().isEmpty());
}

void TestCSelectDlg::stockOnlyComesFromTheSetting()
{
    TZHRegistry::current().WriteBool(Setting::CSelectVoorraadOnly, true);
    selectCultivar(QStringLiteral("Kees Nelis"), QStringLiteral("NL"));
    showDialog();
    QVERIFY(m_dmod->VoorraadOnly());
    QVERIFY(m_dialog->AlleenVoorraadCBox->isChecked());
    QCOMPARE(m_dialog->DBGrid1->model()->rowCount(), 1);
    QCOMPARE(m_dialog->DBGrid1->model()->index(0, 0).data().toString(),
             QStringLiteral("Kees Nelis"));
    m_dialog->accept();

    // Closed: the filter is gone, the user's record kept and the setting
    // written back unchanged.
    QVERIFY(!m_dmod->VoorraadOnly());
    QVERIFY(!m_dmod->tbCdata()->filtered());
    QCOMPARE(m_dmod->tbCdata()->recordCount(), 8);
    QCOMPARE(current("Cultivar"), QStringLiteral("Kees Nelis"));
    QVERIFY(TZHRegistry::current().ReadBool(Setting::CSelectVoorraadOnly));

    TZHRegistry::current().WriteBool(Setting::CSelectVoorraadOnly, false);
    showDialog();
    QVERIFY(!m_dmod->VoorraadOnly());
    QCOMPARE(m_dialog->DBGrid1->model()->rowCount(), 8);
    m_dialog->accept();
}

void TestCSelectDlg::tabMovesBetweenGridsAndButtons()
{
    showDialog();
    TCSelectDlg& d = *m_dialog;
    const TDBNavigator& nav = *d.DBNavigator1;
    // On the first record "Eerste" and "Vorige" are disabled and skipped.
    QVERIFY(!nav.FirstButton->isEnabled() && !nav.PriorButton->isEnabled());
    const QList<QWidget*> order = {d.DBGrid1,      d.DBGrid2, nav.NextButton,
                                   nav.LastButton, d.OKBtn,   d.DBGrid1};
    QCOMPARE(QApplication::focusWidget(), d.DBGrid1);
    for (qsizetype i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), order[i]);
    }
    for (qsizetype i = order.size() - 2; i >= 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), order[i]);
    }
    // Within a grid the arrows move the row and keep the focus.
    const int row = m_dmod->tbCdata()->currentIndex();
    QTest::keyClick(d.DBGrid1, Qt::Key_Down);
    QCOMPARE(m_dmod->tbCdata()->currentIndex(), row + 1);
    QCOMPARE(QApplication::focusWidget(), d.DBGrid1);
    QVERIFY(d.FirstChars->text().isEmpty());
}

void TestCSelectDlg::movingTheRowEndsTheSearch_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("arrow key") << "down";
    QTest::newRow("navigator") << "next";
    QTest::newRow("click on a row") << "click";
}

void TestCSelectDlg::movingTheRowEndsTheSearch()
{
    QFETCH(QString, how);
    showDialog();
    type({{'k', 0}, {'e', 100}});
    QCOMPARE(current("Cultivar"), QStringLiteral("Kees Nelis"));

    TDBGrid* grid = m_dialog->DBGrid1;
    if (how == "down") {
        QTest::keyClick(grid, Qt::Key_Down);
    } else if (how == "next") {
        QTest::mouseClick(m_dialog->DBNavigator1->NextButton, Qt::LeftButton);
    } else {
        const QRect first = grid->visualRect(grid->model()->index(0, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, first.center());
    }
    QVERIFY(current("Cultivar") != QLatin1String("Kees Nelis"));
    QVERIFY(m_dialog->FirstChars->text().isEmpty());
    // The next letter starts a search of its own, however quick it comes.
    grid->setFocus();
    type({{'a', 100}});
    QCOMPARE(m_dialog->FirstChars->text(), QStringLiteral("a"));
    QCOMPARE(current("Cultivar"), QStringLiteral("Apeldoorn"));
}

QTEST_MAIN(TestCSelectDlg)
#include "tst_cselectdlg.moc"
