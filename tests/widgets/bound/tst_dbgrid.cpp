#include "db/engine/DataSource.h"
#include "db/engine/TableView.h"
#include "widgets/bound/TDBGrid.h"
#include "widgets/bound/TDBNavigator.h"

#include "support/TestDatabase.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QTest>
#include <QToolButton>

using namespace kasplan;

// Grids and navigators bound to a cultivar view and its size detail.
class TestDBGrid : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void rowsAreTheViewsRecords();
    void selectingARowMovesTheView();
    void movingTheViewSelectsTheRow();
    void detailGridFollowsItsMaster();
    void navigatorMovesAndKnowsTheEnds();

private:
    QString cultivar() const
    {
        return m_cdata->fieldByName(QStringLiteral("Cultivar"))->asString();
    }

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<db::TableView> m_cdata;
    std::unique_ptr<db::TableView> m_csizes;
    std::unique_ptr<db::DataSource> m_dsCdata;
    std::unique_ptr<db::DataSource> m_dsCsizes;
    std::unique_ptr<TDBGrid> m_grid;
    std::unique_ptr<TDBGrid> m_sizeGrid;
};

void TestDBGrid::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
    m_db->addSampleRecords();
    m_cdata = m_db->view(QStringLiteral("Cdata"));
    m_csizes = m_db->view(QStringLiteral("Csizes"));
    m_dsCdata = std::make_unique<db::DataSource>(QStringLiteral("dsCdata"));
    m_dsCdata->setDataSet(m_cdata.get());
    m_dsCsizes = std::make_unique<db::DataSource>(QStringLiteral("dsCsizes"));
    m_dsCsizes->setDataSet(m_csizes.get());
    m_csizes->setMaster(m_dsCdata.get(), {QStringLiteral("Cultivar"), QStringLiteral("Source")});
    m_cdata->open();
    m_csizes->open();

    using Column = DataSetTableModel::Column;
    m_grid = std::make_unique<TDBGrid>(
        m_dsCdata.get(),
        QList<Column>{Column{QStringLiteral("Cultivar"), {}, 100},
                      Column{QStringLiteral("Source"), QStringLiteral("Herkomst"), 68}});
    m_sizeGrid = std::make_unique<TDBGrid>(
        m_dsCsizes.get(), QList<Column>{Column{QStringLiteral("Size"), QStringLiteral("Zift"), 45},
                                        Column{QStringLiteral("Aantal"), QStringLiteral("Voorraad"),
                                               70, Qt::AlignRight}});
    new QAbstractItemModelTester(
        m_grid->gridModel(), QAbstractItemModelTester::FailureReportingMode::QtTest, m_grid.get());
    new QAbstractItemModelTester(m_sizeGrid->gridModel(),
                                 QAbstractItemModelTester::FailureReportingMode::QtTest,
                                 m_sizeGrid.get());
}

void TestDBGrid::cleanup()
{
    m_sizeGrid.reset();
    m_grid.reset();
    m_csizes.reset();
    m_cdata.reset();
    m_dsCsizes.reset();
    m_dsCdata.reset();
    m_db.reset();
}

void TestDBGrid::rowsAreTheViewsRecords()
{
    const QAbstractItemModel& model = *m_grid->model();
    QCOMPARE(model.rowCount(), 6);
    QCOMPARE(model.columnCount(), 2);
    QStringList rows;
    for (int r = 0; r < model.rowCount(); ++r)
        rows << model.index(r, 0).data().toString() + "/" + model.index(r, 1).data().toString();
    QCOMPARE(rows, (QStringList{"Apeldoorn/", "Apeldoorn/NL", "apricot/NL", "Blenda/NL", "O'Brien/",
                                "Zebra/US"}));
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Cultivar"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Herkomst"));
    QCOMPARE(m_grid->columnWidth(1), 68);
    QCOMPARE(m_sizeGrid->model()
                     ->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole)
                     .value<Qt::Alignment>() &
                 Qt::AlignRight,
             Qt::AlignRight);
    // The row indicator marks the current record.
    QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QStringLiteral("\u25B6"));
    QVERIFY(model.headerData(1, Qt::Vertical).toString().isEmpty());
}

void TestDBGrid::selectingARowMovesTheView()
{
    m_grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_grid.get()));
    const QRect row3 = m_grid->visualRect(m_grid->model()->index(3, 0));
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, row3.center());
    QCOMPARE(cultivar(), QStringLiteral("Blenda"));
    QTest::keyClick(m_grid.get(), Qt::Key_Down);
    QCOMPARE(cultivar(), QStringLiteral("O'Brien"));
    // Letters search nothing in the grid itself.
    QTest::keyClick(m_grid.get(), Qt::Key_Z);
    QCOMPARE(cultivar(), QStringLiteral("O'Brien"));
}

void TestDBGrid::movingTheViewSelectsTheRow()
{
    m_cdata->last();
    QCOMPARE(m_grid->currentIndex().row(), 5);
    QCOMPARE(m_grid->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(m_grid->selectionModel()->selectedRows().first().row(), 5);
    QVERIFY(m_cdata->locate({QStringLiteral("Cultivar")}, {QStringLiteral("apr")},
                            db::DataSet::PartialKey));
    QCOMPARE(m_grid->currentIndex().row(), 2);
}

void TestDBGrid::detailGridFollowsItsMaster()
{
    QVERIFY(m_cdata->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                            {QStringLiteral("Apeldoorn"), QStringLiteral("NL")}));
    const QAbstractItemModel& sizes = *m_sizeGrid->model();
    QCOMPARE(sizes.rowCount(), 2);
    QCOMPARE(sizes.index(1, 0).data().toString(), QStringLiteral("12/+"));
    QCOMPARE(sizes.index(1, 1).data().toString(), QStringLiteral("500"));
    m_sizeGrid->selectRow(1);
    QCOMPARE(m_csizes->fieldByName(QStringLiteral("Size"))->asString(), QStringLiteral("12/+"));
    m_cdata->first(); // Apeldoorn without a source has no sizes
    QCOMPARE(sizes.rowCount(), 0);
    QVERIFY(!m_sizeGrid->currentIndex().isValid());
}

void TestDBGrid::navigatorMovesAndKnowsTheEnds()
{
    TDBNavigator nav(m_dsCdata.get());
    QCOMPARE(nav.FirstButton->toolTip(), QStringLiteral("Eerste"));
    QCOMPARE(nav.LastButton->toolTip(), QStringLiteral("Laatste"));
    QVERIFY(!nav.FirstButton->isEnabled() && !nav.PriorButton->isEnabled());
    QVERIFY(nav.NextButton->isEnabled() && nav.LastButton->isEnabled());
    nav.NextButton->click();
    QCOMPARE(cultivar(), QStringLiteral("Apeldoorn"));
    QCOMPARE(m_grid->currentIndex().row(), 1);
    nav.LastButton->click();
    QCOMPARE(cultivar(), QStringLiteral("Zebra"));
    QVERIFY(!nav.NextButton->isEnabled() && !nav.LastButton->isEnabled());
    nav.PriorButton->click();
    QCOMPARE(cultivar(), QStringLiteral("O'Brien"));
    nav.FirstButton->click();
    QCOMPARE(m_grid->currentIndex().row(), 0);
}

QTEST_MAIN(TestDBGrid)
#include "tst_dbgrid.moc"
