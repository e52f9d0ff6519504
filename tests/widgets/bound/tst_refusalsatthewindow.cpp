#include "core/UserPrompts.h"
#include "db/TDMod.h"
#include "db/engine/EngineError.h"
#include "db/engine/TableView.h"
#include "widgets/KasplanApplication.h"
#include "widgets/bound/TDBGrid.h"
#include "widgets/bound/TDBNavigator.h"

#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

#include <QTest>
#include <QToolButton>

using namespace kasplan;
using State = kasplan::db::DataSet::State;

namespace {

// An object whose event handler lets an error escape, as a slot or handler
// of any window might.
class Thrower : public QObject
{
public:
    std::function<void()> raise;
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            raise();
        return QObject::event(event);
    }
};

} // namespace

// A refusal of the engine in the middle of a click is shown, and the program
// goes on with the view where it was.
class TestRefusalsAtTheWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void navigatorClickWithAFullDisk();
    void gridRowChangeWithAFullDisk();
    void applicationStopsWhatEscapes();

private:
    QString cultivar() const
    {
        return m_dmod->tbCdata()->fieldByName(QStringLiteral("Cultivar"))->asString();
    }
    // A pending change of the first cultivar that the full disk refuses.
    void pendingChangeOnAFullDisk();

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
    std::unique_ptr<TDMod> m_dmod;
};

void TestRefusalsAtTheWindow::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
    m_db->addSampleRecords();
    m_prompts = std::make_unique<ScopedScriptedPrompts>();
    m_dmod = std::make_unique<TDMod>(m_db->session());
    m_dmod->BindViews(QLatin1String(test::TestDatabase::Alias));
    m_dmod->OpenTables();
}

void TestRefusalsAtTheWindow::cleanup()
{
    m_dmod.reset();
    m_prompts.reset();
    m_db.reset();
}

void TestRefusalsAtTheWindow::pendingChangeOnAFullDisk()
{
    db::TableView* cdata = m_dmod->tbCdata();
    cdata->first();
    cdata->edit();
    cdata->fieldByName(QStringLiteral("Remarks"))->setValue(QString(200000, QLatin1Char('x')));
    m_db->fillDisk();
}

void TestRefusalsAtTheWindow::navigatorClickWithAFullDisk()
{
    TDBNavigator nav(m_dmod->dsCdata());
    nav.show();
    QVERIFY(QTest::qWaitForWindowExposed(&nav));
    pendingChangeOnAFullDisk();

    // Moving on posts the change first; the disk refuses it.
    QTest::mouseClick(nav.NextButton, Qt::LeftButton);
    QCOMPARE((*m_prompts)->shown().size(), 1);
    QVERIFY2((*m_prompts)->texts().first().startsWith(QLatin1String("Disk full")),
             qPrintable((*m_prompts)->texts().first()));
    QCOMPARE((*m_prompts)->shown().first().kind, UserPrompts::Kind::Error);
    QCOMPARE(m_dmod->tbCdata()->state(), State::Edit);
    QCOMPARE(m_dmod->tbCdata()->currentIndex(), 0);
    QVERIFY(!nav.PriorButton->isEnabled());

    // The program goes on: the change given up, the same click moves.
    m_dmod->tbCdata()->cancel();
    QTest::mouseClick(nav.NextButton, Qt::LeftButton);
    QCOMPARE(m_dmod->tbCdata()->currentIndex(), 1);
    QCOMPARE(cultivar(), QStringLiteral("Apeldoorn"));
    QVERIFY(nav.PriorButton->isEnabled());
    QCOMPARE((*m_prompts)->shown().size(), 1);
}

void TestRefusalsAtTheWindow::gridRowChangeWithAFullDisk()
{
    TDBGrid grid(m_dmod->dsCdata(),
                 {DataSetTableModel::Column{QStringLiteral("Cultivar"), {}, 100}});
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    pendingChangeOnAFullDisk();

    const QRect row3 = grid.visualRect(grid.model()->index(3, 0));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, row3.center());
    QCOMPARE((*m_prompts)->shown().size(), 1);
    QVERIFY((*m_prompts)->texts().first().startsWith(QLatin1String("Disk full")));
    // The grid goes back to the record the view stayed on.
    QTRY_COMPARE(grid.currentIndex().row(), 0);
    QCOMPARE(m_dmod->tbCdata()->currentIndex(), 0);
    QCOMPARE(m_dmod->tbCdata()->state(), State::Edit);
}

void TestRefusalsAtTheWindow::applicationStopsWhatEscapes()
{
    QVERIFY(qobject_cast<KasplanApplication*>(QCoreApplication::instance()));
    Thrower thrower;
    const struct
    {
        std::function<void()> raise;
        QStringList shown;
    } cases[] = {
        {[] { throw db::EngineError::recordDeleted(QStringLiteral("Cdata")); },
         {QStringLiteral("Record/Key deleted.\nTable: Cdata")}},
        // A handler that has shown its own message ends silently.
        {[] { throw db::AbortError(); }, {}},
        {[] { throw 42; }, {QStringLiteral("Er is een onverwachte fout opgetreden.")}},
    };
    for (const auto& c : cases) {
        (*m_prompts)->clear();
        thrower.raise = c.raise;
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&thrower, &event);
        QCOMPARE((*m_prompts)->texts(), c.shown);
    }
}

int main(int argc, char* argv[])
{
    KasplanApplication app(argc, argv);
    TestRefusalsAtTheWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_refusalsatthewindow.moc"
