#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "widgets/bound/TDBComboBox.h"
#include "widgets/bound/TDBEdit.h"
#include "widgets/bound/TDBMemo.h"
#include "widgets/bound/TDBText.h"

#include "support/OtherCopy.h"
#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using namespace kasplan;
using State = kasplan::db::DataSet::State;

namespace {

const QStringList kKlasse{"ALG",     "ST",  "I", "I Japan", "II", "T",
                          "Telgoed", "SEL", "S", "SE",      "EE", "E"};

} // namespace

// The other controls of the cultivar window bound to the cultivar record: the
// status display, the remarks memo and the free-text combo box.
class TestDBTextControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void textFollowsTheRecordAndItsRules();
    void memoStoresLinesAndTakesThemBack();
    void comboBoxTakesSuggestionsAndFreeText_data();
    void comboBoxTakesSuggestionsAndFreeText();
    void refusalsAreShownOnceAndUndone();

private:
    db::TableView* cdata() const { return m_dmod->tbCdata(); }
    void goTo(const QString& cultivar, const QString& source = QStringLiteral("NL"))
    {
        QVERIFY(cdata()->locate({"Cultivar", "Source"}, {cultivar, source}));
    }
    QVariant stored(const QString& field);
    void focus(QWidget* control);

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
    std::unique_ptr<TDMod> m_dmod;
    std::unique_ptr<QWidget> m_window;
    TDBText* m_status = nullptr;
    TDBMemo* m_remarks = nullptr;
    TDBComboBox* m_klasse = nullptr;
    TDBEdit* m_source = nullptr;
    bool m_permit = false;
};

void TestDBTextControls::init()
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
    goTo(QStringLiteral("Apeldoorn"));

    m_window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(m_window.get());
    m_status = new TDBText(m_dmod->dsCdata(), QStringLiteral("Status"));
    m_remarks = new TDBMemo(m_dmod->dsCdata(), QStringLiteral("Remarks"));
    m_klasse = new TDBComboBox(m_dmod->dsCdata(), QStringLiteral("Klasse"), kKlasse);
    m_source = new TDBEdit(m_dmod->dsCdata(), QStringLiteral("Source"));
    for (QWidget* w : std::initializer_list<QWidget*>{m_status, m_remarks, m_klasse, m_source})
        layout->addWidget(w);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestDBTextControls::cleanup()
{
    m_window.reset();
    m_dmod.reset();
    m_prompts.reset();
    m_db.reset();
}

QVariant TestDBTextControls::stored(const QString& field)
{
    auto view = m_db->view(QStringLiteral("Cdata"));
    view->open();
    return view->lookup({"Cultivar", "Source"}, {"Apeldoorn", "NL"}, field);
}

void TestDBTextControls::focus(QWidget* control)
{
    control->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(control->hasFocus());
}

void TestDBTextControls::textFollowsTheRecordAndItsRules()
{
    QCOMPARE(m_status->text(), QStringLiteral("DLV/LBO"));
    // A change the rules answer with a new status shows at once.
    m_permit = true;
    focus(m_source);
    QTest::keyClicks(m_source, QStringLiteral("BE"));
    QCOMPARE(m_status->text(), QStringLiteral("DLV/LBO"));
    focus(m_remarks);
    QCOMPARE(m_status->text(), QStringLiteral("Aangepast"));
    cdata()->cancel();
    QCOMPARE(m_status->text(), QStringLiteral("DLV/LBO"));
    cdata()->last();
    QCOMPARE(m_status->text(), QStringLiteral("DLV/LBO"));
    m_status->setDataField(QStringLiteral("Cultivar"));
    QCOMPARE(m_status->text(), QStringLiteral("Zebra"));
    m_status->setDataSource(nullptr);
    QCOMPARE(m_status->text(), QString());
}

void TestDBTextControls::memoStoresLinesAndTakesThemBack()
{
    focus(m_remarks);
    QTest::keyClicks(m_remarks, QStringLiteral("regel een"));
    QTest::keyClick(m_remarks, Qt::Key_Return);
    QTest::keyClicks(m_remarks, QStringLiteral("regel twee"));
    QCOMPARE(cdata()->state(), State::Edit);
    // Tab leaves the memo, which writes its lines.
    QTest::keyClick(m_remarks, Qt::Key_Tab);
    QTRY_VERIFY(!m_remarks->hasFocus());
    cdata()->post();
    QCOMPARE(stored(QStringLiteral("Remarks")),
             QVariant(QStringLiteral("regel een\r\nregel twee")));
    cdata()->next();
    QCOMPARE(m_remarks->toPlainText(), QString());
    cdata()->prior();
    QCOMPARE(m_remarks->toPlainText(), QStringLiteral("regel een\nregel twee"));

    // Escape goes back to the field's text.
    focus(m_remarks);
    m_remarks->moveCursor(QTextCursor::End);
    QTest::keyClicks(m_remarks, QStringLiteral(" en meer"));
    QTest::keyClick(m_remarks, Qt::Key_Escape);
    QCOMPARE(m_remarks->toPlainText(), QStringLiteral("regel een\nregel twee"));
    cdata()->post();
    QCOMPARE(stored(QStringLiteral("Remarks")),
             QVariant(QStringLiteral("regel een\r\nregel twee")));
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestDBTextControls::comboBoxTakesSuggestionsAndFreeText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("pick");
    QTest::addColumn<QString>("stored");
    QTest::newRow("a suggestion") << QString() << 3 << "I Japan";
    QTest::newRow("free text") << "Extra" << -1 << "Extra";
    QTest::newRow("no completion") << "S" << -1 << "S";
    QTest::newRow("no more than the field holds") << "ABCDEFGHIJKL" << -1 << "ABCDEFGHIJ";
}

void TestDBTextControls::comboBoxTakesSuggestionsAndFreeText()
{
    QFETCH(QString, typed);
    QFETCH(int, pick);
    QFETCH(QString, stored);
    QCOMPARE(m_klasse->count(), kKlasse.size());
    QCOMPARE(m_klasse->currentText(), QString());
    focus(m_klasse);
    if (pick >= 0) {
        m_klasse->showPopup();
        QAbstractItemView* list = m_klasse->view();
        QTRY_VERIFY(list->isVisible());
        const QRect cell = list->visualRect(list->model()->index(pick, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTRY_VERIFY(!list->isVisible());
    } else {
        QTest::keyClicks(m_klasse, typed);
    }
    QCOMPARE(cdata()->state(), State::Edit);
    focus(m_source);
    QCOMPARE(m_klasse->currentText(), stored);
    cdata()->post();
    QCOMPARE(this->stored(QStringLiteral("Klasse")), QVariant(stored));
    // Not a protected field: the delivered record keeps its status.
    QCOMPARE(this->stored(QStringLiteral("Status")), QVariant(QStringLiteral("DLV/LBO")));
    // Nothing was added to the suggestions.
    QCOMPARE(m_klasse->count(), kKlasse.size());
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestDBTextControls::refusalsAreShownOnceAndUndone()
{
    test::OtherCopy anna(m_db->location(), QStringLiteral("anna"), 60000);
    QVERIFY(anna.ready());
    QCOMPARE(anna.send({"edit", "Cdata", "Apeldoorn", "NL"}), QStringLiteral("ok"));
    const struct
    {
        QWidget* control;
        std::function<QString()> shown;
    } cases[] = {
        {m_remarks, [this] { return m_remarks->toPlainText(); }},
        {m_klasse, [this] { return m_klasse->currentText(); }},
    };
    for (const auto& c : cases) {
        (*m_prompts)->clear();
        focus(c.control);
        QTest::keyClicks(c.control, QStringLiteral("x"));
        QCOMPARE((*m_prompts)->shown().size(), 1);
        QVERIFY((*m_prompts)->texts().first().contains(QLatin1String("anna")));
        QCOMPARE(c.shown(), QString());
        QCOMPARE(cdata()->state(), State::Browse);
    }
    // A suggestion picked is refused the same way.
    (*m_prompts)->clear();
    m_klasse->showPopup();
    QAbstractItemView* list = m_klasse->view();
    QTRY_VERIFY(list->isVisible());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(1, 0)).center());
    QTRY_VERIFY(!list->isVisible());
    QCOMPARE((*m_prompts)->shown().size(), 1);
    QCOMPARE(m_klasse->currentText(), QString());
    QCOMPARE(cdata()->state(), State::Browse);
}

QTEST_MAIN(TestDBTextControls)
#include "tst_dbtextcontrols.moc"
