#include "cultivars/TNewCultivarForm.h"
#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "widgets/bound/TDBEdit.h"
#include "widgets/bound/TDBIndexComboBox.h"

#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"
#include "support/WhenShown.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace kasplan;
using State = kasplan::db::DataSet::State;

namespace {

const QString kCultivarExists =
    QStringLiteral("Error KP 3\r\nCultivarnaam - Herkomst combinatie bestaat reeds;\r\n"
                   "wijzig Cultivarnaam en/of Herkomst of klik op Cancel!");

// Replaces what an edit shows by typing, as a user does.
void typeInto(QLineEdit* edit, const QString& text)
{
    edit->setFocus(Qt::TabFocusReason);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, text);
}

} // namespace

// The new-cultivar dialog in the data module's two flows that show it: an
// insert into the cultivar list, and a copy of a cultivar.
class TestNewCultivarForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void createdAsDesigned();
    void addingTakesTheListsMainGroup_data();
    void addingTakesTheListsMainGroup();
    void escapeClosesNothing();
    void noNameNoRecord_data();
    void noNameNoRecord();
    void refusedPostKeepsItOpen();
    void copyLocksTheName_data();
    void copyLocksTheName();

private:
    db::TableView* cdata() const { return m_dmod->tbCdata(); }
    QStringList stored(const QString& table);

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<TDMod> m_dmod;
    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
    int m_mainGroup = 0; // the cultivar list's choice
};

void TestNewCultivarForm::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
    m_db->addSampleRecords();
    m_prompts = std::make_unique<ScopedScriptedPrompts>();
    m_dmod = std::make_unique<TDMod>(m_db->session());
    m_mainGroup = 0;
    m_dmod->StdOogstTypeHook = [] { return 1; };
    m_dmod->CanDelEditStdRecsHook = [] { return false; };
    m_dmod->CultivarWindowExistsHook = [] { return true; };
    m_dmod->CultivarWindowVisibleHook = [] { return true; };
    m_dmod->HoofdgroepChoiceHook = [this] { return m_mainGroup; };
    m_dmod->NewCultivarDialogHook = [this] { return TNewCultivarForm::Confirm(*m_dmod, nullptr); };
    m_dmod->BindViews(QLatin1String(test::TestDatabase::Alias));
    m_dmod->OpenTables();
}

void TestNewCultivarForm::cleanup()
{
    m_dmod.reset();
    m_prompts.reset();
    m_db.reset();
}

// The stored keys of a table, one "cultivar|source[|size]" a record.
QStringList TestNewCultivarForm::stored(const QString& table)
{
    auto view = m_db->view(table);
    view->open();
    QStringList keys;
    for (view->first(); !view->eof(); view->next()) {
        QStringList key;
        for (const QString& f : view->tableDef().primaryKey)
            key << view->fieldByName(f)->asString();
        keys << key.join(QLatin1Char('|'));
    }
    return keys;
}

void TestNewCultivarForm::createdAsDesigned()
{
    TNewCultivarForm f(*m_dmod);
    QCOMPARE(f.windowTitle(), QStringLiteral("Vul Cultivar / Herkomst in"));
    QCOMPARE(f.size(), QSize(352, 183));
    QVERIFY(!(f.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(f.windowFlags() & Qt::WindowSystemMenuHint));
    QCOMPARE(f.Label1->text(), QStringLiteral("Cultivar naam"));
    QCOMPARE(f.Label2->text(), QStringLiteral("Herkomst"));
    QCOMPARE(f.HGLabel->text(), QStringLiteral("Hoofdgroep"));
    QCOMPARE(f.DBEdit1->dataField(), QStringLiteral("Cultivar"));
    QCOMPARE(f.DBEdit2->dataField(), QStringLiteral("Source"));
    QCOMPARE(f.HoofdGroepDBIndexComboBox->dataField(), QStringLiteral("Hoofdgroep"));
    QCOMPARE(f.HoofdGroepDBIndexComboBox->items(),
             (QStringList{"(algemeen)", "Tulpen TU", "Iris IR", "Gladiolen GL", "Dahlia DA",
                          "Vaste Planten VP", "Narcissen NA", "Hyacinthen HY", "Lelies LE",
                          "Krokussen KR", "Bijgoed BIJ"}));
    QVERIFY(f.Button1->isDefault());
    QCOMPARE(f.Button1->text(), QStringLiteral("OK"));
    QCOMPARE(f.Button2->text(), QStringLiteral("Cancel"));
}

void TestNewCultivarForm::addingTakesTheListsMainGroup_data()
{
    QTest::addColumn<int>("choice"); // item of the cultivar list's main-group choice
    QTest::addColumn<bool>("enter"); // Enter in the source edit, else a click on OK
    QTest::addColumn<QString>("shown");
    QTest::newRow("Alle") << 0 << false << "(algemeen)";
    QTest::newRow("Tulpen TU") << 1 << true << "Tulpen TU";
    QTest::newRow("Vaste Planten VP") << 5 << false << "Vaste Planten VP";
}

void TestNewCultivarForm::addingTakesTheListsMainGroup()
{
    QFETCH(int, choice);
    QFETCH(bool, enter);
    QFETCH(QString, shown);
    m_mainGroup = choice;
    QString shownGroup;
    test::whenShown<TNewCultivarForm>(this, [&](TNewCultivarForm& f) {
        QVERIFY(f.DBEdit1->isEnabled());
        QVERIFY(f.DBEdit1->hasFocus());
        shownGroup = f.HoofdGroepDBIndexComboBox->currentText();
        QTest::keyClicks(f.DBEdit1, "Nieuw");
        typeInto(f.DBEdit2, "BE");
        if (enter)
            QTest::keyClick(f.DBEdit2, Qt::Key_Return);
        else
            QTest::mouseClick(f.Button1, Qt::LeftButton);
        QVERIFY(!f.isVisible());
    });
    cdata()->append();
    QCOMPARE(shownGroup, shown);
    QVERIFY((*m_prompts)->shown().isEmpty());
    // Posted; back in edit for the grower to go on; the size "Alle" added.
    QCOMPARE(cdata()->state(), State::Edit);
    QCOMPARE(cdata()->fieldByName("Hoofdgroep")->asInteger(), choice);
    QVERIFY(stored("Cdata").contains("Nieuw|BE"));
    QVERIFY(stored("Csizes").contains("Nieuw|BE|Alle"));
    cdata()->cancel();
}

void TestNewCultivarForm::escapeClosesNothing()
{
    const QStringList before = stored("Cdata");
    bool openAfterEscape = false;
    test::whenShown<TNewCultivarForm>(this, [&](TNewCultivarForm& f) {
        QTest::keyClicks(f.DBEdit1, "Nieuw");
        for (QWidget* w : QList<QWidget*>{f.DBEdit1, f.DBEdit2, f.HoofdGroepDBIndexComboBox,
                                          f.Button1, f.Button2}) {
            w->setFocus(Qt::TabFocusReason);
            QTest::keyClick(w, Qt::Key_Escape);
        }
        QTest::keyClick(&f, Qt::Key_Escape);
        openAfterEscape = f.isVisible();
        QTest::mouseClick(f.Button2, Qt::LeftButton);
    });
    cdata()->append();
    QVERIFY(openAfterEscape);
    QCOMPARE(cdata()->state(), State::Browse);
    QCOMPARE(stored("Cdata"), before);
}

void TestNewCultivarForm::noNameNoRecord_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << QString();
    QTest::newRow("only spaces") << "   ";
}

// OK without a name keeps the dialog open and writes nothing, without a
// message; Cancel then leaves nothing behind.
void TestNewCultivarForm::noNameNoRecord()
{
    QFETCH(QString, name);
    const QStringList before = stored("Cdata");
    bool openAfterOk = false;
    test::whenShown<TNewCultivarForm>(this, [&](TNewCultivarForm& f) {
        QTest::keyClicks(f.DBEdit1, name);
        typeInto(f.DBEdit2, "BE");
        QTest::mouseClick(f.Button1, Qt::LeftButton);
        QTest::keyClick(f.DBEdit2, Qt::Key_Return);
        openAfterOk = f.isVisible();
        QCOMPARE(stored("Cdata"), before);
        QTest::mouseClick(f.Button2, Qt::LeftButton);
    });
    cdata()->append();
    QVERIFY(openAfterOk);
    QVERIFY((*m_prompts)->shown().isEmpty());
    QCOMPARE(cdata()->state(), State::Browse);
    QCOMPARE(stored("Cdata"), before);
}

void TestNewCultivarForm::refusedPostKeepsItOpen()
{
    const QStringList before = stored("Cdata");
    bool openAfterOk = false;
    test::whenShown<TNewCultivarForm>(this, [&](TNewCultivarForm& f) {
        QTest::keyClicks(f.DBEdit1, "Apeldoorn");
        typeInto(f.DBEdit2, "NL");
        QTest::mouseClick(f.Button1, Qt::LeftButton);
        openAfterOk = f.isVisible();
        QTest::mouseClick(f.Button2, Qt::LeftButton);
    });
    cdata()->append();
    QVERIFY(openAfterOk);
    QCOMPARE((*m_prompts)->texts(), QStringList{kCultivarExists});
    QCOMPARE(stored("Cdata"), before);
}

void TestNewCultivarForm::copyLocksTheName_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

// A copy of Blenda (main group 3) while the list shows "Vaste Planten VP".
void TestNewCultivarForm::copyLocksTheName()
{
    QFETCH(bool, confirm);
    m_mainGroup = 5;
    const QStringList cdataBefore = stored("Cdata");
    const QStringList sizesBefore = stored("Csizes");
    const QStringList harvestBefore = stored("Cstdoogst");
    QString shownSource;
    QString shownGroup;
    test::whenShown<TNewCultivarForm>(this, [&](TNewCultivarForm& f) {
        QVERIFY(!f.DBEdit1->isEnabled());
        QCOMPARE(f.DBEdit1->text(), QStringLiteral("Blenda"));
        QVERIFY(f.DBEdit2->hasFocus());
        shownSource = f.DBEdit2->text();
        shownGroup = f.HoofdGroepDBIndexComboBox->currentText();
        QTest::keyClick(f.DBEdit2, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(f.DBEdit2, "BE");
        QTest::keyClick(&f, Qt::Key_Escape);
        QVERIFY(f.isVisible());
        QTest::mouseClick(confirm ? f.Button1 : f.Button2, Qt::LeftButton);
    });
    QVERIFY(cdata()->locate({"Cultivar", "Source"}, {"Blenda", "NL"}));
    m_dmod->CopyCultivar();
    QCOMPARE(shownSource, QStringLiteral("NL1"));
    QCOMPARE(shownGroup, QStringLiteral("Gladiolen GL"));
    QVERIFY((*m_prompts)->shown().isEmpty());
    QVERIFY(!m_dmod->Copying());
    if (confirm) {
        QCOMPARE(stored("Cdata").size(), cdataBefore.size() + 1);
        QVERIFY(stored("Cdata").contains("Blenda|BE"));
        QVERIFY(stored("Csizes").contains("Blenda|BE|12/+"));
        QCOMPARE(cdata()->fieldByName("Hoofdgroep")->asInteger(), 3);
    } else {
        QCOMPARE(stored("Cdata"), cdataBefore);
        QCOMPARE(stored("Csizes"), sizesBefore);
        QCOMPARE(stored("Cstdoogst"), harvestBefore);
    }
}

QTEST_MAIN(TestNewCultivarForm)
#include "tst_newcultivarform.moc"
