#include "db/OldCdataTable.h"
#include "db/StandardDatabase.h"
#include "db/TDMod.h"
#include "db/engine/DataSource.h"
#include "db/engine/EngineSession.h"
#include "db/engine/QueryView.h"
#include "db/engine/TableView.h"

#include <QTemporaryDir>
#include <QTest>

using namespace kasplan;
using kasplan::db::DataSet;
using kasplan::db::FieldKind;
using kasplan::db::FieldType;

// The data module's views on the standard database.
class TestTDMod : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void openAndCloseTables();
    void viewsFollowTheCurrentCultivar();
    void fieldsOfTheViews_data();
    void fieldsOfTheViews();
    void displayAttributes_data();
    void displayAttributes();

private:
    DataSet* view(const QString& name) const;

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<db::EngineSession> m_session;
    std::unique_ptr<TDMod> m_dmod;
};

void TestTDMod::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    qputenv("KASPLAN_HOME", m_home->path().toUtf8());
    m_session = std::make_unique<db::EngineSession>();
    StandardDatabase::prepare(*m_session);
    m_dmod = std::make_unique<TDMod>(*m_session);
    m_dmod->BindViews(QStringLiteral("BROEI"));
}

void TestTDMod::cleanup()
{
    m_dmod.reset();
    m_session.reset();
    m_home.reset();
}

DataSet* TestTDMod::view(const QString& name) const
{
    for (DataSet* v : m_dmod->views()) {
        if (v->name() == name)
            return v;
    }
    return nullptr;
}

void TestTDMod::openAndCloseTables()
{
    QCOMPARE(m_dmod->DatabaseAlias(), QStringLiteral("BROEI"));
    m_dmod->OpenTables();
    QStringList open;
    for (DataSet* v : m_dmod->views()) {
        if (v->isActive())
            open.append(v->name());
    }
    QCOMPARE(open, QStringList({"tbCdata", "tbCsizes", "tbAllCsizes", "tbCstdOogst", "tbSizes",
                                "SizesQuery"}));
    QCOMPARE(m_dmod->tbCdata()->recordCount(), 22);
    QCOMPARE(m_dmod->SizesQuery()->recordCount(), 4);

    // The copy views give every field of their tables.
    m_dmod->tbCdatacopy()->open();
    QCOMPARE(m_dmod->tbCdatacopy()->fieldCount(), m_dmod->tbCdata()->fieldCount() - 1);
    m_dmod->tbCsizescopy()->open();
    QCOMPARE(m_dmod->tbCsizescopy()->recordCount(), 2); // the first cultivar's sizes

    m_dmod->CloseTables();
    for (DataSet* v : m_dmod->views())
        QVERIFY2(!v->isActive(), qPrintable(v->name()));

    // The old table stays on the standard database whatever the location.
    m_dmod->BindViews(QStringLiteral("HORTIDB"));
    QCOMPARE(m_dmod->tbCsizes()->databaseName(), QStringLiteral("HORTIDB"));
    QCOMPARE(m_dmod->OldCdata()->databaseName(), QStringLiteral("BROEI"));
}

void TestTDMod::viewsFollowTheCurrentCultivar()
{
    m_dmod->OpenTables();
    db::TableView* cdata = m_dmod->tbCdata();
    QVERIFY(cdata->locate({QStringLiteral("Cultivar")}, {QStringLiteral("pul")},
                          DataSet::CaseInsensitive | DataSet::PartialKey));
    QCOMPARE(m_dmod->tbCsizes()->recordCount(), 2);
    QCOMPARE(m_dmod->tbCsizes()->fieldByName(QStringLiteral("Cultivar"))->asString(),
             QStringLiteral("Pulse"));
    QCOMPARE(m_dmod->tbCsizes()->fieldByName(QStringLiteral("SizeLU"))->asString(),
             QStringLiteral("11/12"));
    QCOMPARE(m_dmod->tbAllCsizes()->recordCount(), 44);

    // A cultivar added and a size inserted under it: the size takes its key.
    cdata->insert();
    cdata->fieldByName(QStringLiteral("Cultivar"))->setValue(QStringLiteral("X"));
    cdata->fieldByName(QStringLiteral("Source"))->setValue(QStringLiteral("NL"));
    cdata->post();
    QVERIFY(m_dmod->tbCsizes()->isEmpty());
    m_dmod->tbCsizes()->insert();
    m_dmod->tbCsizes()->fieldByName(QStringLiteral("Size"))->setValue(QStringLiteral("10/11"));
    m_dmod->tbCsizes()->post();
    QCOMPARE(m_dmod->tbCsizes()->fieldByName(QStringLiteral("Cultivar"))->asString(),
             QStringLiteral("X"));
    QCOMPARE(m_dmod->tbCsizes()->fieldByName(QStringLiteral("Source"))->asString(),
             QStringLiteral("NL"));

    // Standard harvest under the new size, through the size list lookup.
    db::TableView* harvest = m_dmod->tbCstdOogst();
    harvest->insert();
    harvest->fieldByName(QStringLiteral("OogstSize"))->setValue(QStringLiteral("14/+"));
    harvest->post();
    QCOMPARE(harvest->fieldByName(QStringLiteral("Size"))->asString(), QStringLiteral("10/11"));
    QCOMPARE(harvest->fieldByName(QStringLiteral("OogstSizeLU"))->asString(),
             QStringLiteral("14/+"));
    harvest->edit();
    harvest->fieldByName(QStringLiteral("OogstSize"))->setValue(QStringLiteral("Alle"));
    QVERIFY(harvest->fieldByName(QStringLiteral("OogstSizeLU"))->isNull());
    harvest->cancel();

    cdata->first();
    QCOMPARE(m_dmod->tbCstdOogst()->recordCount(), 0);
    QVERIFY(cdata->locate({QStringLiteral("Cultivar")}, {QStringLiteral("X")}));
    QCOMPARE(m_dmod->tbCstdOogst()->recordCount(), 1);
}

void TestTDMod::fieldsOfTheViews_data()
{
    QTest::addColumn<QString>("viewName");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("kind"); // -1: the view does not have it
    QTest::addColumn<int>("type");

    const int data = int(FieldKind::Data);
    const int calculated = int(FieldKind::Calculated);
    const int lookup = int(FieldKind::Lookup);
    QTest::newRow("main group abbreviation")
        << "tbCdata"
        << "HoofdGroepAfk" << calculated << int(FieldType::Alpha);
    QTest::newRow("remarks") << "tbCdata"
                             << "Remarks" << data << int(FieldType::Memo);
    QTest::newRow("remaining stock") << "tbCsizes"
                                     << "Resterend" << calculated << int(FieldType::Long);
    QTest::newRow("trays on water") << "tbCsizes"
                                    << "Ntrays_w" << calculated << int(FieldType::Long);
    QTest::newRow("remaining planting stock")
        << "tbCsizes"
        << "PG_Resterend" << calculated << int(FieldType::Number);
    QTest::newRow("containers used") << "tbCsizes"
                                     << "PG_fustenused" << calculated << int(FieldType::Long);
    QTest::newRow("size lookup") << "tbCsizes"
                                 << "SizeLU" << lookup << int(FieldType::Alpha);
    QTest::newRow("location of forcing bulbs") << "tbCsizes"
                                               << "Locatie_broei" << data << int(FieldType::Alpha);
    QTest::newRow("earliest G-stage") << "tbCsizes"
                                      << "Gstagemin" << data << int(FieldType::Date);
    QTest::newRow("harvest size lookup") << "tbCstdOogst"
                                         << "OogstSizeLU" << lookup << int(FieldType::Alpha);
    QTest::newRow("all sizes: containers") << "tbAllCsizes"
                                           << "PG_fusten" << calculated << int(FieldType::Number);
    QTest::newRow("all sizes: remaining planting stock")
        << "tbAllCsizes"
        << "PG_resterend" << calculated << int(FieldType::Number);
    QTest::newRow("all sizes: no location") << "tbAllCsizes"
                                            << "Locatie_pltgd" << -1 << 0;
    QTest::newRow("all sizes: no trays") << "tbAllCsizes"
                                         << "Ntrays" << -1 << 0;
    QTest::newRow("harvest of all: key only") << "tbCstdOogstAll"
                                              << "StdQty_per_m2" << -1 << 0;
    QTest::newRow("harvest of all: harvested size") << "tbCstdOogstAll"
                                                    << "OogstSize" << data << int(FieldType::Alpha);
}

void TestTDMod::fieldsOfTheViews()
{
    QFETCH(QString, viewName);
    QFETCH(QString, field);
    QFETCH(int, kind);
    QFETCH(int, type);
    DataSet* v = view(viewName);
    QVERIFY(v);
    db::Field* f = v->findField(field);
    if (kind < 0) {
        QVERIFY(!f);
        return;
    }
    QVERIFY(f);
    QCOMPARE(int(f->kind()), kind);
    QCOMPARE(int(f->dataType()), type);
}

void TestTDMod::displayAttributes_data()
{
    QTest::addColumn<QString>("viewName");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("width");

    QTest::newRow("min per metre") << "tbCsizes"
                                   << "Qtypermetermin"
                                   << "MinStks/m"
                                   << "#0" << 10;
    QTest::newRow("max per metre, all sizes") << "tbAllCsizes"
                                              << "Qtypermetermax"
                                              << "MaxStks/m"
                                              << "#0" << 10;
    QTest::newRow("forcing bulbs location") << "tbCsizes"
                                            << "Locatie_broei"
                                            << "Loc.Broeibollen"
                                            << "" << 20;
    QTest::newRow("planting stock location") << "tbCsizes"
                                             << "Locatie_pltgd"
                                             << "Loc.Plantgoed"
                                             << "" << 20;
    QTest::newRow("containers") << "tbCsizes"
                                << "PG_fusten"
                                << "PG_fusten"
                                << "#0.###" << 10;
    QTest::newRow("rest in last container") << "tbCsizes"
                                            << "PG_restfustqty"
                                            << "PG_restfustqty"
                                            << "#0.###" << 10;
    QTest::newRow("size") << "tbSizes"
                          << "Size"
                          << "Size"
                          << "" << 5;
    QTest::newRow("unit") << "tbSizes"
                          << "QtyUnit"
                          << "QtyUnit"
                          << "" << 10;
    QTest::newRow("use type") << "tbSizes"
                              << "Gebruikstype"
                              << "Gebruikstype"
                              << "" << 10;
    QTest::newRow("standard cost") << "tbSizes"
                                   << "StdBroeiKprijs"
                                   << "Std.Broei-kostprijs"
                                   << "" << 10;
    QTest::newRow("temperature") << "tbLocaties"
                                 << "Temp"
                                 << "Temp [oC]"
                                 << "" << 10;
    QTest::newRow("humidity") << "tbLocaties"
                              << "Humrel"
                              << "Rel.Vocht.[%]"
                              << "" << 10;
    QTest::newRow("floor area") << "tbLocaties"
                                << "Oppm2"
                                << "Opp[m2]"
                                << "" << 10;
    QTest::newRow("volume") << "tbLocaties"
                            << "Inhm3"
                            << "Inh[m3]"
                            << "" << 10;
}

void TestTDMod::displayAttributes()
{
    QFETCH(QString, viewName);
    QFETCH(QString, field);
    QFETCH(QString, label);
    QFETCH(QString, format);
    QFETCH(int, width);
    const db::Field* f = view(viewName)->fieldByName(field);
    QCOMPARE(f->displayLabel(), label);
    QCOMPARE(f->displayFormat(), format);
    QCOMPARE(f->displayWidth(), width);
}

QTEST_GUILESS_MAIN(TestTDMod)
#include "tst_tdmod.moc"
