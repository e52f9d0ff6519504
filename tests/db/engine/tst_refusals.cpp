#include "support/TestDatabase.h"

#include "db/engine/EngineError.h"
#include "db/engine/SqliteConnection.h"
#include "db/engine/SqliteDatabase.h"

#include <QTest>

using namespace kasplan;
using kasplan::db::EngineError;
using kasplan::db::TableView;

// The refusals of the cultivar tables, in the words the data module tests.
class TestRefusals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_db.reset(); }

    void duplicateKeyIsKeyViolation();
    void sameNameWithEmptySourceCoexists();
    void refusedValues_data();
    void refusedValues();
    void sizeWithStandardHarvestKeepsItsKey();
    void cultivarRenameAndDeleteCarryItsDetails();
    void detailWithoutMasterIsRefused();

private:
    QString postError(TableView& view);
    QVariant stored(const QString& sql);

    std::unique_ptr<test::TestDatabase> m_db;
};

void TestRefusals::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
    m_db->addSampleRecords();
}

QString TestRefusals::postError(TableView& view)
{
    try {
        view.post();
    } catch (const EngineError& e) {
        return e.text();
    }
    return {};
}

QVariant TestRefusals::stored(const QString& sql)
{
    const db::QueryResult result = m_db->database().select(sql);
    return result.rows.empty() ? QVariant() : result.rows.front().value(0);
}

void TestRefusals::duplicateKeyIsKeyViolation()
{
    auto cdata = m_db->view(QStringLiteral("Cdata"));
    cdata->open();
    const int before = cdata->recordCount();
    cdata->insert();
    cdata->fieldByName(QStringLiteral("Cultivar"))->setValue(QStringLiteral("Blenda"));
    cdata->fieldByName(QStringLiteral("Source"))->setValue(QStringLiteral("NL"));
    cdata->fieldByName(QStringLiteral("Kleur"))->setValue(QStringLiteral("groen"));

    QVERIFY(postError(*cdata).startsWith(QLatin1String("Key violation")));
    // The refused record stays being inserted, with what was typed.
    QCOMPARE(cdata->state(), db::DataSet::State::Insert);
    QCOMPARE(cdata->fieldByName(QStringLiteral("Kleur"))->asString(), QStringLiteral("groen"));
    cdata->cancel();
    QCOMPARE(cdata->recordCount(), before);
}

void TestRefusals::sameNameWithEmptySourceCoexists()
{
    auto cdata = m_db->view(QStringLiteral("Cdata"));
    cdata->open();
    const auto add = [&](const QVariant& source) {
        cdata->insert();
        cdata->fieldByName(QStringLiteral("Cultivar"))->setValue(QStringLiteral("Paul Richter"));
        if (source.isValid())
            cdata->fieldByName(QStringLiteral("Source"))->setValue(source);
        return postError(*cdata);
    };
    QCOMPARE(add(QStringLiteral("NL")), QString());
    QCOMPARE(add(QVariant()), QString()); // the source never typed
    QVERIFY(add(QStringLiteral("")).startsWith(QLatin1String("Key violation")));
    cdata->cancel();

    QCOMPARE(stored(QStringLiteral("SELECT count(*) FROM Cdata WHERE Cultivar = 'Paul Richter'"))
                 .toInt(),
             2);
    // Empty key fields hold '' so the key stays a key.
    QCOMPARE(stored(QStringLiteral("SELECT count(*) FROM Cdata WHERE Source IS NULL")).toInt(), 0);
    QCOMPARE(stored(QStringLiteral("SELECT count(*) FROM Cdata WHERE Cultivar = 'Paul Richter' "
                                   "AND Source = ''"))
                 .toInt(),
             1);
}

void TestRefusals::refusedValues_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("cultivar");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("refusedOnSet");
    QTest::addColumn<QString>("refusal"); // beginning of the text; empty: accepted

    const QString min = QStringLiteral("Minimum validity check failed");
    QTest::newRow("negative count") << "Csizes"
                                    << "Apeldoorn"
                                    << "Aantal" << QVariant(-1) << false << min;
    QTest::newRow("negative cold days") << "Csizes"
                                        << "Apeldoorn"
                                        << "Dk_p2" << QVariant(-7) << false << min;
    QTest::newRow("negative planting stock") << "Csizes"
                                             << "Apeldoorn"
                                             << "PG_voorraad" << QVariant(-0.5) << false << min;
    QTest::newRow("negative standard quantity")
        << "Cstdoogst"
        << "Apeldoorn"
        << "StdQty_per_m2" << QVariant(-1.0) << false << min;
    QTest::newRow("negative size price") << "Sizes"
                                         << ""
                                         << "StdBroeiKprijs" << QVariant(-0.01) << false << min;
    QTest::newRow("zero count") << "Csizes"
                                << "Apeldoorn"
                                << "Aantal" << QVariant(0) << false << QString();
    QTest::newRow("frost in a storage cell") << "Locaties"
                                             << ""
                                             << "Temp" << QVariant(-2.0) << false << QString();
    QTest::newRow("unknown use type code") << "Sizes"
                                           << ""
                                           << "Gebruikstype" << QVariant(-1) << false << QString();
    QTest::newRow("empty cultivar name")
        << "Cdata"
        << "Apeldoorn"
        << "Cultivar" << QVariant(QString()) << false << QStringLiteral("Field value required");
    QTest::newRow("colour too long") << "Cdata"
                                     << "Apeldoorn"
                                     << "Kleur" << QVariant(QString(21, QLatin1Char('x'))) << true
                                     << QStringLiteral("Field value too long");
    QTest::newRow("colour of the full length")
        << "Cdata"
        << "Apeldoorn"
        << "Kleur" << QVariant(QString(20, QLatin1Char('x'))) << false << QString();
    QTest::newRow("short out of range")
        << "Csizes"
        << "Apeldoorn"
        << "Dk_p1" << QVariant(40000) << true << QStringLiteral("Value out of range");
    QTest::newRow("not a number") << "Csizes"
                                  << "Apeldoorn"
                                  << "Aantal" << QVariant(QStringLiteral("veel")) << true
                                  << QStringLiteral("'veel' is not a valid value");
}

void TestRefusals::refusedValues()
{
    QFETCH(QString, table);
    QFETCH(QString, cultivar);
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(bool, refusedOnSet);
    QFETCH(QString, refusal);

    if (table == QLatin1String("Locaties"))
        m_db->add(QStringLiteral("Locaties"),
                  {{QStringLiteral("Naam"), QStringLiteral("Vriescel")}});
    auto view = m_db->view(table);
    view->open();
    if (!cultivar.isEmpty())
        QVERIFY(view->locate({QStringLiteral("Cultivar")}, {cultivar}));
    db::Field* f = view->fieldByName(field);
    const QVariant before = f->value();
    view->edit();

    QString error;
    try {
        f->setValue(value);
    } catch (const EngineError& e) {
        error = e.text();
    }
    if (refusedOnSet) {
        QVERIFY2(error.startsWith(refusal), qPrintable(error));
        // Refused, not cut: the field keeps its value.
        QCOMPARE(f->value(), before);
        view->cancel();
        return;
    }
    QCOMPARE(error, QString());
    error = postError(*view);
    if (refusal.isEmpty()) {
        QCOMPARE(error, QString());
        view->refresh();
        QCOMPARE(f->value(), f->coerce(value));
        return;
    }
    QVERIFY2(error.startsWith(refusal), qPrintable(error));
    QVERIFY(view->isEditing());
    view->cancel();
    QCOMPARE(f->value(), before);
}

void TestRefusals::sizeWithStandardHarvestKeepsItsKey()
{
    auto sizes = m_db->view(QStringLiteral("Csizes"));
    sizes->open();
    const QStringList key{QStringLiteral("Cultivar"), QStringLiteral("Source"),
                          QStringLiteral("Size")};
    QVERIFY(sizes->locate(
        key, {QStringLiteral("Apeldoorn"), QStringLiteral("NL"), QStringLiteral("11/12")}));
    sizes->edit();
    sizes->fieldByName(QStringLiteral("Size"))->setValue(QStringLiteral("13/14"));
    QVERIFY(postError(*sizes).startsWith(QLatin1String("Master has detail records")));
    sizes->cancel();

    QString error;
    try {
        sizes->deleteRecord();
    } catch (const EngineError& e) {
        error = e.text();
    }
    QVERIFY(error.startsWith(QLatin1String("Master has detail records")));

    // A size without standard-harvest records may change its key.
    QVERIFY(sizes->locate(
        key, {QStringLiteral("Apeldoorn"), QStringLiteral("NL"), QStringLiteral("12/+")}));
    sizes->edit();
    sizes->fieldByName(QStringLiteral("Size"))->setValue(QStringLiteral("14/+"));
    QCOMPARE(postError(*sizes), QString());
    QCOMPARE(sizes->fieldByName(QStringLiteral("Size"))->asString(), QStringLiteral("14/+"));
    QCOMPARE(stored(QStringLiteral("SELECT count(*) FROM Cstdoogst")).toInt(), 2);
}

void TestRefusals::cultivarRenameAndDeleteCarryItsDetails()
{
    auto cdata = m_db->view(QStringLiteral("Cdata"));
    cdata->open();
    QVERIFY(cdata->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                          {QStringLiteral("Apeldoorn"), QStringLiteral("NL")}));
    cdata->edit();
    cdata->fieldByName(QStringLiteral("Cultivar"))->setValue(QStringLiteral("Apeldoorn Elite"));
    QCOMPARE(postError(*cdata), QString());
    // The sizes and their standard harvest stay with the renamed cultivar.
    QCOMPARE(stored(QStringLiteral("SELECT count(*) FROM Csizes WHERE Cultivar = "
                                   "'Apeldoorn Elite'"))
                 .toInt(),
             2);
    QCOMPARE(stored(QStringLiteral("SELECT count(*) FROM Cstdoogst WHERE Cultivar = "
                                   "'Apeldoorn Elite'"))
                 .toInt(),
             2);
    QCOMPARE(
        stored(QStringLiteral("SELECT count(*) FROM Csizes WHERE Cultivar = 'Apeldoorn'")).toInt(),
        0);

    cdata->deleteRecord();
    QCOMPARE(stored(QStringLiteral("SELECT count(*) FROM Csizes WHERE Cultivar = "
                                   "'Apeldoorn Elite'"))
                 .toInt(),
             0);
    QCOMPARE(stored(QStringLiteral("SELECT count(*) FROM Cstdoogst")).toInt(), 0);
}

void TestRefusals::detailWithoutMasterIsRefused()
{
    auto harvest = m_db->view(QStringLiteral("Cstdoogst"));
    harvest->open();
    harvest->insert();
    harvest->fieldByName(QStringLiteral("Cultivar"))->setValue(QStringLiteral("Zebra"));
    harvest->fieldByName(QStringLiteral("Source"))->setValue(QStringLiteral("US"));
    harvest->fieldByName(QStringLiteral("Size"))->setValue(QStringLiteral("12/+"));
    harvest->fieldByName(QStringLiteral("OogstSize"))->setValue(QStringLiteral("10/11"));
    QVERIFY(postError(*harvest).startsWith(QLatin1String("Master record missing")));
    harvest->cancel();
}

QTEST_GUILESS_MAIN(TestRefusals)
#include "tst_refusals.moc"
