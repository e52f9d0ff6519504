#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "widgets/bound/TDBGrid.h"

#include "support/OtherCopy.h"
#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace kasplan;
using State = kasplan::db::DataSet::State;

namespace {

const QString kEditBlocked =
    QStringLiteral("Error KP 2\r\nStandaard DLV/LBO cultivar records kunnen niet bewerkt\r\n"
                   "worden, alleen door u toegevoegde records (zie instellingen).\r\n"
                   "Hint: maak eerst een copie (\"C\" knop) en bewerk dan de copie!");

enum GridColumn { Zift, Status, Koude };

} // namespace

// The size grid of the cultivar window, editable in place: a lookup column
// choosing from the size list, a read-only column, and a week-or-day column,
// all through the data module's rules.
class TestDBGridEditing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void lookupColumnChoosesFromTheSizeList_data();
    void lookupColumnChoosesFromTheSizeList();
    void typedTextGoesThroughTheEntryHandler();
    void postAndEscapeWithAnOpenEditor();
    void insertedRecordHasARowOfItsOwn();
    void lockedRecordOpensNoEdit();
    void onlyEditableCellsOpenAnEditor();

private:
    db::TableView* csizes() const { return m_dmod->tbCsizes(); }
    QStringList storedSizes();
    QString cell(int row, int column) const
    {
        return m_grid->model()->index(row, column).data().toString();
    }
    void clickCell(int row, int column);
    QWidget* editor() const { return m_grid->indexWidget(m_grid->currentIndex()); }

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
    std::unique_ptr<TDMod> m_dmod;
    std::unique_ptr<TDBGrid> m_grid;
    bool m_permit = false;
};

void TestDBGridEditing::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
    m_db->addSampleRecords();
    m_prompts = std::make_unique<ScopedScriptedPrompts>();
    m_permit = false;
    m_dmod = std::make_unique<TDMod>(m_db->session());
    m_dmod->CanDelEditStdRecsHook = [this] { return m_permit; };
    m_dmod->CultivarWindowExistsHook = [] { return true; };
    m_dmod->BindViews(QLatin1String(test::TestDatabase::Alias));
    m_dmod->OpenTables();
    m_dmod->SetPeriodUnits();
    QVERIFY(m_dmod->tbCdata()->locate({"Cultivar", "Source"}, {"Apeldoorn", "NL"}));

    using Column = DataSetTableModel::Column;
    m_grid = std::make_unique<TDBGrid>(
        m_dmod->dsCsizes(),
        QList<Column>{{.field = "SizeLU", .title = "Zift", .width = 60, .dropDownRows = 14},
                      {.field = "Status", .width = 80, .readOnly = true},
                      {.field = "Dk_p1_w", .title = "Koude", .width = 50}});
    m_grid->setEditable(true);
    new QAbstractItemModelTester(
        m_grid->gridModel(), QAbstractItemModelTester::FailureReportingMode::QtTest, m_grid.get());
    m_grid->resize(300, 200);
    m_grid->show();
    QVERIFY(QTest::qWaitForWindowActive(m_grid.get()));
}

void TestDBGridEditing::cleanup()
{
    m_grid.reset();
    m_dmod.reset();
    m_prompts.reset();
    m_db.reset();
}

QStringList TestDBGridEditing::storedSizes()
{
    auto view = m_db->view(QStringLiteral("Csizes"));
    view->open();
    QStringList sizes;
    for (view->first(); !view->eof(); view->next()) {
        if (view->fieldByName(QStringLiteral("Cultivar"))->asString() ==
                QLatin1String("Apeldoorn") &&
            view->fieldByName(QStringLiteral("Source"))->asString() == QLatin1String("NL"))
            sizes.append(view->fieldByName(QStringLiteral("Size"))->asString());
    }
    return sizes;
}

void TestDBGridEditing::clickCell(int row, int column)
{
    const QRect r = m_grid->visualRect(m_grid->model()->index(row, column));
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(m_grid->currentIndex().row(), row);
    QCOMPARE(m_grid->currentIndex().column(), column);
}

void TestDBGridEditing::lookupColumnChoosesFromTheSizeList_data()
{
    QTest::addColumn<bool>("permit");
    QTest::newRow("delivered size, not allowed") << false;
    QTest::newRow("delivered size, allowed") << true;
}

void TestDBGridEditing::lookupColumnChoosesFromTheSizeList()
{
    QFETCH(bool, permit);
    m_permit = permit;
    QCOMPARE(cell(0, Zift), QStringLiteral("11/12"));
    QCOMPARE(cell(1, Zift), QStringLiteral("12/+"));
    clickCell(1, Zift);
    QTest::keyClick(m_grid.get(), Qt::Key_F2);
    auto* list = qobject_cast<QComboBox*>(editor());
    QVERIFY(list);
    QVERIFY(m_grid->cellEditorOpen());
    QCOMPARE(list->maxVisibleItems(), 14);
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items.append(list->itemText(i));
    QCOMPARE(items, (QStringList{"10/11", "11/12", "12/+"}));
    QCOMPARE(list->currentText(), QStringLiteral("12/+"));
    // Opening the editor is no change yet.
    QCOMPARE(csizes()->state(), State::Browse);

    QTest::keyClick(list, Qt::Key_Home);
    if (!permit) {
        QCOMPARE((*m_prompts)->texts(), QStringList{kEditBlocked});
        QTRY_VERIFY(!m_grid->cellEditorOpen());
        QCOMPARE(csizes()->state(), State::Browse);
        QCOMPARE(cell(1, Zift), QStringLiteral("12/+"));
        QCOMPARE(storedSizes(), (QStringList{"11/12", "12/+"}));
        return;
    }
    // The choice is in the record at once, with the rules' follow-up.
    QCOMPARE(csizes()->state(), State::Edit);
    QCOMPARE(csizes()->fieldByName(QStringLiteral("Size"))->asString(), QStringLiteral("10/11"));
    QCOMPARE(csizes()->fieldByName(QStringLiteral("PG_unit"))->asInteger(), 1);
    QCOMPARE(cell(1, Status), QStringLiteral("Aangepast"));
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(!m_grid->cellEditorOpen());
    // Another row posts the change, and its record becomes current where the
    // posted one took its place in the order.
    const QRect row0 = m_grid->visualRect(m_grid->model()->index(0, Koude));
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, row0.center());
    QCOMPARE(storedSizes(), (QStringList{"10/11", "11/12"}));
    QCOMPARE(csizes()->fieldByName(QStringLiteral("Size"))->asString(), QStringLiteral("11/12"));
    QCOMPARE(m_grid->currentIndex(), m_grid->model()->index(1, Koude));
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestDBGridEditing::typedTextGoesThroughTheEntryHandler()
{
    clickCell(0, Koude);
    // The first key opens the editor and is its first character; a
    // character the field does not take is refused.
    QTest::keyClicks(m_grid.get(), QStringLiteral("2"));
    QVERIFY(m_grid->cellEditorOpen());
    auto* edit = qobject_cast<QLineEdit*>(editor());
    QVERIFY(edit);
    QTest::keyClicks(edit, QStringLiteral("x,5"));
    QCOMPARE(edit->text(), QStringLiteral("2,5"));
    QCOMPARE(csizes()->state(), State::Edit);
    QTest::keyClick(edit, Qt::Key_Return);
    QTRY_VERIFY(!m_grid->cellEditorOpen());
    QCOMPARE(csizes()->fieldByName(QStringLiteral("Dk_p1_w"))->asInteger(), 17);
    QCOMPARE(cell(0, Koude), QStringLiteral("2,5"));
    // The record is posted when the grid moves on.
    QTest::keyClick(m_grid.get(), Qt::Key_Down);
    QCOMPARE(csizes()->state(), State::Browse);
    QCOMPARE(csizes()->fieldByName(QStringLiteral("Size"))->asString(), QStringLiteral("12/+"));
    QVERIFY(csizes()->locate({"Size"}, {QStringLiteral("11/12")}));
    QCOMPARE(csizes()->fieldByName(QStringLiteral("Dk_p1_w"))->asInteger(), 17);
    // A soil forcing field would be protected, this water one is not.
    QCOMPARE(csizes()->fieldByName(QStringLiteral("Status"))->asString(), QString());
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestDBGridEditing::postAndEscapeWithAnOpenEditor()
{
    clickCell(0, Koude);
    QTest::keyClicks(m_grid.get(), QStringLiteral("3"));
    QVERIFY(m_grid->cellEditorOpen());
    // A post from elsewhere takes the text still in the editor.
    csizes()->post();
    QCOMPARE(csizes()->fieldByName(QStringLiteral("Dk_p1_w"))->asInteger(), 21);
    QCOMPARE(csizes()->state(), State::Browse);

    // Escape closes the editor on the stored value; a second Escape gives
    // up the record's edit.
    QTest::keyClick(editor(), Qt::Key_Escape);
    QTRY_VERIFY(!m_grid->cellEditorOpen());
    QTest::keyClicks(m_grid.get(), QStringLiteral("4"));
    QCOMPARE(csizes()->state(), State::Edit);
    QTest::keyClick(editor(), Qt::Key_Escape);
    QTRY_VERIFY(!m_grid->cellEditorOpen());
    QCOMPARE(cell(0, Koude), QStringLiteral("3"));
    QCOMPARE(csizes()->state(), State::Edit);
    QTest::keyClick(m_grid.get(), Qt::Key_Escape);
    QCOMPARE(csizes()->state(), State::Browse);
    QCOMPARE(csizes()->fieldByName(QStringLiteral("Dk_p1_w"))->asInteger(), 21);
}

void TestDBGridEditing::insertedRecordHasARowOfItsOwn()
{
    clickCell(1, Zift);
    csizes()->insert();
    QCOMPARE(m_grid->model()->rowCount(), 3);
    QCOMPARE(m_grid->currentIndex().row(), 1);
    QCOMPARE(cell(0, Zift), QStringLiteral("11/12"));
    QCOMPARE(cell(1, Zift), QString());
    QCOMPARE(cell(1, Status), QStringLiteral("Toegevoegd"));
    QCOMPARE(cell(2, Zift), QStringLiteral("12/+"));

    QTest::keyClick(m_grid.get(), Qt::Key_F2);
    auto* list = qobject_cast<QComboBox*>(editor());
    QVERIFY(list);
    QTest::keyClick(list, Qt::Key_Home);
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(!m_grid->cellEditorOpen());
    QCOMPARE(cell(1, Zift), QStringLiteral("10/11"));
    QCOMPARE(csizes()->state(), State::Insert);

    // Clicking the row below posts the new size and goes to the record that
    // row showed, where the new one took its place in the order.
    clickCell(2, Koude);
    QCOMPARE(csizes()->state(), State::Browse);
    QCOMPARE(storedSizes(), (QStringList{"10/11", "11/12", "12/+"}));
    QCOMPARE(csizes()->fieldByName(QStringLiteral("Size"))->asString(), QStringLiteral("12/+"));
    QCOMPARE(m_grid->currentIndex().row(), 2);
    QCOMPARE(cell(0, Zift), QStringLiteral("10/11"));

    // Escape gives up an insert: its row goes again.
    csizes()->append();
    QCOMPARE(m_grid->model()->rowCount(), 4);
    QCOMPARE(m_grid->currentIndex().row(), 3);
    QTest::keyClick(m_grid.get(), Qt::Key_Escape);
    QCOMPARE(m_grid->model()->rowCount(), 3);
    QCOMPARE(csizes()->state(), State::Browse);
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestDBGridEditing::lockedRecordOpensNoEdit()
{
    test::OtherCopy anna(m_db->location(), QStringLiteral("anna"), 60000);
    QVERIFY(anna.ready());
    QCOMPARE(anna.send({"edit", "Csizes", "Apeldoorn", "NL", "11/12"}), QStringLiteral("ok"));
    clickCell(0, Koude);
    QTest::keyClicks(m_grid.get(), QStringLiteral("3"));
    QCOMPARE((*m_prompts)->shown().size(), 1);
    QVERIFY(
        (*m_prompts)
            ->texts()
            .first()
            .startsWith(QLatin1String(
                "Cultivar gegevens record met:\r\n    Cultivar: Apeldoorn\r\n    Zift: 11/12")));
    QTRY_VERIFY(!m_grid->cellEditorOpen());
    QCOMPARE(csizes()->state(), State::Browse);
    QCOMPARE(cell(0, Koude), QString());
}

void TestDBGridEditing::onlyEditableCellsOpenAnEditor()
{
    QVERIFY(m_grid->model()->flags(m_grid->model()->index(0, Zift)) & Qt::ItemIsEditable);
    QVERIFY(!(m_grid->model()->flags(m_grid->model()->index(0, Status)) & Qt::ItemIsEditable));
    clickCell(0, Status);
    QTest::keyClick(m_grid.get(), Qt::Key_F2);
    QVERIFY(!m_grid->cellEditorOpen());
    // A grid no window made editable never opens an editor.
    m_grid->setEditable(false);
    clickCell(0, Koude);
    QTest::keyClicks(m_grid.get(), QStringLiteral("3"));
    QTest::keyClick(m_grid.get(), Qt::Key_F2);
    QVERIFY(!m_grid->cellEditorOpen());
    QCOMPARE(csizes()->state(), State::Browse);
}

QTEST_MAIN(TestDBGridEditing)
#include "tst_dbgridediting.moc"
