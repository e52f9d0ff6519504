#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "widgets/bound/TDBEdit.h"

#include "support/OtherCopy.h"
#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

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

// The single-line edit bound to a field of the data module's views: it shows
// the field's text, and what is typed goes through the field's entry handler
// and the data module's rules.
class TestDBEdit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void showsTheFieldOfTheCurrentRecord();
    void typedPeriodIsStoredInDays_data();
    void typedPeriodIsStoredInDays();
    void postAndMoveTakeTheTypedText();
    void escapeAndRefusedCharacters();
    void refusedOnAProtectedStandardRecord();
    void lockedRecordRefusesTheFirstKey();
    void fieldsThatCannotChangeAreReadOnly();

private:
    db::TableView* cdata() const { return m_dmod->tbCdata(); }
    db::TableView* csizes() const { return m_dmod->tbCsizes(); }
    void goTo(const QString& cultivar, const QString& source = QStringLiteral("NL"))
    {
        QVERIFY(cdata()->locate({"Cultivar", "Source"}, {cultivar, source}));
    }
    QVariant stored(const QString& table, const QVariantMap& key, const QString& field);
    // Binds the window's edit to a field, shows the window and puts the focus
    // in the edit, its text selected as on entering by Tab.
    void showEdit(db::DataSource* source, const QString& field);

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
    std::unique_ptr<TDMod> m_dmod;
    std::unique_ptr<QWidget> m_window;
    TDBEdit* m_edit = nullptr;
    TDBEdit* m_other = nullptr;
    bool m_permit = false;
};

void TestDBEdit::init()
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

    m_window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(m_window.get());
    m_edit = new TDBEdit;
    m_other = new TDBEdit(m_dmod->dsCdata(), QStringLiteral("Cultivar"));
    layout->addWidget(m_edit);
    layout->addWidget(m_other);
}

void TestDBEdit::cleanup()
{
    m_window.reset();
    m_dmod.reset();
    m_prompts.reset();
    m_db.reset();
}

QVariant TestDBEdit::stored(const QString& table, const QVariantMap& key, const QString& field)
{
    auto view = m_db->view(table);
    view->open();
    return view->lookup(key.keys(), key.values(), field);
}

void TestDBEdit::showEdit(db::DataSource* source, const QString& field)
{
    m_edit->setDataSource(source);
    m_edit->setDataField(field);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_other->setFocus();
    QTRY_VERIFY(m_other->hasFocus());
    QTest::keyClick(m_other, Qt::Key_Backtab);
    QTRY_VERIFY(m_edit->hasFocus());
}

void TestDBEdit::showsTheFieldOfTheCurrentRecord()
{
    m_edit->setDataSource(m_dmod->dsCsizes());
    m_edit->setDataField(QStringLiteral("Dk_p1_w"));
    goTo(QStringLiteral("Apeldoorn"));
    QVERIFY(csizes()->locate({"Size"}, {QStringLiteral("11/12")}));
    csizes()->edit();
    csizes()->fieldByName(QStringLiteral("Dk_p1_w"))->setValue(17);
    csizes()->post();
    // Stored in days, shown in weeks with the locale's decimal comma.
    QCOMPARE(m_edit->text(), QStringLiteral("2,5"));
    QVERIFY(csizes()->locate({"Size"}, {QStringLiteral("12/+")}));
    QCOMPARE(m_edit->text(), QString());
    m_dmod->setKperiodunit(1);
    QVERIFY(csizes()->locate({"Size"}, {QStringLiteral("11/12")}));
    QCOMPARE(m_edit->text(), QStringLiteral("17"));

    // A text field follows the master view and takes no more than it holds.
    m_edit->setDataSource(m_dmod->dsCdata());
    m_edit->setDataField(QStringLiteral("Blad"));
    QCOMPARE(m_edit->maxLength(), 1);
    m_edit->setDataField(QStringLiteral("Cultivar"));
    QCOMPARE(m_edit->text(), QStringLiteral("Apeldoorn"));
    cdata()->last();
    QCOMPARE(m_edit->text(), QStringLiteral("Zebra"));
    m_edit->setDataSource(nullptr);
    QCOMPARE(m_edit->text(), QString());
    QVERIFY(m_edit->QLineEdit::isReadOnly());
}

void TestDBEdit::typedPeriodIsStoredInDays_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QVariant>("days");
    QTest::newRow("2,5 weeks") << 7 << "2,5"
                               << "2,5" << QVariant(17);
    QTest::newRow("2 weeks") << 7 << "2"
                             << "2" << QVariant(14);
    QTest::newRow("2,3 weeks to the half") << 7 << "2,3"
                                           << "2,5" << QVariant(17);
    QTest::newRow("no minus sign") << 7 << "-3"
                                   << "3" << QVariant(21);
    QTest::newRow("emptied") << 7 << "" << QString() << QVariant();
    QTest::newRow("12 days") << 1 << "12"
                             << "12" << QVariant(12);
    QTest::newRow("no comma in days") << 1 << "1,2"
                                      << "12" << QVariant(12);
}

void TestDBEdit::typedPeriodIsStoredInDays()
{
    QFETCH(int, unit);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QVariant, days);
    m_dmod->setKperiodunit(unit);
    m_dmod->SetPeriodUnits();
    goTo(QStringLiteral("Apeldoorn"));
    QVERIFY(csizes()->locate({"Size"}, {QStringLiteral("11/12")}));
    csizes()->edit();
    csizes()->fieldByName(QStringLiteral("Dk_p1_w"))->setValue(35);
    csizes()->post();
    showEdit(m_dmod->dsCsizes(), QStringLiteral("Dk_p1_w"));
    QCOMPARE(m_edit->selectedText(), unit == 7 ? QStringLiteral("5") : QStringLiteral("35"));

    if (typed.isEmpty())
        QTest::keyClick(m_edit, Qt::Key_Backspace);
    else
        QTest::keyClicks(m_edit, typed);
    QCOMPARE(csizes()->state(), State::Edit);
    QTest::keyClick(m_edit, Qt::Key_Tab);
    QTRY_VERIFY(m_other->hasFocus());
    QCOMPARE(m_edit->text(), shown);
    QCOMPARE(csizes()->fieldByName(QStringLiteral("Dk_p1_w"))->value(), days);
    csizes()->post();
    const QVariantMap key{{"Cultivar", "Apeldoorn"}, {"Source", "NL"}, {"Size", "11/12"}};
    QCOMPARE(stored(QStringLiteral("Csizes"), key, QStringLiteral("Dk_p1_w")), days);
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestDBEdit::postAndMoveTakeTheTypedText()
{
    goTo(QStringLiteral("Apeldoorn"));
    showEdit(m_dmod->dsCdata(), QStringLiteral("Kleur"));
    QTest::keyClicks(m_edit, QStringLiteral("Rood"));
    // The focus is still in the edit: the post asks for the text.
    cdata()->post();
    const QVariantMap apeldoorn{{"Cultivar", "Apeldoorn"}, {"Source", "NL"}};
    QCOMPARE(stored(QStringLiteral("Cdata"), apeldoorn, QStringLiteral("Kleur")),
             QVariant(QStringLiteral("Rood")));
    // Not a protected field: the status stays.
    QCOMPARE(cdata()->fieldByName(QStringLiteral("Status"))->asString(), QStringLiteral("DLV/LBO"));

    // Moving on ends the edit with the typed text.
    QTest::keyClicks(m_edit, QStringLiteral("Geel"));
    QCOMPARE(m_edit->text(), QStringLiteral("RoodGeel"));
    cdata()->next();
    QCOMPARE(stored(QStringLiteral("Cdata"), apeldoorn, QStringLiteral("Kleur")),
             QVariant(QStringLiteral("RoodGeel")));
    QCOMPARE(m_edit->text(), QString());
    QCOMPARE(cdata()->state(), State::Browse);
}

void TestDBEdit::escapeAndRefusedCharacters()
{
    goTo(QStringLiteral("Apeldoorn"));
    showEdit(m_dmod->dsCsizes(), QStringLiteral("Dk_p1_w"));
    // Letters and the minus sign are not accepted by a period field.
    QTest::keyClicks(m_edit, QStringLiteral("a-1x,5"));
    QCOMPARE(m_edit->text(), QStringLiteral("1,5"));
    QTest::keyClick(m_edit, Qt::Key_Escape);
    QCOMPARE(m_edit->text(), QString());
    QCOMPARE(m_edit->selectedText(), QString());
    QTest::keyClick(m_edit, Qt::Key_Tab);
    QTRY_VERIFY(m_other->hasFocus());
    QVERIFY(csizes()->fieldByName(QStringLiteral("Dk_p1_w"))->isNull());
    csizes()->post();
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestDBEdit::refusedOnAProtectedStandardRecord()
{
    goTo(QStringLiteral("Apeldoorn"));
    showEdit(m_dmod->dsCdata(), QStringLiteral("Source"));
    QTest::keyClicks(m_edit, QStringLiteral("BE"));
    QCOMPARE(cdata()->state(), State::Edit);
    QTest::keyClick(m_edit, Qt::Key_Tab);
    // Shown once; the edit is undone, the control shows what is stored and
    // keeps the focus.
    QCOMPARE((*m_prompts)->texts(), QStringList{kEditBlocked});
    QCOMPARE(cdata()->state(), State::Browse);
    QTRY_VERIFY(m_edit->hasFocus());
    QCOMPARE(m_edit->text(), QStringLiteral("NL"));
    QCOMPARE(stored(QStringLiteral("Cdata"), {{"Cultivar", "Apeldoorn"}, {"Source", "NL"}},
                    QStringLiteral("Status")),
             QVariant(QStringLiteral("DLV/LBO")));

    // Allowed, the change is taken and marks the record.
    m_permit = true;
    (*m_prompts)->clear();
    m_edit->selectAll();
    QTest::keyClicks(m_edit, QStringLiteral("BE"));
    QTest::keyClick(m_edit, Qt::Key_Tab);
    QTRY_VERIFY(m_other->hasFocus());
    cdata()->post();
    QCOMPARE(stored(QStringLiteral("Cdata"), {{"Cultivar", "Apeldoorn"}, {"Source", "BE"}},
                    QStringLiteral("Status")),
             QVariant(QStringLiteral("Aangepast")));
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestDBEdit::lockedRecordRefusesTheFirstKey()
{
    test::OtherCopy anna(m_db->location(), QStringLiteral("anna"), 60000);
    QVERIFY(anna.ready());
    QCOMPARE(anna.send({"edit", "Cdata", "Apeldoorn", "NL"}), QStringLiteral("ok"));
    goTo(QStringLiteral("Apeldoorn"));
    showEdit(m_dmod->dsCdata(), QStringLiteral("Kleur"));
    QTest::keyClick(m_edit, Qt::Key_R);
    QCOMPARE((*m_prompts)->shown().size(), 1);
    QVERIFY((*m_prompts)
                ->texts()
                .first()
                .startsWith(
                    QLatin1String("Cultivar gegevens record met:\r\n    Cultivar: Apeldoorn\r\n")));
    QVERIFY((*m_prompts)->texts().first().contains(QLatin1String("anna")));
    QCOMPARE(m_edit->text(), QString());
    QCOMPARE(cdata()->state(), State::Browse);
    QTest::keyClick(m_edit, Qt::Key_Tab);
    QTRY_VERIFY(m_other->hasFocus());
    QCOMPARE((*m_prompts)->shown().size(), 1);

    // Once the other copy lets go, typing works.
    QCOMPARE(anna.send({"cancel", "Cdata"}), QStringLiteral("ok"));
    m_edit->setFocus();
    QTest::keyClick(m_edit, Qt::Key_R);
    QCOMPARE(m_edit->text(), QStringLiteral("r"));
    QCOMPARE(cdata()->state(), State::Edit);
}

void TestDBEdit::fieldsThatCannotChangeAreReadOnly()
{
    goTo(QStringLiteral("Apeldoorn"));
    const struct
    {
        const char* field;
        bool controlReadOnly;
        QString shown;
    } cases[] = {
        {"Kleur", true, QString()},
        // A calculated field shows, never takes.
        {"HoofdGroepAfk", false, QStringLiteral("TU")},
    };
    for (const auto& c : cases) {
        m_edit->setReadOnly(c.controlReadOnly);
        showEdit(m_dmod->dsCdata(), QLatin1String(c.field));
        QCOMPARE(m_edit->text(), c.shown);
        QTest::keyClicks(m_edit, QStringLiteral("xy"));
        QCOMPARE(m_edit->text(), c.shown);
        QCOMPARE(cdata()->state(), State::Browse);
        m_edit->setReadOnly(false);
    }
    QVERIFY((*m_prompts)->shown().isEmpty());
}

QTEST_MAIN(TestDBEdit)
#include "tst_dbedit.moc"
