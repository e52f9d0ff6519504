#include "support/OtherCopy.h"
#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

#include "db/TDMod.h"
#include "db/engine/EngineError.h"
#include "db/engine/TableView.h"

#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>

using namespace kasplan;
using kasplan::db::EngineError;
using State = kasplan::db::DataSet::State;

namespace {

const QString kSizeExists =
    QStringLiteral("Error KP 11\r\nZift bestaat reeds;\r\nwijzig Zift of druk op Escape\r\n"
                   "of Annuleer wijziging (knopje boven tabel)!");
// Longer than the part of a memo kept in the record itself.
const QString kRemarks = QString(300, QLatin1Char('r')) + QStringLiteral("\r\neinde");

const QStringList kStockFields = {"Aantal", "PG_perfust", "PG_voorraad", "Geboekt", "PG_geboekt"};

QString errorText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EngineError& e) {
        return e.text();
    }
    return QStringLiteral("(no error)");
}

// The stored records of a table, as "field=value" lists in key order, with
// the fields named.
QStringList storedRows(test::TestDatabase& db, const QString& table, const QStringList& fields,
                       const std::function<bool(db::DataSet&)>& which = {})
{
    auto view = db.view(table);
    view->open();
    QStringList rows;
    for (view->first(); !view->eof(); view->next()) {
        if (which && !which(*view))
            continue;
        QStringList values;
        for (const QString& f : fields) {
            const db::Field* field = view->fieldByName(f);
            values.append(field->isNull() ? QStringLiteral("null") : field->asString());
        }
        rows.append(values.join(QLatin1Char('|')));
    }
    return rows;
}

} // namespace

// The copy flows of the data module through its real views, the dialogs
// played by scripted hooks.
class TestCopies : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void copyTakesEveryFieldButStock();
    void copyNamesTheSource_data();
    void copyNamesTheSource();
    void copyStatus_data();
    void copyStatus();
    void cancelledCopyLeavesNothing_data();
    void cancelledCopyLeavesNothing();
    void errorInTheMiddleKeepsWhatWasPosted_data();
    void errorInTheMiddleKeepsWhatWasPosted();
    void copySize_data();
    void copySize();
    void copySizeOfAnExistingSizeIsRefused();

private:
    db::TableView* cdata() const { return m_dmod->tbCdata(); }
    db::TableView* csizes() const { return m_dmod->tbCsizes(); }
    void goTo(const QString& cultivar, const QString& source)
    {
        QVERIFY(cdata()->locate({"Cultivar", "Source"}, {cultivar, source}));
    }
    bool copyEnded() const
    {
        return !m_dmod->Copying() && !m_dmod->InternalEdit() &&
               !m_dmod->tbCdatacopy()->isActive() && !m_dmod->tbCsizescopy()->isActive() &&
               !m_dmod->tbCstdOogstCopy()->isActive() &&
               m_dmod->tbCdatacopy()->filter().isEmpty() && cdata()->state() == State::Browse &&
               csizes()->state() == State::Browse &&
               m_dmod->tbCstdOogst()->state() == State::Browse;
    }
    QStringList sourcesOf(const QString& cultivar)
    {
        return storedRows(*m_db, "Cdata", {"Source"}, [&](db::DataSet& v) {
            return v.fieldByName("Cultivar")->asString() == cultivar;
        });
    }
    QStringList rowsOf(const QString& table, const QString& cultivar, const QString& source,
                       const QStringList& fields)
    {
        return storedRows(*m_db, table, fields, [&](db::DataSet& v) {
            return v.fieldByName("Cultivar")->asString() == cultivar &&
                   v.fieldByName("Source")->asString() == source;
        });
    }
    // A template with every kind of field filled: Apeldoorn/NL gets a memo,
    // stock flags and figures, soil and water periods.
    void fillTemplate();

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<TDMod> m_dmod;
    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
    // What the new-cultivar dialog does: runs while it is shown, answers.
    std::function<bool()> m_dialog;
    int m_dialogs = 0;
};

void TestCopies::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
    m_db->addSampleRecords();
    m_prompts = std::make_unique<ScopedScriptedPrompts>();
    m_dmod = std::make_unique<TDMod>(m_db->session());
    m_dmod->CanDelEditStdRecsHook = [] { return false; };
    m_dmod->StdOogstTypeHook = [] { return 0; };
    m_dmod->CultivarWindowExistsHook = [] { return true; };
    m_dmod->CultivarWindowVisibleHook = [] { return true; };
    m_dialogs = 0;
    m_dialog = [] { return true; };
    m_dmod->NewCultivarDialogHook = [this] {
        ++m_dialogs;
        // As the dialog shows it: copy mode, the name locked.
        if (!m_dmod->Copying() || !m_dmod->InternalEdit())
            return false;
        return m_dialog();
    };
    m_dmod->BindViews(QLatin1String(test::TestDatabase::Alias));
    m_dmod->OpenTables();
}

void TestCopies::cleanup()
{
    m_dmod.reset();
    m_prompts.reset();
    m_db.reset();
}

void TestCopies::fillTemplate()
{
    goTo("Apeldoorn", "NL");
    m_dmod->setInternalEdit(true);
    cdata()->edit();
    cdata()->fieldByName("Remarks")->setValue(kRemarks);
    cdata()->fieldByName("Kleur")->setValue("rood");
    cdata()->fieldByName("SK2")->setValue("abc");
    cdata()->fieldByName("StdOogstType")->setValue(0);
    cdata()->post();
    QVERIFY(csizes()->locate({"Size"}, {"11/12"}));
    csizes()->edit();
    const QList<std::pair<const char*, QVariant>> values = {
        {"PG_voorraad", 40.5}, {"PG_perfust", 2.5},    {"Geboekt", 300},
        {"PG_geboekt", 10.0},  {"Dk_p1", 98},          {"Kd_p3_w", 21},
        {"Kostprijs", 0.25},   {"Locatie_broei", "A"}, {"Gstagemin", QDate(2024, 10, 1)}};
    for (const auto& [field, value] : values)
        csizes()->fieldByName(QLatin1String(field))->setValue(value);
    // Still a delivered record.
    csizes()->fieldByName("Status")->setValue("DLV/LBO");
    csizes()->post();
    m_dmod->setInternalEdit(false);
    QVERIFY(cdata()->fieldByName("Broeivoorraad")->asBoolean());
}

void TestCopies::copyTakesEveryFieldButStock()
{
    fillTemplate();
    goTo("Apeldoorn", "NL");
    QSignalSpy counts(m_dmod.get(), &TDMod::CultivarCountChanged);
    m_dmod->CopyCultivar();
    QCOMPARE(m_dialogs, 1);
    QVERIFY(copyEnded());
    QVERIFY((*m_prompts)->shown().isEmpty());
    QCOMPARE(cdata()->fieldByName("Source")->asString(), QStringLiteral("NL1"));
    QCOMPARE(counts.last().first().toString(), QStringLiteral("Totaal 7 Cultivars"));

    // Every stored field of the cultivar but the key, the status and the
    // stock flags (the copy has no stock).
    QStringList cdataFields;
    for (const db::FieldDef& f : m_db->database().tableDef("Cdata").fields) {
        if (!QStringList{"Source", "Status", "PGvoorraad", "Broeivoorraad"}.contains(f.name))
            cdataFields.append(f.name);
    }
    QCOMPARE(rowsOf("Cdata", "Apeldoorn", "NL1", cdataFields),
             rowsOf("Cdata", "Apeldoorn", "NL", cdataFields));
    QCOMPARE(
        rowsOf("Cdata", "Apeldoorn", "NL1", {"Remarks", "Status", "PGvoorraad", "Broeivoorraad"}),
        QStringList{kRemarks + "|Toegevoegd|false|false"});

    QStringList sizeFields;
    for (const db::FieldDef& f : m_db->database().tableDef("Csizes").fields) {
        if (!QStringList{"Cultivar", "Source", "Status"}.contains(f.name) &&
            !kStockFields.contains(f.name))
            sizeFields.append(f.name);
    }
    QCOMPARE(rowsOf("Csizes", "Apeldoorn", "NL1", sizeFields),
             rowsOf("Csizes", "Apeldoorn", "NL", sizeFields));
    QCOMPARE(rowsOf("Csizes", "Apeldoorn", "NL1", QStringList{"Size", "Status"} + kStockFields),
             (QStringList{"11/12|Toegevoegd|null|null|null|null|null",
                          "12/+|Toegevoegd|null|null|null|null|null"}));
    const QStringList harvest = {"Size", "OogstSize", "Qtyunit", "StdQty_per_m2"};
    QCOMPARE(rowsOf("Cstdoogst", "Apeldoorn", "NL1", harvest),
             rowsOf("Cstdoogst", "Apeldoorn", "NL", harvest));
    QCOMPARE(rowsOf("Cstdoogst", "Apeldoorn", "NL1", harvest).size(), 2);
    // The template is untouched.
    QCOMPARE(rowsOf("Csizes", "Apeldoorn", "NL", {"Size", "Aantal", "PG_voorraad"}),
             (QStringList{"11/12|1000|40.5", "12/+|500|null"}));
}

void TestCopies::copyNamesTheSource_data()
{
    QTest::addColumn<QString>("cultivar");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("added"); // "name|source" records added first
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("sizes");

    QTest::newRow("NL with NL and NL1") << "Apeldoorn"
                                        << "NL" << QStringList{"Apeldoorn|NL1"} << "NL2" << 2;
    QTest::newRow("an empty source") << "Apeldoorn"
                                     << "" << QStringList{"Apeldoorn|1"} << "2" << 0;
    QTest::newRow("other names do not count") << "Blenda"
                                              << "NL" << QStringList{"Blender|NL1"} << "NL1" << 1;
    QTest::newRow("an apostrophe in the name") << "O'Brien"
                                               << "" << QStringList() << "1" << 1;
    // The filter names it exactly, not every name beginning with "Star".
    QTest::newRow("a name ending in a star")
        << "Star*"
        << "" << QStringList{"Star*|", "Starlight|", "Starlight|1"} << "1" << 1;
}

void TestCopies::copyNamesTheSource()
{
    QFETCH(QString, cultivar);
    QFETCH(QString, source);
    QFETCH(QStringList, added);
    QFETCH(QString, expected);
    QFETCH(int, sizes);

    for (const QString& record : added) {
        const QStringList key = record.split(QLatin1Char('|'));
        m_db->add("Cdata", {{"Cultivar", key[0]}, {"Source", key[1]}, {"Status", "DLV/LBO"}});
        m_db->add("Csizes", {{"Cultivar", key[0]}, {"Source", key[1]}, {"Size", "10/11"}});
    }
    if (cultivar == "O'Brien")
        m_db->add("Csizes", {{"Cultivar", cultivar}, {"Source", source}, {"Size", "10/11"}});
    cdata()->refresh();
    goTo(cultivar, source);
    m_dmod->CopyCultivar();
    QVERIFY(copyEnded());
    QCOMPARE(cdata()->fieldByName("Cultivar")->asString(), cultivar);
    QCOMPARE(cdata()->fieldByName("Source")->asString(), expected);
    QCOMPARE(rowsOf("Csizes", cultivar, expected, {"Size"}).size(), sizes);
}

void TestCopies::copyStatus_data()
{
    QTest::addColumn<QString>("status"); // of the template and its sizes
    QTest::addColumn<QString>("expected");
    QTest::newRow("delivered") << "DLV/LBO"
                               << "Toegevoegd";
    QTest::newRow("empty") << ""
                           << "Toegevoegd";
    QTest::newRow("changed stays") << "Aangepast"
                                   << "Aangepast";
    QTest::newRow("added changed stays") << "Toeg.\\Aangep."
                                         << "Toeg.\\Aangep.";
}

void TestCopies::copyStatus()
{
    QFETCH(QString, status);
    QFETCH(QString, expected);
    goTo("Apeldoorn", "NL");
    m_dmod->setInternalEdit(true);
    cdata()->edit();
    cdata()->fieldByName("Status")->setValue(status);
    cdata()->post();
    for (csizes()->first(); !csizes()->eof(); csizes()->next()) {
        csizes()->edit();
        csizes()->fieldByName("Status")->setValue(status);
        csizes()->post();
    }
    m_dmod->setInternalEdit(false);
    m_dmod->CopyCultivar();
    QVERIFY(copyEnded());
    QCOMPARE(rowsOf("Cdata", "Apeldoorn", "NL1", {"Status"}), QStringList{expected});
    QCOMPARE(rowsOf("Csizes", "Apeldoorn", "NL1", {"Status"}), (QStringList{expected, expected}));
}

void TestCopies::cancelledCopyLeavesNothing_data()
{
    QTest::addColumn<QString>("typedSource"); // typed in the dialog before Cancel
    QTest::newRow("nothing typed") << QString();
    QTest::newRow("a source typed") << "BE";
    QTest::newRow("an existing source typed") << "";
}

void TestCopies::cancelledCopyLeavesNothing()
{
    QFETCH(QString, typedSource);
    const QStringList all = {"Cultivar", "Source"};
    const QStringList cdataBefore = storedRows(*m_db, "Cdata", all);
    const QStringList sizesBefore = storedRows(*m_db, "Csizes", all + QStringList{"Size"});
    const QStringList harvestBefore = storedRows(*m_db, "Cstdoogst", all + QStringList{"Size"});
    m_dialog = [&] {
        if (!typedSource.isNull()) {
            cdata()->edit();
            cdata()->fieldByName("Source")->setValue(typedSource);
            // The existing source is refused; the dialog stays open.
            if (typedSource.isEmpty())
                errorText([&] { cdata()->post(); });
        }
        return false;
    };
    goTo("Apeldoorn", "NL");
    QSignalSpy counts(m_dmod.get(), &TDMod::CultivarCountChanged);
    m_dmod->CopyCultivar();
    QCOMPARE(m_dialogs, 1);
    QVERIFY(copyEnded());
    QCOMPARE(storedRows(*m_db, "Cdata", all), cdataBefore);
    QCOMPARE(storedRows(*m_db, "Csizes", all + QStringList{"Size"}), sizesBefore);
    QCOMPARE(storedRows(*m_db, "Cstdoogst", all + QStringList{"Size"}), harvestBefore);
    QCOMPARE(cdata()->recordCount(), 6);
    QCOMPARE(counts.last().first().toString(), QStringLiteral("Totaal 6 Cultivars"));
}

// The other copy runs on this computer; the message names both.
const QString kLockTail = QStringLiteral("is gelocked en wordt bewerkt door gebruiker: anna "
                                         "(computer %1)\r\n"
                                         "Cultivar- en voorraadgegevens kunnen niet worden "
                                         "aangepast.")
                              .arg(QSysInfo::machineHostName());

void TestCopies::errorInTheMiddleKeepsWhatWasPosted_data()
{
    QTest::addColumn<QStringList>("otherCopy"); // what anna does while the dialog is shown
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("sizesKept"); // of the copy, "size|status"
    QTest::addColumn<int>("harvestKept");
    QTest::addColumn<QString>("status"); // of the copy

    // The second size is there already when the copy comes to it.
    QTest::newRow("another copy adds a size")
        << QStringList{"append Csizes",          "set Csizes Cultivar Apeldoorn",
                       "set Csizes Source NL1",  "set Csizes Size 12/+",
                       "set Csizes Status anna", "post Csizes"}
        << kSizeExists << QStringList{"11/12|Toegevoegd", "12/+|anna"} << 2 << "Toegevoegd";
    // The copy's own status cannot be written while another copy edits it.
    QTest::newRow("another copy edits the new cultivar")
        << QStringList{"edit Cdata Apeldoorn NL1"}
        << QStringLiteral("Cultivar gegevens record met:\r\n    Cultivar: Apeldoorn\r\n"
                          "    Herkomst: NL1\r\n") +
               kLockTail
        << QStringList() << 0 << "DLV/LBO";
}

void TestCopies::errorInTheMiddleKeepsWhatWasPosted()
{
    QFETCH(QStringList, otherCopy);
    QFETCH(QString, message);
    QFETCH(QStringList, sizesKept);
    QFETCH(int, harvestKept);
    QFETCH(QString, status);

    test::OtherCopy anna(m_db->location(), QStringLiteral("anna"), 60000);
    QVERIFY(anna.ready());
    m_dialog = [&] {
        for (const QString& command : otherCopy) {
            if (anna.send(command.split(QLatin1Char(' '))) != QLatin1String("ok"))
                return false;
        }
        return true;
    };
    goTo("Apeldoorn", "NL");
    QCOMPARE(errorText([&] { m_dmod->CopyCultivar(); }), message);
    QVERIFY(copyEnded());
    QVERIFY((*m_prompts)->shown().isEmpty());
    QCOMPARE(rowsOf("Cdata", "Apeldoorn", "NL1", {"Status"}), QStringList{status});
    QCOMPARE(rowsOf("Csizes", "Apeldoorn", "NL1", {"Size", "Status"}), sizesKept);
    QCOMPARE(rowsOf("Cstdoogst", "Apeldoorn", "NL1", {"OogstSize"}).size(), harvestKept);

    // The program goes on: the next copy works.
    m_dialog = [] { return true; };
    goTo("Apeldoorn", "NL");
    m_dmod->CopyCultivar();
    QCOMPARE(cdata()->fieldByName("Source")->asString(), QStringLiteral("NL2"));
    QCOMPARE(rowsOf("Csizes", "Apeldoorn", "NL2", {"Size"}).size(), 2);
}

void TestCopies::copySize_data()
{
    QTest::addColumn<QString>("cultivar");
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("choose");
    QTest::addColumn<QStringList>("expected"); // the cultivar's sizes afterwards

    const QStringList fields = {"Size", "Status", "Aantal", "PG_voorraad", "Dk_p1", "Kostprijs"};
    QTest::newRow("stock figures kept")
        << "Apeldoorn"
        << "NL" << true
        << QStringList{"10/11|Toegevoegd|1000|40.5|98|0.25", "11/12|DLV/LBO|1000|40.5|98|0.25",
                       "12/+|null|500|null|null|null"};
    QTest::newRow("cancelled") << "Apeldoorn"
                               << "NL" << false
                               << QStringList{"11/12|DLV/LBO|1000|40.5|98|0.25",
                                              "12/+|null|500|null|null|null"};
    QTest::newRow("a cultivar without sizes")
        << "Zebra"
        << "US" << true << QStringList{"10/11|Toegevoegd|null|null|null|null"};
}

void TestCopies::copySize()
{
    QFETCH(QString, cultivar);
    QFETCH(QString, source);
    QFETCH(bool, choose);
    QFETCH(QStringList, expected);
    fillTemplate();
    int dialogs = 0;
    m_dmod->SizeSelDialogHook = [&] {
        ++dialogs;
        // The list starts on its first entry, 10/11.
        return choose && m_dmod->Copying() && m_dmod->InternalEdit() &&
               m_dmod->tbSizes()->currentIndex() == 0;
    };
    goTo(cultivar, source);
    QVERIFY(csizes()->locate({"Size"}, {"11/12"}) || csizes()->isEmpty());
    m_dmod->CopySize();
    QCOMPARE(dialogs, 1);
    QVERIFY(copyEnded());
    QCOMPARE(rowsOf("Csizes", cultivar, source,
                    {"Size", "Status", "Aantal", "PG_voorraad", "Dk_p1", "Kostprijs"}),
             expected);
    // The size's standard-harvest records stay with the original.
    QCOMPARE(rowsOf("Cstdoogst", cultivar, source, {"Size"}).filter("10/11"), QStringList());
    if (choose)
        QCOMPARE(csizes()->fieldByName("Size")->asString(), QStringLiteral("10/11"));
}

void TestCopies::copySizeOfAnExistingSizeIsRefused()
{
    m_dmod->SizeSelDialogHook = [this] { return m_dmod->tbSizes()->locate({"Size"}, {"12/+"}); };
    goTo("Apeldoorn", "NL");
    QVERIFY(csizes()->locate({"Size"}, {"11/12"}));
    QCOMPARE(errorText([&] { m_dmod->CopySize(); }), kSizeExists);
    QVERIFY(copyEnded());
    QCOMPARE(csizes()->recordCount(), 2);
    QCOMPARE(rowsOf("Csizes", "Apeldoorn", "NL", {"Size", "Aantal"}),
             (QStringList{"11/12|1000", "12/+|500"}));

    // Without the dialog no size is chosen: nothing is added.
    m_dmod->SizeSelDialogHook = nullptr;
    m_dmod->CopySize();
    QVERIFY(copyEnded());
    QCOMPARE(csizes()->recordCount(), 2);
}

QTEST_GUILESS_MAIN(TestCopies)
#include "tst_copies.moc"
