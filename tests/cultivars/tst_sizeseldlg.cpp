#include "cultivars/TSizeSelDlg.h"
#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "widgets/bound/TDBGrid.h"

#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"
#include "support/WhenShown.h"

#include <QPushButton>
#include <QTest>

using namespace kasplan;

namespace {

// How the user ends the dialog.
enum class Close { OkButton, CancelButton, Escape, Enter, DoubleClick, CloseBox };

} // namespace

Q_DECLARE_METATYPE(Close)

// The size-selection dialog on the sample database: its list, the ways it
// closes, and the size copy that asks it.
class TestSizeSelDlg : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void createdAsDesigned();
    void closing_data();
    void closing();

private:
    QString currentSize() const { return m_dmod->tbSizes()->fieldByName("Size")->asString(); }

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<TDMod> m_dmod;
    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
};

void TestSizeSelDlg::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
    m_db->addSampleRecords();
    m_prompts = std::make_unique<ScopedScriptedPrompts>();
    m_dmod = std::make_unique<TDMod>(m_db->session());
    m_dmod->CultivarWindowExistsHook = [] { return true; };
    m_dmod->CultivarWindowVisibleHook = [] { return true; };
    m_dmod->SizeSelDialogHook = [this] { return TSizeSelDlg::Choose(*m_dmod, nullptr); };
    m_dmod->BindViews(QLatin1String(test::TestDatabase::Alias));
    m_dmod->OpenTables();
}

void TestSizeSelDlg::cleanup()
{
    m_dmod.reset();
    m_prompts.reset();
    m_db.reset();
}

void TestSizeSelDlg::createdAsDesigned()
{
    TSizeSelDlg d(*m_dmod);
    QCOMPARE(d.windowTitle(), QStringLiteral("Selecteer Zift"));
    QCOMPARE(d.size(), QSize(227, 330));
    QVERIFY(d.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(d.OKBtn->isDefault());
    QCOMPARE(d.OKBtn->text(), QStringLiteral("OK"));
    QCOMPARE(d.CancelBtn->text(), QStringLiteral("Cancel"));
    QCOMPARE(d.DBGrid1->model()->columnCount(), 1);
    QCOMPARE(d.DBGrid1->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Zift"));
    QCOMPARE(d.DBGrid1->columnWidth(0), 149);
    QCOMPARE(d.DBGrid1->model()->rowCount(), 3);
    QCOMPARE(d.DBGrid1->editTriggers(), QAbstractItemView::NoEditTriggers);
}

void TestSizeSelDlg::closing_data()
{
    QTest::addColumn<Close>("close");
    QTest::addColumn<bool>("copied"); // the size picked was added
    QTest::newRow("OK") << Close::OkButton << true;
    QTest::newRow("Enter") << Close::Enter << true;
    QTest::newRow("double-click") << Close::DoubleClick << true;
    QTest::newRow("Cancel") << Close::CancelButton << false;
    QTest::newRow("Escape") << Close::Escape << false;
    QTest::newRow("close box") << Close::CloseBox << false;
}

// Through the size copy: the dialog starts on the first size of the list,
// the user picks the third and closes it.
void TestSizeSelDlg::closing()
{
    QFETCH(Close, close);
    QFETCH(bool, copied);
    QVERIFY(m_dmod->tbCdata()->locate({"Cultivar", "Source"}, {"Blenda", "NL"}));
    QCOMPARE(m_dmod->tbCsizes()->recordCount(), 1);
    m_dmod->tbSizes()->last();
    QString shownFirst;
    test::whenShown<TSizeSelDlg>(this, [&](TSizeSelDlg& d) {
        shownFirst = currentSize();
        QVERIFY(d.DBGrid1->hasFocus());
        // 11/12: the cultivar has 12/+ already.
        const QModelIndex second = d.DBGrid1->model()->index(1, 0);
        const QPoint at = d.DBGrid1->visualRect(second).center();
        QTest::mouseClick(d.DBGrid1->viewport(), Qt::LeftButton, {}, at);
        switch (close) {
        case Close::OkButton:
            QTest::mouseClick(d.OKBtn, Qt::LeftButton);
            break;
        case Close::CancelButton:
            QTest::mouseClick(d.CancelBtn, Qt::LeftButton);
            break;
        case Close::Escape:
            QTest::keyClick(d.DBGrid1, Qt::Key_Escape);
            break;
        case Close::Enter:
            QTest::keyClick(d.DBGrid1, Qt::Key_Return);
            break;
        case Close::DoubleClick:
            QTest::mouseDClick(d.DBGrid1->viewport(), Qt::LeftButton, {}, at);
            break;
        case Close::CloseBox:
            d.close();
            break;
        }
        QVERIFY(!d.isVisible());
    });
    m_dmod->CopySize();
    QCOMPARE(shownFirst, QStringLiteral("10/11"));
    QVERIFY(!m_dmod->Copying());
    QVERIFY((*m_prompts)->shown().isEmpty());
    auto view = m_db->view("Csizes");
    view->open();
    QStringList sizes;
    for (view->first(); !view->eof(); view->next()) {
        if (view->fieldByName("Cultivar")->asString() == "Blenda")
            sizes << view->fieldByName("Size")->asString();
    }
    QCOMPARE(sizes, copied ? (QStringList{"11/12", "12/+"}) : QStringList{"12/+"});
}

QTEST_MAIN(TestSizeSelDlg)
#include "tst_sizeseldlg.moc"
