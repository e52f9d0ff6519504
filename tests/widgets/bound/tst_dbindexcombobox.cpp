#include "db/TDMod.h"
#include "db/engine/QueryView.h"
#include "db/engine/TableView.h"
#include "db/rules/CodedValues.h"
#include "widgets/bound/TDBIndexComboBox.h"

#include "support/OtherCopy.h"
#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using namespace kasplan;
using State = kasplan::db::DataSet::State;

namespace {

const QString kEditBlocked =
    QStringLiteral("Error KP 2\r\nStandaard DLV/LBO cultivar records kunnen niet bewerkt\r\n"
                   "worden, alleen door u toegevoegde records (zie instellingen).\r\n"
                   "Hint: maak eerst een copie (\"C\" knop) en bewerk dan de copie!");

} // namespace

// The main-group choice of the cultivar windows, bound to the data module's
// cultivar view: what it shows for each stored code, what a pick stores, and
// what it refuses.
class TestDBIndexComboBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void showsTheItemAtTheStoredPosition_data();
    void showsTheItemAtTheStoredPosition();
    void itemsAndBindingRedoTheDisplay();
    void pickIsStoredOnPost();
    void pickIsWrittenWhenTheFocusLeaves();
    void escapeReturnsToTheStoredItem();
    void nothingChangesWhenTheRecordCannotBeEdited_data();
    void nothingChangesWhenTheRecordCannotBeEdited();
    void refusedWriteBackKeepsTheFocus();

private:
    db::TableView* cdata() const { return m_dmod->tbCdata(); }
    void goTo(const QString& cultivar, const QString& source = QStringLiteral("NL"))
    {
        QVERIFY(cdata()->locate({"Cultivar", "Source"}, {cultivar, source}));
    }
    int hoofdgroep() const
    {
        return cdata()->fieldByName(QStringLiteral("Hoofdgroep"))->asInteger();
    }
    // The stored main group, read by a view of its own.
    QVariant storedHoofdgroep(const QString& cultivar, const QString& source);
    // A window with the combo box and an edit to move the focus to.
    void showWindow();
    // Picks an item from the dropped-down list with the mouse, as a user does.
    void pickWithTheMouse(int item);

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
    std::unique_ptr<TDMod> m_dmod;
    std::unique_ptr<QWidget> m_window;
    TDBIndexComboBox* m_combo = nullptr;
    QLineEdit* m_other = nullptr;
    bool m_permit = false;
};

void TestDBIndexComboBox::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
    m_db->addSampleRecords();
    const auto add = [this](const char* name, const QVariant& group, const char* status) {
        m_db->add(QStringLiteral("Cdata"), {{QStringLiteral("Cultivar"), QLatin1String(name)},
                                            {QStringLiteral("Source"), QStringLiteral("NL")},
                                            {QStringLiteral("Hoofdgroep"), group},
                                            {QStringLiteral("Status"), QLatin1String(status)}});
    };
    add("Elf", 11, "Toegevoegd");
    add("Min", -1, "Toegevoegd");
    add("Leeg", QVariant(), "Toegevoegd");
    add("Eigen", 1, "Toegevoegd");
    m_prompts = std::make_unique<ScopedScriptedPrompts>();
    m_permit = false;
    m_dmod = std::make_unique<TDMod>(m_db->session());
    m_dmod->CanDelEditStdRecsHook = [this] { return m_permit; };
    m_dmod->CultivarWindowExistsHook = [] { return true; };
    m_dmod->BindViews(QLatin1String(test::TestDatabase::Alias));
    m_dmod->OpenTables();

    m_window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(m_window.get());
    m_combo = new TDBIndexComboBox(m_dmod->dsCdata(), QStringLiteral("Hoofdgroep"),
                                   CodedValues::HoofdgroepItems());
    m_other = new QLineEdit;
    layout->addWidget(m_combo);
    layout->addWidget(m_other);
}

void TestDBIndexComboBox::cleanup()
{
    m_window.reset();
    m_dmod.reset();
    m_prompts.reset();
    m_db.reset();
}

QVariant TestDBIndexComboBox::storedHoofdgroep(const QString& cultivar, const QString& source)
{
    auto view = m_db->view(QStringLiteral("Cdata"));
    view->open();
    return view->lookup({"Cultivar", "Source"}, {cultivar, source}, QStringLiteral("Hoofdgroep"));
}

void TestDBIndexComboBox::showWindow()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_combo->setFocus();
    QTRY_VERIFY(m_combo->hasFocus());
}

void TestDBIndexComboBox::pickWithTheMouse(int item)
{
    m_combo->showPopup();
    QAbstractItemView* list = m_combo->view();
    QTRY_VERIFY(list->isVisible());
    const QRect cell = list->visualRect(list->model()->index(item, 0));
    QVERIFY(!cell.isEmpty());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QTRY_VERIFY(!list->isVisible());
}

void TestDBIndexComboBox::showsTheItemAtTheStoredPosition_data()
{
    QTest::addColumn<QString>("cultivar");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("index");
    QTest::newRow("3") << "Blenda"
                       << "NL"
                       << "Gladiolen GL" << 3;
    QTest::newRow("1") << "Apeldoorn"
                       << "NL"
                       << "Tulpen TU" << 1;
    QTest::newRow("11, past the end") << "Elf"
                                      << "NL" << QString() << -1;
    QTest::newRow("-1") << "Min"
                        << "NL" << QString() << -1;
    QTest::newRow("no value reads as 0") << "Leeg"
                                         << "NL"
                                         << "(algemeen)" << 0;
}

void TestDBIndexComboBox::showsTheItemAtTheStoredPosition()
{
    QFETCH(QString, cultivar);
    QFETCH(QString, source);
    QFETCH(QString, shown);
    QFETCH(int, index);
    goTo(cultivar, source);
    QCOMPARE(m_combo->currentText(), shown);
    QCOMPARE(m_combo->currentIndex(), index);
    // Showing writes nothing.
    QCOMPARE(cdata()->state(), State::Browse);
}

void TestDBIndexComboBox::itemsAndBindingRedoTheDisplay()
{
    goTo(QStringLiteral("Blenda"));
    QCOMPARE(m_combo->currentText(), QStringLiteral("Gladiolen GL"));
    // The first item with the text at the stored position is chosen.
    m_combo->setItems({"a", "b", "a", "b"});
    QCOMPARE(m_combo->currentIndex(), 1);
    m_combo->setItems(CodedValues::ProductTypeItems());
    QCOMPARE(m_combo->currentText(), QStringLiteral("Planten"));
    QCOMPARE(m_combo->items(), CodedValues::ProductTypeItems());
    m_combo->setDataField(QStringLiteral("ProductType"));
    QCOMPARE(m_combo->currentText(), QStringLiteral("(algemeen)"));
    // Without a bound field nothing is chosen.
    m_combo->setDataField(QStringLiteral("NoSuchField"));
    QCOMPARE(m_combo->currentIndex(), -1);
    m_combo->setDataField(QStringLiteral("Hoofdgroep"));
    m_combo->setItems(CodedValues::HoofdgroepItems());
    QCOMPARE(m_combo->currentIndex(), 3);
    m_combo->setDataSource(nullptr);
    QCOMPARE(m_combo->currentIndex(), -1);
    // Moving the view shows the new record's code.
    m_combo->setDataSource(m_dmod->dsCdata());
    goTo(QStringLiteral("Zebra"), QStringLiteral("US"));
    QCOMPARE(m_combo->currentText(), QStringLiteral("(algemeen)"));
}

void TestDBIndexComboBox::pickIsStoredOnPost()
{
    goTo(QStringLiteral("Eigen"));
    showWindow();
    pickWithTheMouse(10);
    QCOMPARE(m_combo->currentText(), QStringLiteral("Bijgoed BIJ"));
    QCOMPARE(cdata()->state(), State::Edit);
    QVERIFY(m_combo->dataLink().modified());
    // Not yet in the record: the position is written back when asked.
    QCOMPARE(hoofdgroep(), 1);
    cdata()->post();
    QCOMPARE(storedHoofdgroep(QStringLiteral("Eigen"), QStringLiteral("NL")), QVariant(10));
    // The data module's rules ran on the change.
    QCOMPARE(cdata()->fieldByName(QStringLiteral("Status"))->asString(),
             QStringLiteral("Toeg.\\Aangep."));
    QCOMPARE(m_combo->currentText(), QStringLiteral("Bijgoed BIJ"));
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestDBIndexComboBox::pickIsWrittenWhenTheFocusLeaves()
{
    goTo(QStringLiteral("Eigen"));
    showWindow();
    // The keyboard picks as well: End chooses the last item.
    QTest::keyClick(m_combo, Qt::Key_End);
    QCOMPARE(m_combo->currentIndex(), 10);
    QCOMPARE(hoofdgroep(), 1);
    QTest::keyClick(m_combo, Qt::Key_Tab);
    QTRY_VERIFY(m_other->hasFocus());
    QCOMPARE(hoofdgroep(), 10);
    QCOMPARE(cdata()->state(), State::Edit);
    // Nothing selected writes -1.
    m_combo->setFocus();
    QTRY_VERIFY(m_combo->hasFocus());
    m_combo->setCurrentIndex(-1);
    m_combo->dataLink().setModified();
    m_other->setFocus();
    QTRY_VERIFY(m_other->hasFocus());
    QCOMPARE(hoofdgroep(), -1);
}

void TestDBIndexComboBox::escapeReturnsToTheStoredItem()
{
    goTo(QStringLiteral("Eigen"));
    showWindow();
    pickWithTheMouse(10);
    QCOMPARE(m_combo->currentText(), QStringLiteral("Bijgoed BIJ"));
    QTest::keyClick(m_combo, Qt::Key_Escape);
    QCOMPARE(m_combo->currentText(), QStringLiteral("Tulpen TU"));
    QVERIFY(!m_combo->dataLink().modified());
    cdata()->post();
    QCOMPARE(storedHoofdgroep(QStringLiteral("Eigen"), QStringLiteral("NL")), QVariant(1));
}

void TestDBIndexComboBox::nothingChangesWhenTheRecordCannotBeEdited_data()
{
    QTest::addColumn<QString>("why");
    QTest::newRow("read-only control") << "readonly";
    QTest::newRow("read-only view") << "query";
    QTest::newRow("locked by another user") << "locked";
}

void TestDBIndexComboBox::nothingChangesWhenTheRecordCannotBeEdited()
{
    QFETCH(QString, why);
    std::unique_ptr<test::OtherCopy> anna;
    db::QueryView query(QStringLiteral("qCdata"));
    db::DataSource dsQuery(QStringLiteral("dsQuery"));
    if (why == QLatin1String("readonly")) {
        goTo(QStringLiteral("Eigen"));
        m_combo->setReadOnly(true);
    } else if (why == QLatin1String("query")) {
        // A record read by a query, shown but never changed.
        query.setSession(&m_db->session());
        query.setDatabaseName(QLatin1String(test::TestDatabase::Alias));
        query.setSql(
            QStringLiteral("SELECT Cultivar, Hoofdgroep FROM Cdata WHERE Cultivar = 'Eigen'"));
        dsQuery.setDataSet(&query);
        query.open();
        m_combo->setDataSource(&dsQuery);
    } else {
        anna = std::make_unique<test::OtherCopy>(m_db->location(), QStringLiteral("anna"), 60000);
        QVERIFY(anna->ready());
        QCOMPARE(anna->send({"edit", "Cdata", "Eigen", "NL"}), QStringLiteral("ok"));
        goTo(QStringLiteral("Eigen"));
    }
    QCOMPARE(m_combo->currentText(), QStringLiteral("Tulpen TU"));
    showWindow();
    const int messages = why == QLatin1String("locked") ? 1 : 0;

    pickWithTheMouse(10);
    QCOMPARE(m_combo->currentText(), QStringLiteral("Tulpen TU"));
    QCOMPARE((*m_prompts)->shown().size(), messages);
    if (messages)
        QVERIFY((*m_prompts)->texts().first().contains(QLatin1String("anna")));
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_End}) {
        (*m_prompts)->clear();
        QTest::keyClick(m_combo, key);
        QCOMPARE(m_combo->currentText(), QStringLiteral("Tulpen TU"));
        QCOMPARE((*m_prompts)->shown().size(), messages);
    }
    QVERIFY(!m_combo->dataLink().modified());
    QCOMPARE(cdata()->state(), State::Browse);
    QCOMPARE(storedHoofdgroep(QStringLiteral("Eigen"), QStringLiteral("NL")), QVariant(1));
}

void TestDBIndexComboBox::refusedWriteBackKeepsTheFocus()
{
    // A delivered cultivar's main group is protected.
    goTo(QStringLiteral("Apeldoorn"));
    showWindow();
    pickWithTheMouse(10);
    QCOMPARE(cdata()->state(), State::Edit);
    m_other->setFocus();
    QCOMPARE((*m_prompts)->texts(), QStringList{kEditBlocked});
    QTRY_VERIFY(m_combo->hasFocus());
    QCOMPARE(m_combo->currentText(), QStringLiteral("Tulpen TU"));
    QCOMPARE(cdata()->state(), State::Browse);
    QCOMPARE(storedHoofdgroep(QStringLiteral("Apeldoorn"), QStringLiteral("NL")), QVariant(1));

    // With the permission the same pick is taken.
    m_permit = true;
    pickWithTheMouse(10);
    m_other->setFocus();
    QTRY_VERIFY(m_other->hasFocus());
    cdata()->post();
    QCOMPARE(storedHoofdgroep(QStringLiteral("Apeldoorn"), QStringLiteral("NL")), QVariant(10));
    QCOMPARE(cdata()->fieldByName(QStringLiteral("Status"))->asString(),
             QStringLiteral("Aangepast"));
    QCOMPARE((*m_prompts)->shown().size(), 1);
}

QTEST_MAIN(TestDBIndexComboBox)
#include "tst_dbindexcombobox.moc"
