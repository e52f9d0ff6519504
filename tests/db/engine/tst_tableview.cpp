#include "support/TestDatabase.h"

#include "db/engine/DataSource.h"
#include "db/engine/EngineError.h"
#include "db/engine/QueryView.h"

#include <QSignalSpy>
#include <QTest>

using namespace kasplan;
using kasplan::db::DataSet;
using kasplan::db::DataSource;
using kasplan::db::EngineError;
using kasplan::db::ErrorKind;
using kasplan::db::TableView;

namespace {

QString here(DataSet& view)
{
    if (view.isEmpty())
        return QStringLiteral("-");
    return view.fieldByName(QStringLiteral("Cultivar"))->asString() + QLatin1Char('/') +
           view.fieldByName(QStringLiteral("Source"))->asString();
}

QStringList shown(DataSet& view, const QString& field = QString())
{
    QStringList list;
    view.first();
    while (!view.eof()) {
        list.append(field.isEmpty() ? here(view) : view.fieldByName(field)->asString());
        view.next();
    }
    return list;
}

} // namespace

// The cursor facilities the data module builds on.
class TestTableView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void ordersByKeyLettersFirst();
    void detailFollowsItsMaster();
    void detailInsertTakesLinkFields();
    void filterTextAndRecordFilter_data();
    void filterTextAndRecordFilter();
    void badFilterTextIsRefused_data();
    void badFilterTextIsRefused();
    void locate_data();
    void locate();
    void bookmarkReturnsToItsRecord();
    void calculatedAndLookupFields();
    void eventsAndDataChange();
    void postErrorHandlerDecides();
    void suspendedDisplayStillMovesDetails();
    void editStartsFromStoredRecord();
    void queryViewReadsSelectOnly();
    void recordsReadByPositionComeInTheirPlaces();

private:
    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<TableView> m_cdata;
    std::unique_ptr<DataSource> m_dsCdata;
    std::unique_ptr<TableView> m_sizes;
    std::unique_ptr<DataSource> m_dsSizes;
    std::unique_ptr<TableView> m_harvest;
    void openMasterDetail();
};

void TestTableView::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
    m_db->addSampleRecords();
    m_cdata = m_db->view(QStringLiteral("Cdata"));
    m_dsCdata = std::make_unique<DataSource>(QStringLiteral("dsCdata"));
    m_dsCdata->setDataSet(m_cdata.get());
}

void TestTableView::cleanup()
{
    m_harvest.reset();
    m_dsSizes.reset();
    m_sizes.reset();
    m_dsCdata.reset();
    m_cdata.reset();
    m_db.reset();
}

void TestTableView::openMasterDetail()
{
    m_sizes = m_db->view(QStringLiteral("Csizes"));
    m_sizes->setMaster(m_dsCdata.get(), {QStringLiteral("Cultivar"), QStringLiteral("Source")});
    m_dsSizes = std::make_unique<DataSource>(QStringLiteral("dsCsizes"));
    m_dsSizes->setDataSet(m_sizes.get());
    m_harvest = m_db->view(QStringLiteral("Cstdoogst"));
    m_harvest->setMaster(m_dsSizes.get(), {QStringLiteral("Cultivar"), QStringLiteral("Source"),
                                           QStringLiteral("Size")});
    m_cdata->open();
    m_sizes->open();
    m_harvest->open();
}

void TestTableView::ordersByKeyLettersFirst()
{
    m_db->add(QStringLiteral("Cdata"), {{QStringLiteral("Cultivar"), QStringLiteral("_Proef")}});
    m_db->add(QStringLiteral("Cdata"), {{QStringLiteral("Cultivar"), QStringLiteral("APELDOORN")},
                                        {QStringLiteral("Source"), QStringLiteral("NL")}});
    m_cdata->open();
    QCOMPARE(shown(*m_cdata), QStringList({"_Proef/", "APELDOORN/NL", "Apeldoorn/", "Apeldoorn/NL",
                                           "apricot/NL", "Blenda/NL", "O'Brien/", "Zebra/US"}));
    QVERIFY(m_cdata->eof());
    m_cdata->first();
    QVERIFY(m_cdata->bof());
    m_cdata->prior();
    QVERIFY(m_cdata->bof());
    QCOMPARE(here(*m_cdata), QStringLiteral("_Proef/"));
}

void TestTableView::detailFollowsItsMaster()
{
    openMasterDetail();
    auto all = m_db->view(QStringLiteral("Csizes"));
    all->open();
    all->last();

    QVERIFY(m_cdata->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                            {QStringLiteral("Apeldoorn"), QStringLiteral("NL")}));
    QCOMPARE(shown(*m_sizes, QStringLiteral("Size")), QStringList({"11/12", "12/+"}));
    m_sizes->first();
    QCOMPARE(shown(*m_harvest, QStringLiteral("OogstSize")), QStringList({"10/11", "11/12"}));
    m_sizes->last();
    QVERIFY(m_harvest->isEmpty());

    m_cdata->next(); // apricot: no sizes
    QVERIFY(m_sizes->isEmpty());
    QVERIFY(m_harvest->isEmpty());
    m_cdata->next(); // Blenda
    QCOMPARE(shown(*m_sizes, QStringLiteral("Size")), QStringList({"12/+"}));

    // A view without a master is not moved by any of this.
    QCOMPARE(all->recordCount(), 3);
    QCOMPARE(all->currentIndex(), 2);
}

void TestTableView::detailInsertTakesLinkFields()
{
    m_db->add(QStringLiteral("Cdata"), {{QStringLiteral("Cultivar"), QStringLiteral("X")},
                                        {QStringLiteral("Source"), QStringLiteral("NL")}});
    openMasterDetail();
    QVERIFY(m_cdata->locate({QStringLiteral("Cultivar")}, {QStringLiteral("X")}));
    m_sizes->insert();
    QCOMPARE(m_sizes->fieldByName(QStringLiteral("Cultivar"))->asString(), QStringLiteral("X"));
    QCOMPARE(m_sizes->fieldByName(QStringLiteral("Source"))->asString(), QStringLiteral("NL"));
    m_sizes->fieldByName(QStringLiteral("Size"))->setValue(QStringLiteral("11/12"));
    m_sizes->post();
    QCOMPARE(m_sizes->recordCount(), 1);
    QCOMPARE(here(*m_sizes), QStringLiteral("X/NL"));

    // Moving away from an untouched new record drops it.
    m_sizes->insert();
    m_cdata->first();
    QVERIFY(m_cdata->locate({QStringLiteral("Cultivar")}, {QStringLiteral("X")}));
    QCOMPARE(m_sizes->recordCount(), 1);
}

void TestTableView::filterTextAndRecordFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("onlyNL"); // record filter: Source = NL
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("off") << "" << false
                         << QStringList({"Apeldoorn/", "Apeldoorn/NL", "apricot/NL", "Blenda/NL",
                                         "O'Brien/", "Zebra/US"});
    QTest::newRow("main group") << "(Hoofdgroep = '3')" << false
                                << QStringList({"Blenda/NL", "O'Brien/"});
    QTest::newRow("main group and record filter")
        << "(Hoofdgroep = '3')" << true << QStringList({"Blenda/NL"});
    QTest::newRow("record filter alone")
        << "" << true << QStringList({"Apeldoorn/NL", "apricot/NL", "Blenda/NL"});
    QTest::newRow("doubled quote")
        << "(Cultivar = 'O''Brien')" << false << QStringList({"O'Brien/"});
    QTest::newRow("beginning with")
        << "Cultivar = 'Ap*'" << false << QStringList({"Apeldoorn/", "Apeldoorn/NL"});
    QTest::newRow("and not") << "(Hoofdgroep = '1') and not (Source = '')" << false
                             << QStringList({"Apeldoorn/NL", "apricot/NL"});
    QTest::newRow("or, unquoted number") << "Hoofdgroep > 1 OR Cultivar = 'Zebra'" << false
                                         << QStringList({"Blenda/NL", "O'Brien/", "Zebra/US"});
    QTest::newRow("blank source") << "Source = NULL" << false
                                  << QStringList({"Apeldoorn/", "O'Brien/"});
    QTest::newRow("nothing") << "(Hoofdgroep = '9')" << false << QStringList();
}

void TestTableView::filterTextAndRecordFilter()
{
    QFETCH(QString, filter);
    QFETCH(bool, onlyNL);
    QFETCH(QStringList, expected);

    if (onlyNL) {
        m_cdata->events().onFilterRecord.add([](DataSet& v) {
            return v.fieldByName(QStringLiteral("Source"))->asString() == QLatin1String("NL");
        });
        m_cdata->setFilterFields({QStringLiteral("Source")});
    }
    m_cdata->open();
    m_cdata->last(); // a filter change starts at the first record again
    m_cdata->setFilter(filter);
    m_cdata->setFiltered(true);
    QCOMPARE(m_cdata->currentIndex(), expected.isEmpty() ? -1 : 0);
    QCOMPARE(shown(*m_cdata), expected);
    QCOMPARE(m_cdata->recordCount(), expected.size());

    m_cdata->setFiltered(false);
    QCOMPARE(m_cdata->recordCount(), 6);
}

void TestTableView::badFilterTextIsRefused_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("kind");
    QTest::newRow("open bracket") << "(Hoofdgroep = '3'" << int(ErrorKind::FilterSyntax);
    QTest::newRow("unknown field") << "(Kleurtje = 'rood')" << int(ErrorKind::FieldNotFound);
    QTest::newRow("text for a number") << "(Hoofdgroep = 'drie')" << int(ErrorKind::FilterSyntax);
    QTest::newRow("open quote") << "Cultivar = 'abc" << int(ErrorKind::FilterSyntax);
}

void TestTableView::badFilterTextIsRefused()
{
    QFETCH(QString, filter);
    QFETCH(int, kind);
    m_cdata->open();
    m_cdata->setFiltered(true);
    try {
        m_cdata->setFilter(filter);
        m_cdata->first();
        QFAIL("the filter was accepted");
    } catch (const EngineError& e) {
        QCOMPARE(int(e.kind()), kind);
    }
    // The view goes on with the filter it had.
    QCOMPARE(m_cdata->recordCount(), 6);
}

void TestTableView::locate_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("expected"); // "-": not found, the view stays

    const int ci = DataSet::CaseInsensitive;
    const int partial = DataSet::PartialKey;
    const QStringList cultivar{QStringLiteral("Cultivar")};
    QTest::newRow("partial, any case")
        << cultivar << QStringList{"apel"} << (ci | partial) << "Apeldoorn/";
    QTest::newRow("partial, capitals")
        << cultivar << QStringList{"APR"} << (ci | partial) << "apricot/NL";
    QTest::newRow("partial, case counts") << cultivar << QStringList{"Apr"} << partial << "-";
    QTest::newRow("quote in the name")
        << cultivar << QStringList{"o'b"} << (ci | partial) << "O'Brien/";
    QTest::newRow("whole key, any case") << QStringList{"Cultivar", "Source"}
                                         << QStringList{"apeldoorn", "nl"} << ci << "Apeldoorn/NL";
    QTest::newRow("exact") << cultivar << QStringList{"Blenda"} << 0 << "Blenda/NL";
    QTest::newRow("exact, case counts") << cultivar << QStringList{"blenda"} << 0 << "-";
    QTest::newRow("not a key field")
        << QStringList{"Source"} << QStringList{"US"} << 0 << "Zebra/US";
    QTest::newRow("not a key field, partial")
        << QStringList{"Kleur"} << QStringList{"RO"} << (ci | partial) << "O'Brien/";
    QTest::newRow("letters beyond a to z")
        << cultivar << QStringList{"ÉMI"} << (ci | partial) << "Émile/FR";
    QTest::newRow("nothing") << cultivar << QStringList{"Q"} << (ci | partial) << "-";
}

void TestTableView::locate()
{
    QFETCH(QStringList, fields);
    QFETCH(QStringList, values);
    QFETCH(int, options);
    QFETCH(QString, expected);

    m_db->add(QStringLiteral("Cdata"), {{QStringLiteral("Cultivar"), QStringLiteral("Émile")},
                                        {QStringLiteral("Source"), QStringLiteral("FR")}});
    m_cdata->open();
    QVERIFY(m_cdata->locate({QStringLiteral("Cultivar")}, {QStringLiteral("O'Brien")}));
    m_cdata->edit();
    m_cdata->fieldByName(QStringLiteral("Kleur"))->setValue(QStringLiteral("rood"));
    m_cdata->post();
    m_cdata->last();

    QVariantList v;
    for (const QString& s : values)
        v.append(s);
    const bool found = m_cdata->locate(fields, v, options);
    QCOMPARE(found, expected != QLatin1String("-"));
    QCOMPARE(here(*m_cdata), found ? expected : QStringLiteral("Émile/FR"));
}

void TestTableView::bookmarkReturnsToItsRecord()
{
    m_cdata->open();
    QVERIFY(m_cdata->locate({QStringLiteral("Cultivar")}, {QStringLiteral("Blenda")}));
    const db::Bookmark mark = m_cdata->bookmark();

    // Records added before it move it down; the bookmark still finds it.
    m_cdata->insert();
    m_cdata->fieldByName(QStringLiteral("Cultivar"))->setValue(QStringLiteral("Aaa"));
    m_cdata->post();
    m_cdata->last();
    QVERIFY(m_cdata->bookmarkValid(mark));
    m_cdata->gotoBookmark(mark);
    QCOMPARE(here(*m_cdata), QStringLiteral("Blenda/NL"));

    // Deleted by another copy: after a refresh the bookmark no longer holds.
    auto other = m_db->otherSession(QStringLiteral("bert"));
    auto theirs = m_db->view(QStringLiteral("Cdata"), other.get());
    theirs->open();
    QVERIFY(theirs->locate({QStringLiteral("Cultivar")}, {QStringLiteral("Blenda")}));
    theirs->deleteRecord();
    m_cdata->refresh();
    QVERIFY(!m_cdata->bookmarkValid(mark));
    try {
        m_cdata->gotoBookmark(mark);
        QFAIL("went to a deleted record");
    } catch (const EngineError& e) {
        QCOMPARE(e.kind(), ErrorKind::RecordDeleted);
    }
}

void TestTableView::calculatedAndLookupFields()
{
    auto sizeList = m_db->view(QStringLiteral("Sizes"));
    auto sizes = m_db->view(QStringLiteral("Csizes"));
    db::Field* twice = sizes->addCalculatedField(QStringLiteral("Twice"), db::FieldType::Long);
    db::Field* sizeLU = sizes->addLookupField(QStringLiteral("SizeLU"), db::FieldType::Alpha, 10,
                                              {{QStringLiteral("Size")},
                                               sizeList.get(),
                                               {QStringLiteral("Size")},
                                               QStringLiteral("Size")});
    int calculations = 0;
    sizes->events().onCalcFields.add([&](DataSet& v) {
        ++calculations;
        db::Field* count = v.fieldByName(QStringLiteral("Aantal"));
        if (!count->isNull())
            v.fieldByName(QStringLiteral("Twice"))->setValue(count->asInteger() * 2);
    });
    m_db->add(QStringLiteral("Csizes"), {{QStringLiteral("Cultivar"), QStringLiteral("Zebra")},
                                         {QStringLiteral("Source"), QStringLiteral("US")},
                                         {QStringLiteral("Size"), QStringLiteral("99/99")}});
    sizes->open(); // the size list itself stays closed
    QCOMPARE(sizeLU->asString(), QStringLiteral("11/12"));
    QCOMPARE(twice->asInteger(), 2000);
    QVERIFY(calculations > 0);

    QVERIFY(sizes->locate({QStringLiteral("Size")}, {QStringLiteral("99/99")}));
    QVERIFY(sizeLU->isNull()); // no such size in the size list
    QVERIFY(twice->isNull());

    // A stored field's change is calculated at once, before the post.
    sizes->edit();
    sizes->fieldByName(QStringLiteral("Aantal"))->setValue(21);
    QCOMPARE(twice->asInteger(), 42);
    try {
        twice->setValue(1);
        QFAIL("a calculated field took a value");
    } catch (const EngineError&) {
    }
    // Setting the lookup field sets the size it looks up.
    sizeLU->setValue(QStringLiteral("12/+"));
    QCOMPARE(sizes->fieldByName(QStringLiteral("Size"))->asString(), QStringLiteral("12/+"));
    sizes->cancel();
    QCOMPARE(sizes->displayTextAt(0, sizeLU), QStringLiteral("11/12"));
}

void TestTableView::eventsAndDataChange()
{
    QStringList log;
    auto& e = m_cdata->events();
    e.beforeInsert.add([&](DataSet&) { log << QStringLiteral("beforeInsert"); });
    e.onNewRecord.add([&](DataSet& v) {
        log << QStringLiteral("newRecord");
        v.fieldByName(QStringLiteral("Status"))->setValue(QStringLiteral("Toegevoegd"));
    });
    e.afterInsert.add([&](DataSet&) { log << QStringLiteral("afterInsert"); });
    e.beforePost.add([&](DataSet&) { log << QStringLiteral("beforePost"); });
    e.afterPost.add([&](DataSet&) { log << QStringLiteral("afterPost"); });
    e.beforeEdit.add([&](DataSet&) { log << QStringLiteral("beforeEdit"); });
    e.afterEdit.add([&](DataSet&) { log << QStringLiteral("afterEdit"); });
    e.beforeDelete.add([&](DataSet&) { log << QStringLiteral("beforeDelete"); });
    e.afterDelete.add([&](DataSet&) { log << QStringLiteral("afterDelete"); });
    m_cdata->fieldByName(QStringLiteral("Kleur"))->handlers().onChange.add([&](db::Field& f) {
        log << QStringLiteral("change ") + f.asString();
    });
    m_dsCdata->handlers().onDataChange.add([&](DataSource&, db::Field* f) {
        if (f)
            log << QStringLiteral("dataChange ") + f->fieldName();
    });
    m_cdata->fieldByName(QStringLiteral("Kleur"))->handlers().onGetText =
        [](db::Field& f, QString& text, bool display) {
            if (display && !f.isNull())
                text = text.toUpper();
        };
    m_cdata->fieldByName(QStringLiteral("Kleur"))->handlers().onSetText =
        [](db::Field& f, const QString& text) { f.setValue(text.trimmed()); };

    m_cdata->open();
    m_cdata->insert();
    QCOMPARE(m_cdata->fieldByName(QStringLiteral("Status"))->asString(),
             QStringLiteral("Toegevoegd"));
    m_cdata->fieldByName(QStringLiteral("Cultivar"))->setValue(QStringLiteral("Parade"));
    m_cdata->fieldByName(QStringLiteral("Kleur"))->setText(QStringLiteral("  rood "));
    m_cdata->fieldByName(QStringLiteral("Kleur"))->setText(QStringLiteral("rood")); // unchanged
    QCOMPARE(m_cdata->fieldByName(QStringLiteral("Kleur"))->displayText(), QStringLiteral("ROOD"));
    QCOMPARE(m_cdata->fieldByName(QStringLiteral("Kleur"))->text(), QStringLiteral("rood"));
    m_cdata->post();
    m_cdata->edit();
    m_cdata->cancel();
    m_cdata->deleteRecord();
    QCOMPARE(log,
             QStringList({"beforeInsert", "newRecord", "dataChange Status", "afterInsert",
                          "dataChange Cultivar", "change rood", "dataChange Kleur", "beforePost",
                          "afterPost", "beforeEdit", "afterEdit", "beforeDelete", "afterDelete"}));
}

void TestTableView::postErrorHandlerDecides()
{
    m_cdata->events().onPostError.add(
        [](DataSet&, const EngineError& error, db::DataAction& action) {
            if (error.text().startsWith(QLatin1String("Key violation")))
                throw EngineError(ErrorKind::Other, QStringLiteral("Error KP 3"));
            action = db::DataAction::Abort;
        });
    m_cdata->open();
    m_cdata->insert();
    m_cdata->fieldByName(QStringLiteral("Cultivar"))->setValue(QStringLiteral("Zebra"));
    m_cdata->fieldByName(QStringLiteral("Source"))->setValue(QStringLiteral("US"));
    try {
        m_cdata->post();
        QFAIL("a duplicate was posted");
    } catch (const EngineError& e) {
        QCOMPARE(e.text(), QStringLiteral("Error KP 3"));
    }
    QCOMPARE(m_cdata->state(), DataSet::State::Insert);

    m_cdata->fieldByName(QStringLiteral("Source"))->setValue(QStringLiteral("ZA"));
    m_cdata->fieldByName(QStringLiteral("Cultivar"))->setValue(QString());
    QVERIFY_THROWS_EXCEPTION(db::AbortError, m_cdata->post());
    QCOMPARE(m_cdata->state(), DataSet::State::Insert);
    m_cdata->cancel();
}

void TestTableView::suspendedDisplayStillMovesDetails()
{
    openMasterDetail();
    QSignalSpy scrolled(m_dsCdata.get(), &DataSource::scrolled);
    QSignalSpy changed(m_dsCdata.get(), &DataSource::dataSetChanged);
    int handlerCalls = 0;
    m_dsCdata->handlers().onDataChange.add([&](DataSource&, db::Field*) { ++handlerCalls; });

    m_cdata->disableControls();
    QVERIFY(m_cdata->locate({QStringLiteral("Cultivar")}, {QStringLiteral("Blenda")}));
    QCOMPARE(shown(*m_sizes, QStringLiteral("Size")), QStringList({"12/+"}));
    m_cdata->first();
    QCOMPARE(m_sizes->recordCount(), 0); // Apeldoorn/'' has no sizes
    QCOMPARE(scrolled.count(), 0);
    QCOMPARE(handlerCalls, 0);
    m_cdata->enableControls();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(handlerCalls, 1);
}

void TestTableView::editStartsFromStoredRecord()
{
    m_cdata->open();
    QVERIFY(m_cdata->locate({QStringLiteral("Cultivar")}, {QStringLiteral("Blenda")}));
    db::Field* colour = m_cdata->fieldByName(QStringLiteral("Kleur"));
    QVERIFY(colour->isNull());

    auto other = m_db->otherSession(QStringLiteral("bert"));
    auto theirs = m_db->view(QStringLiteral("Cdata"), other.get());
    theirs->open();
    QVERIFY(theirs->locate({QStringLiteral("Cultivar")}, {QStringLiteral("Blenda")}));
    theirs->edit();
    theirs->fieldByName(QStringLiteral("Kleur"))->setValue(QStringLiteral("roze"));
    theirs->fieldByName(QStringLiteral("Klasse"))->setValue(QStringLiteral("I"));
    theirs->post();
    theirs->insert();
    theirs->fieldByName(QStringLiteral("Cultivar"))->setValue(QStringLiteral("Foxtrot"));
    theirs->post();

    QVERIFY(colour->isNull()); // not seen until read again
    m_cdata->edit();
    QCOMPARE(colour->asString(), QStringLiteral("roze"));
    // Only what this copy changed is written: the other copy's class stays.
    m_cdata->fieldByName(QStringLiteral("Kleur"))->setValue(QStringLiteral("wit"));
    m_cdata->post();
    theirs->refresh();
    QVERIFY(theirs->locate({QStringLiteral("Cultivar")}, {QStringLiteral("Blenda")}));
    QCOMPARE(theirs->fieldByName(QStringLiteral("Kleur"))->asString(), QStringLiteral("wit"));
    QCOMPARE(theirs->fieldByName(QStringLiteral("Klasse"))->asString(), QStringLiteral("I"));

    QCOMPARE(m_cdata->recordCount(), 6);
    m_cdata->refresh();
    QCOMPARE(m_cdata->recordCount(), 7);
    QCOMPARE(here(*m_cdata), QStringLiteral("Blenda/NL"));
}

void TestTableView::queryViewReadsSelectOnly()
{
    db::QueryView query(QStringLiteral("SizesQuery"));
    query.setSession(&m_db->session());
    query.setDatabaseName(QLatin1String(test::TestDatabase::Alias));
    query.setSql(QStringLiteral("SELECT Size, QtyUnit FROM Sizes"));
    query.open();
    QCOMPARE(query.fieldCount(), 2);
    QCOMPARE(query.fieldByName(QStringLiteral("QtyUnit"))->dataType(), db::FieldType::Short);
    QCOMPARE(shown(query, QStringLiteral("Size")), QStringList({"10/11", "11/12", "12/+"}));
    QVERIFY_THROWS_EXCEPTION(EngineError, query.edit());
    query.close();

    for (const char* sql :
         {"DELETE FROM Sizes", "SELECT 1; DELETE FROM Sizes", "UPDATE Sizes SET QtyUnit = 0"}) {
        query.setSql(QLatin1String(sql));
        try {
            query.open();
            QFAIL(sql);
        } catch (const EngineError& e) {
            QCOMPARE(e.kind(), ErrorKind::QueryRefused);
        }
    }
    auto check = m_db->view(QStringLiteral("Sizes"));
    check->open();
    QCOMPARE(check->recordCount(), 3);
}

// Grids and exports read records by position, many at a time; each value
// must be its own record's, in either direction and past every block, also
// for a record another copy deleted meanwhile and for the record being
// edited.
void TestTableView::recordsReadByPositionComeInTheirPlaces()
{
    db::Database& database = m_db->database();
    database.beginBatch();
    for (int n = 0; n < 150; ++n)
        m_db->add(
            QStringLiteral("Cdata"),
            {{QStringLiteral("Cultivar"), QStringLiteral("Teelt %1").arg(n, 3, 10, QChar('0'))},
             {QStringLiteral("Source"), n % 2 ? QStringLiteral("NL") : QString()},
             {QStringLiteral("Hoofdgroep"), n % 11}});
    database.commitBatch();
    m_cdata->open();
    // The sample records, then Teelt 000 to 149 from row 5 on, then Zebra.
    constexpr int First = 5;
    QCOMPARE(m_cdata->recordCount(), First + 150 + 1);
    const db::Field* cultivar = m_cdata->fieldByName(QStringLiteral("Cultivar"));
    const db::Field* source = m_cdata->fieldByName(QStringLiteral("Source"));
    const db::Field* group = m_cdata->fieldByName(QStringLiteral("Hoofdgroep"));
    const auto expectedAt = [](int n) {
        return QStringLiteral("Teelt %1/%2/%3")
            .arg(n, 3, 10, QChar('0'))
            .arg(n % 2 ? QStringLiteral("NL") : QString())
            .arg(n % 11);
    };
    const auto readAt = [&](int row) {
        return m_cdata->valueAt(row, cultivar).toString() + QLatin1Char('/') +
               m_cdata->valueAt(row, source).toString() + QLatin1Char('/') +
               m_cdata->valueAt(row, group).toString();
    };

    // Another copy deletes a record after this view read its keys.
    auto other = m_db->otherSession(QStringLiteral("other"));
    auto theirs = m_db->view(QStringLiteral("Cdata"), other.get());
    theirs->open();
    QVERIFY(theirs->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                           {QStringLiteral("Teelt 070"), QString()}));
    theirs->deleteRecord();
    // This copy edits one.
    m_cdata->setCurrentIndex(First + 100);
    m_cdata->edit();
    m_cdata->fieldByName(QStringLiteral("Hoofdgroep"))->setValue(10);

    // One at a time and, as exports read them, many together.
    std::vector<int> positions;
    for (int n = 149; n >= 0; --n)
        positions.push_back(First + n);
    const std::vector<QVariantList> together =
        m_cdata->valuesAt(positions, {cultivar, source, group});
    QCOMPARE(together.size(), positions.size());
    for (int n = 149; n >= 0; --n) {
        const QString expected = n == 70    ? QStringLiteral("Teelt 070//")
                                 : n == 100 ? QStringLiteral("Teelt 100//10")
                                            : expectedAt(n);
        QCOMPARE(readAt(First + n), expected);
        const QVariantList& values = together[size_t(149 - n)];
        QCOMPARE(values.at(0).toString() + QLatin1Char('/') + values.at(1).toString() +
                     QLatin1Char('/') + values.at(2).toString(),
                 expected);
    }
    m_cdata->cancel();
    m_cdata->refresh();
    for (int n = 0; n < 149; ++n)
        QCOMPARE(readAt(First + n), expectedAt(n < 70 ? n : n + 1));
    QCOMPARE(readAt(First + 149), QStringLiteral("Zebra/US/0"));

    // The database reads many keys at once, in the order asked, none for a
    // key without its record.
    std::vector<db::RowKey> keys;
    for (int n = 149; n >= 0; n -= 2)
        keys.push_back({QStringLiteral("Teelt %1").arg(n, 3, 10, QChar('0')).toUtf8(), "NL"});
    keys.push_back({"Bestaat niet", ""});
    const auto rows =
        database.fetchRows(database.tableDef(QStringLiteral("Cdata")),
                           {QStringLiteral("Hoofdgroep"), QStringLiteral("Cultivar")}, keys);
    QCOMPARE(rows.size(), keys.size());
    for (size_t i = 0; i + 1 < keys.size(); ++i) {
        const int n = 149 - 2 * int(i);
        QVERIFY(rows[i]);
        QCOMPARE(*rows[i], QVariantList({n % 11, QString::fromUtf8(keys[i].first())}));
    }
    QVERIFY(!rows.back());
}

QTEST_GUILESS_MAIN(TestTableView)
#include "tst_tableview.moc"
