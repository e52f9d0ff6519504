#include "db/engine/EngineError.h"
#include "db/engine/RecordLines.h"
#include "db/engine/TableView.h"

#include "support/TestDatabase.h"

#include <QTest>

using namespace kasplan;

// Records as lines of text: what each format does with a value that holds
// its separators, and stored values rather than display texts.
class TestRecordLines : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valuesKeepTheirColumns_data();
    void valuesKeepTheirColumns();
    void headerAndStoredValues();
};

void TestRecordLines::valuesKeepTheirColumns_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tsv");
    QTest::addColumn<QString>("csv");

    QTest::newRow("plain") << "Apeldoorn"
                           << "Apeldoorn\t1\r\n"
                           << "Apeldoorn,1\r\n";
    QTest::newRow("a comma") << "Rood, wit"
                             << "Rood, wit\t1\r\n"
                             << "\"Rood, wit\",1\r\n";
    QTest::newRow("quotes") << "De \"Beste\""
                            << "De \"Beste\"\t1\r\n"
                            << "\"De \"\"Beste\"\"\",1\r\n";
    QTest::newRow("a line break") << "twee\r\nregels"
                                  << "twee  regels\t1\r\n"
                                  << "\"twee\r\nregels\",1\r\n";
    QTest::newRow("a lone line feed") << "twee\nregels"
                                      << "twee regels\t1\r\n"
                                      << "\"twee\nregels\",1\r\n";
    QTest::newRow("a tab") << "a\tb"
                           << "a b\t1\r\n"
                           << "a\tb,1\r\n";
    QTest::newRow("spaces stay") << " Zebra "
                                 << " Zebra \t1\r\n"
                                 << " Zebra ,1\r\n";
}

void TestRecordLines::valuesKeepTheirColumns()
{
    QFETCH(QString, name);
    QFETCH(QString, tsv);
    QFETCH(QString, csv);
    test::TestDatabase database;
    database.add(QStringLiteral("Cdata"),
                 {{QStringLiteral("Cultivar"), name}, {QStringLiteral("Hoofdgroep"), 1}});
    auto view = database.view(QStringLiteral("Cdata"));
    view->open();
    const QList<db::TextColumn> columns{
        {QStringLiteral("Cultivar"), QStringLiteral("Cultivar"), {}},
        {QStringLiteral("Hoofdgroep"), QStringLiteral("Hoofdgroep"), {}}};
    for (const auto& [format, expected] :
         {std::pair{db::TextFormat::Tsv, tsv}, std::pair{db::TextFormat::Csv, csv}}) {
        QString text;
        db::RecordLines(*view, columns, format).appendRecord(text, 0);
        QCOMPARE(text, expected);
    }
}

void TestRecordLines::headerAndStoredValues()
{
    test::TestDatabase database;
    database.add(QStringLiteral("Cdata"), {{QStringLiteral("Cultivar"), QStringLiteral("Blenda")},
                                           {QStringLiteral("Hoofdgroep"), 3}});
    database.add(QStringLiteral("Cdata"), {{QStringLiteral("Cultivar"), QStringLiteral("Zebra")}});
    auto view = database.view(QStringLiteral("Cdata"));
    // A display text of its own, which the lines do not take.
    view->fieldByName(QStringLiteral("Hoofdgroep"))->handlers().onGetText =
        [](db::Field&, QString& text, bool) { text = QStringLiteral("Gladiolen GL"); };
    view->open();
    const QList<db::TextColumn> columns{
        {QStringLiteral("Naam, soort"), QStringLiteral("Cultivar"), {}},
        {QStringLiteral("Groep"), QStringLiteral("Hoofdgroep"), {}},
        {QStringLiteral("Groep?"), QStringLiteral("Hoofdgroep"),
         [](const QVariant& v) { return v.isNull() ? QStringLiteral("geen") : v.toString(); }}};
    QString tsv;
    QString csv;
    const db::RecordLines tsvLines(*view, columns, db::TextFormat::Tsv);
    const db::RecordLines csvLines(*view, columns, db::TextFormat::Csv);
    tsvLines.appendHeader(tsv);
    csvLines.appendHeader(csv);
    for (int row = 0; row < 2; ++row) {
        tsvLines.appendRecord(tsv, row);
        csvLines.appendRecord(csv, row);
    }
    QCOMPARE(tsv,
             QStringLiteral("Naam, soort\tGroep\tGroep?\r\nBlenda\t3\t3\r\nZebra\t\tgeen\r\n"));
    QCOMPARE(csv, QStringLiteral("\"Naam, soort\",Groep,Groep?\r\nBlenda,3,3\r\nZebra,,geen\r\n"));
    // The view stayed where it was.
    QCOMPARE(view->currentIndex(), 0);
    // A column without its field is refused when the lines are made.
    QVERIFY_THROWS_EXCEPTION(
        db::EngineError,
        db::RecordLines(*view, {{QStringLiteral("Kleur?"), QStringLiteral("Colour"), {}}},
                        db::TextFormat::Tsv));
}

QTEST_GUILESS_MAIN(TestRecordLines)
#include "tst_recordlines.moc"
