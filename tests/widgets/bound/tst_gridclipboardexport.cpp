#include "db/ExportColumns.h"
#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "widgets/TProgressBox.h"
#include "widgets/bound/GridClipboardExport.h"
#include "widgets/bound/TDBGrid.h"

#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QClipboard>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

using namespace kasplan;

// The clipboard export of a grid on the data module's cultivar view: the
// exact text, the rows it takes, and what the user sees while it runs.
class TestGridClipboardExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void threeColumnsAndTwoRecordsGiveExactlyTheirLines();
    void cultivarListGivesTheLinesOfTheExportCommand();
    void whileItRunsTheProgressBoxShowsAndTheGridWaits();
    void cancelDuringTheRowsLeavesTheClipboard_data();
    void cancelDuringTheRowsLeavesTheClipboard();
    void markedRowsAskWhatToCopy_data();
    void markedRowsAskWhatToCopy();

private:
    void openDataModule();
    std::unique_ptr<TDBGrid> grid(const QList<DataSetTableModel::Column>& columns);
    QString cultivar() const;
    // Runs check at every update of the progress box while an export runs,
    // as long as the timer answered lives.
    static std::unique_ptr<QTimer> duringExport(std::function<void(TProgressBox&)> check);

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<TDMod> m_dmod;
};

void TestGridClipboardExport::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
}

void TestGridClipboardExport::cleanup()
{
    if (m_dmod)
        m_dmod->CloseAllViews();
    m_dmod.reset();
    m_db.reset();
    QGuiApplication::clipboard()->clear();
}

void TestGridClipboardExport::openDataModule()
{
    m_dmod = std::make_unique<TDMod>(m_db->session());
    m_dmod->BindViews(QLatin1String(test::TestDatabase::Alias));
    m_dmod->OpenTables();
}

std::unique_ptr<TDBGrid>
TestGridClipboardExport::grid(const QList<DataSetTableModel::Column>& columns)
{
    auto g = std::make_unique<TDBGrid>(m_dmod->dsCdata(), columns);
    g->resize(500, 300);
    return g;
}

QString TestGridClipboardExport::cultivar() const
{
    return m_dmod->tbCdata()->fieldByName(QStringLiteral("Cultivar"))->asString();
}

std::unique_ptr<QTimer>
TestGridClipboardExport::duringExport(std::function<void(TProgressBox&)> check)
{
    // A zero timer runs on every pass of the event loop, and the progress
    // box passes the loop at every update while its Cancel button shows.
    auto watch = std::make_unique<QTimer>();
    watch->setInterval(0);
    connect(watch.get(), &QTimer::timeout, watch.get(), [check = std::move(check)] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<TProgressBox*>(w); box && box->isVisible())
                check(*box);
        }
    });
    watch->start();
    return watch;
}

void TestGridClipboardExport::threeColumnsAndTwoRecordsGiveExactlyTheirLines()
{
    m_db->add(
        QStringLiteral("Cdata"),
        {{"Cultivar", "Apeldoorn"}, {"Source", "NL"}, {"Hoofdgroep", 1}, {"Status", "DLV/LBO"}});
    m_db->add(QStringLiteral("Cdata"), {{"Cultivar", "Blenda"}, {"Source", ""}});
    openDataModule();
    using Column = DataSetTableModel::Column;
    const auto g = grid({Column{QStringLiteral("Cultivar"), {}, 100},
                         Column{QStringLiteral("Source"), QStringLiteral("Herkomst"), 60},
                         Column{QStringLiteral("Hoofdgroep"), QStringLiteral("Hoofdgroep"), 80}});
    g->setFieldColumnHidden(QStringLiteral("Source"), true);
    ScopedScriptedPrompts prompts;
    QGuiApplication::clipboard()->setText(QStringLiteral("vorige inhoud"));

    GridClipboardExport(*g).Run();

    // The grid shows the main group's name, the text holds its number; an
    // empty field gives nothing, and the hidden column is there.
    QCOMPARE(g->model()->index(0, 2).data().toString(), QStringLiteral("Tulpen TU"));
    const QString text = QGuiApplication::clipboard()->text();
    QCOMPARE(text, QStringLiteral("Cultivar\tHerkomst\tHoofdgroep\r\n"
                                  "Apeldoorn\tNL\t1\r\n"
                                  "Blenda\t\t\r\n"));
    QCOMPARE(text.count(QLatin1Char('\t')), 6);
    QVERIFY(!text.contains(QChar(0)));
    // No rows were marked, so nothing was asked.
    QVERIFY(prompts->shown().isEmpty());
    QCOMPARE(cultivar(), QStringLiteral("Blenda"));
    QCOMPARE(g->currentIndex().row(), 1);
}

void TestGridClipboardExport::cultivarListGivesTheLinesOfTheExportCommand()
{
    // The same records and lines as tst_exportcommand's list.
    m_db->addSampleRecords();
    m_db->add(QStringLiteral("Cdata"), {{"Cultivar", "Rood, \"extra\""},
                                        {"Source", "NL"},
                                        {"Hoofdgroep", 1},
                                        {"ProductType", 1},
                                        {"BolArtikelcode", "B-12"},
                                        {"CertifNr", "C 7"},
                                        {"Artikelcode", "T100"}});
    openDataModule();
    QList<DataSetTableModel::Column> columns;
    for (const db::TextColumn& c : ExportColumns::CultivarList())
        columns.append({c.field, c.title});
    const auto g = grid(columns);
    QCOMPARE(GridClipboardExport(*g).BuildText(),
             QStringLiteral("Cultivar\tHerkomst\tHoofdgroep\tArtikelcode bollen\tCertifNr\t"
                            "Artikelcode bloemen\tProducttype bloemen\r\n"
                            "Apeldoorn\t\t1\t\t\t\t\r\n"
                            "Apeldoorn\tNL\t1\t\t\t\t\r\n"
                            "apricot\tNL\t1\t\t\t\t\r\n"
                            "Blenda\tNL\t3\t\t\t\t\r\n"
                            "O'Brien\t\t3\t\t\t\t\r\n"
                            "Rood, \"extra\"\tNL\t1\tB-12\tC 7\tT100\t1\r\n"
                            "Zebra\tUS\t0\t\t\t\t\r\n"));
}

void TestGridClipboardExport::whileItRunsTheProgressBoxShowsAndTheGridWaits()
{
    m_db->addSampleRecords();
    openDataModule();
    const auto g = grid({{QStringLiteral("Cultivar"), {}}});
    QString caption;
    bool cancelShown = false;
    bool busy = false;
    bool suspended = false;
    QList<int> positions;
    const auto watch = duringExport([&](TProgressBox& box) {
        caption = box.windowTitle();
        cancelShown = box.CancelBtn->isVisible();
        busy = QGuiApplication::overrideCursor() &&
               QGuiApplication::overrideCursor()->shape() == Qt::BusyCursor;
        suspended = m_dmod->tbCdata()->controlsDisabled();
        if (positions.value(positions.size() - 1, -1) != box.ProgressBar->value())
            positions.append(box.ProgressBar->value());
    });
    GridClipboardExport(*g).Run();

    QCOMPARE(caption, QStringLiteral("Copying to clipboard...."));
    QVERIFY(cancelShown);
    QVERIFY(busy);
    QVERIFY(suspended);
    // 5 for the header, 85 in a step for each of the six records, 10 once
    // on the clipboard.
    QCOMPARE(positions.size(), 1 + 6 + 1);
    QCOMPARE(positions.first(), 5);
    QVERIFY(std::is_sorted(positions.begin(), positions.end()));
    QCOMPARE(positions.at(6), 90);
    QCOMPARE(positions.last(), 100);
    // Everything is given back.
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(!m_dmod->tbCdata()->controlsDisabled());
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<TProgressBox*>(w));
}

void TestGridClipboardExport::cancelDuringTheRowsLeavesTheClipboard_data()
{
    QTest::addColumn<bool>("toClipboard");
    QTest::newRow("copy") << true;
    QTest::newRow("text only") << false;
}

void TestGridClipboardExport::cancelDuringTheRowsLeavesTheClipboard()
{
    QFETCH(bool, toClipboard);
    m_db->addSampleRecords();
    openDataModule();
    const auto g = grid({{QStringLiteral("Cultivar"), {}}, {QStringLiteral("Source"), {}}});
    QGuiApplication::clipboard()->setText(QStringLiteral("vorige inhoud"));
    // Cancel once two records are written (5 + 2 x 85/6 = 33.3 percent).
    const auto watch = duringExport([](TProgressBox& box) {
        if (box.ProgressBar->value() > 40)
            box.CancelBtn->click();
    });
    GridClipboardExport exporter(*g);
    if (toClipboard)
        exporter.Run();
    else
        QCOMPARE(exporter.BuildText(), std::nullopt);

    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("vorige inhoud"));
    // The list stands on the record it was about to write.
    QCOMPARE(m_dmod->tbCdata()->currentIndex(), 2);
    QCOMPARE(cultivar(), QStringLiteral("apricot"));
    QVERIFY(!m_dmod->tbCdata()->controlsDisabled());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestGridClipboardExport::markedRowsAskWhatToCopy_data()
{
    QTest::addColumn<QList<int>>("clicks"); // row, with Ctrl (+100) or Shift (+200)
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QStringList>("copied");
    QTest::addColumn<QString>("endsOn");

    const QStringList all{"Apeldoorn", "Apeldoorn", "apricot", "Blenda", "O'Brien", "Zebra"};
    QTest::newRow("Ctrl+click, the selection")
        << QList<int>{1, 103, 104} << int(UserPrompts::Yes) << true
        << QStringList{"Apeldoorn", "Blenda", "O'Brien"} << "O'Brien";
    QTest::newRow("Ctrl+click, the whole table")
        << QList<int>{1, 103, 104} << int(UserPrompts::No) << true << all << "Zebra";
    QTest::newRow("Shift+click, a range")
        << QList<int>{2, 204} << int(UserPrompts::Yes) << true
        << QStringList{"apricot", "Blenda", "O'Brien"} << "O'Brien";
    QTest::newRow("plain clicks mark nothing")
        << QList<int>{1, 3} << int(UserPrompts::Yes) << false << all << "Zebra";
}

void TestGridClipboardExport::markedRowsAskWhatToCopy()
{
    QFETCH(QList<int>, clicks);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(QStringList, copied);
    QFETCH(QString, endsOn);
    m_db->addSampleRecords();
    openDataModule();
    const auto g = grid({{QStringLiteral("Cultivar"), {}}});
    g->setMultiSelect(true);
    g->show();
    QVERIFY(QTest::qWaitForWindowExposed(g.get()));
    for (int click : std::as_const(clicks)) {
        const Qt::KeyboardModifiers modifiers = click >= 200   ? Qt::ShiftModifier
                                                : click >= 100 ? Qt::ControlModifier
                                                               : Qt::NoModifier;
        const QRect cell = g->visualRect(g->model()->index(click % 100, 0));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, modifiers, cell.center());
    }
    ScopedScriptedPrompts prompts;
    prompts->queueAnswer(UserPrompts::Button(answer));

    const std::optional<QString> text = GridClipboardExport(*g).BuildText();

    QVERIFY(text);
    if (asked) {
        QCOMPARE(prompts->shown().size(), 1);
        QCOMPARE(prompts->shown().first().text,
                 QStringLiteral(
                     "Do you want to copy the selection only (Yes)\ror the entire table (No) ?"));
        QCOMPARE(prompts->shown().first().buttons, int(UserPrompts::Yes | UserPrompts::No));
    } else {
        QVERIFY(prompts->shown().isEmpty());
    }
    QCOMPARE(*text, QStringLiteral("Cultivar\r\n") + copied.join(QStringLiteral("\r\n")) +
                        QStringLiteral("\r\n"));
    QCOMPARE(cultivar(), endsOn);
}

QTEST_MAIN(TestGridClipboardExport)
#include "tst_gridclipboardexport.moc"
