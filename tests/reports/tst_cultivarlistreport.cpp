#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "reports/TKPcultivarListRepForm.h"

#include "support/ScopedFixedClock.h"
#include "support/TestDatabase.h"

#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTest>

using namespace kasplan;
using report::Band;
using report::BandItem;
using report::PlacedBand;

// The cultivar list as the builder lays it out, without printing: which bands
// land on which page, and what they say.
class TestCultivarListReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void bandsOnPages_data();
    void bandsOnPages();
    void legendAndHeadingsFollowTheUnits_data();
    void legendAndHeadingsFollowTheUnits();
    void threeSizesGiveOneCultivarBandAndThreeBlocks();
    void emptyListPrintsOneEmptyCultivar();
    void filterLimitsTheListAndTheCount();
    void withoutForcingDataNoLegendAndNoBlocks();
    void titleAndFooter();
    void currentRecordStaysAndReturns();
    void blackAndWhiteLeavesNoColour();

private:
    void openDataModule();
    void addCultivar(const QString& name, int sizes, int hoofdgroep = 1);
    std::unique_ptr<TKPcultivarListRepForm> generated(bool forcingData = true);
    // The bands of every page as letters: T title, H column header, s spacer,
    // C cultivar, b forcing block, S summary, F page footer.
    static QStringList signatures(TKPcultivarListRepForm& report);
    static QList<Band> bandsNamed(TKPcultivarListRepForm& report, const QString& name);
    static QString textOf(const Band& band, const QString& item);

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<TDMod> m_dmod;
};

void TestCultivarListReport::init()
{
    m_db = std::make_unique<test::TestDatabase>(); // KASPLAN_HOME in its folder
    QVERIFY(m_db->isValid());
}

void TestCultivarListReport::cleanup()
{
    m_dmod.reset();
    m_db.reset();
}

void TestCultivarListReport::openDataModule()
{
    m_dmod = std::make_unique<TDMod>(m_db->session());
    m_dmod->BindViews(QLatin1String(test::TestDatabase::Alias));
    m_dmod->OpenTables();
}

void TestCultivarListReport::addCultivar(const QString& name, int sizes, int hoofdgroep)
{
    m_db->add(QStringLiteral("Cdata"), {{QStringLiteral("Cultivar"), name},
                                        {QStringLiteral("Source"), QStringLiteral("NL")},
                                        {QStringLiteral("Hoofdgroep"), hoofdgroep}});
    for (int s = 0; s < sizes; ++s)
        m_db->add(QStringLiteral("Csizes"),
                  {{QStringLiteral("Cultivar"), name},
                   {QStringLiteral("Source"), QStringLiteral("NL")},
                   {QStringLiteral("Size"), QStringLiteral("%1/+").arg(s)},
                   {QStringLiteral("Dk_p1"), 105}});
}

std::unique_ptr<TKPcultivarListRepForm> TestCultivarListReport::generated(bool forcingData)
{
    auto report = std::make_unique<TKPcultivarListRepForm>(*m_dmod);
    report->Options.forcingData = forcingData;
    report->Generate();
    while (report->GenerateNextPage()) {
    }
    return report;
}

QStringList TestCultivarListReport::signatures(TKPcultivarListRepForm& report)
{
    static const QHash<QString, QString> letters = {
        {"TitleBand", "T"},     {"ColumnHeaderBand", "H"}, {"SpacerBand", "s"},
        {"CultivarBand", "C"},  {"ForcingBlock", "b"},     {"SummaryBand", "S"},
        {"PageFooterBand", "F"}};
    QStringList pages;
    for (int page = 1; page <= report.PageCount(); ++page) {
        QStringList bands;
        double bottom = 0;
        for (const PlacedBand& placed : report.PageBands(page)) {
            bands.append(letters.value(placed.band.name(), QStringLiteral("?")));
            // Nothing runs into the footer, and nothing off the paper.
            if (placed.band.name() != QLatin1String("PageFooterBand"))
                bottom = placed.topMm + placed.band.height();
            else if (bottom > placed.topMm + 1e-6)
                bands.append(QStringLiteral("OVERLAP"));
        }
        pages.append(bands.join(QLatin1Char(' ')));
    }
    return pages;
}

QList<Band> TestCultivarListReport::bandsNamed(TKPcultivarListRepForm& report, const QString& name)
{
    QList<Band> bands;
    for (int page = 1; page <= report.PageCount(); ++page) {
        for (const PlacedBand& placed : report.PageBands(page)) {
            if (placed.band.name() == name)
                bands.append(placed.band);
        }
    }
    return bands;
}

QString TestCultivarListReport::textOf(const Band& band, const QString& item)
{
    const BandItem* i = band.item(item);
    return i ? i->text : QStringLiteral("<none>");
}

void TestCultivarListReport::bandsOnPages_data()
{
    QTest::addColumn<QList<int>>("sizesPerCultivar");
    QTest::addColumn<QStringList>("pages");

    QTest::newRow("one cultivar with three sizes")
        << QList<int>{3} << QStringList{"T H s C b b b S F"};
    // Page 1 holds 135.7 mm of details, later pages 165.6 mm. A cultivar
    // band goes over to the next page with its first block.
    QTest::newRow("five cultivars over three pages")
        << QList<int>{3, 3, 3, 3, 3}
        << QStringList{"T H s C b b b C b b b F", "H s C b b b C b b b C b F", "H s b b S F"};
    // 10.4 + 7 x 17.8 = 135.0 mm fills the first page; the summary does not
    // fit under it.
    QTest::newRow("summary on a page of its own")
        << QList<int>{7} << QStringList{"T H s C b b b b b b b F", "H s S F"};
    QTest::newRow("cultivar without sizes gets one empty block")
        << QList<int>{0, 1} << QStringList{"T H s C b C b S F"};
    QTest::newRow("empty list") << QList<int>{} << QStringList{"T H s C b S F"};
}

void TestCultivarListReport::bandsOnPages()
{
    QFETCH(QList<int>, sizesPerCultivar);
    QFETCH(QStringList, pages);
    for (int c = 0; c < sizesPerCultivar.size(); ++c)
        addCultivar(QStringLiteral("Cultivar %1").arg(c + 1, 2, 10, QLatin1Char('0')),
                    sizesPerCultivar[c]);
    openDataModule();
    const auto report = generated();
    QVERIFY(report->Complete());
    QCOMPARE(signatures(*report), pages);

    // The cultivars in their order, each with its own sizes.
    QStringList sizes;
    for (const Band& band : bandsNamed(*report, QStringLiteral("ForcingBlock")))
        sizes.append(textOf(band, QStringLiteral("Size")));
    QStringList expected;
    for (int n : sizesPerCultivar) {
        for (int s = 0; s < n; ++s)
            expected.append(QStringLiteral("%1/+").arg(s));
        if (n == 0)
            expected.append(QString());
    }
    if (sizesPerCultivar.isEmpty())
        expected.append(QString());
    QCOMPARE(sizes, expected);
}

void TestCultivarListReport::legendAndHeadingsFollowTheUnits_data()
{
    QTest::addColumn<int>("tussenTunit");
    QTest::addColumn<int>("kperiodunit");
    QTest::addColumn<QString>("heading20");
    QTest::addColumn<QString>("cold1");
    QTest::addColumn<QString>("legend1");
    QTest::addColumn<QString>("legend2");
    QTest::addColumn<QString>("tussenLine");

    const QString periods =
        QStringLiteral(" koude bij inhaaldatum resp. tot 17/12, 17/12-24/1, 25/1-24/2, 25/2-24/3");
    QTest::newRow("weeks and weeks") << 7 << 7 << "WG20"
                                     << "Wk_1"
                                     << "Wk_1, Wk_2, Wk_3, Wk_4 ="
                                     << "Weken" + periods << "WG20=Weken tussentemperatuur";
    QTest::newRow("days and days") << 1 << 1 << "DG20"
                                   << "Dk_1"
                                   << "Dk_1, Dk_2, Dk_3, Dk_4 ="
                                   << "Dagen" + periods << "DG20=Dagen tussentemperatuur";
    QTest::newRow("weeks at 20 oC, cold in days")
        << 7 << 1 << "WG20"
        << "Dk_1"
        << "Dk_1, Dk_2, Dk_3, Dk_4 ="
        << "Dagen" + periods << "WG20=Weken tussentemperatuur";
    QTest::newRow("days at 20 oC, cold in weeks")
        << 1 << 7 << "DG20"
        << "Wk_1"
        << "Wk_1, Wk_2, Wk_3, Wk_4 ="
        << "Weken" + periods << "DG20=Dagen tussentemperatuur";
}

void TestCultivarListReport::legendAndHeadingsFollowTheUnits()
{
    QFETCH(int, tussenTunit);
    QFETCH(int, kperiodunit);
    QFETCH(QString, heading20);
    QFETCH(QString, cold1);
    QFETCH(QString, legend1);
    QFETCH(QString, legend2);
    QFETCH(QString, tussenLine);
    addCultivar(QStringLiteral("Apeldoorn"), 1);
    openDataModule();

    // One report generated in the other units first: the texts are rebuilt
    // from the units, not from what the last generation left.
    TKPcultivarListRepForm report(*m_dmod);
    report.Options.forcingData = true;
    m_dmod->setTussenTunit(tussenTunit == 1 ? 7 : 1);
    m_dmod->setKperiodunit(kperiodunit == 1 ? 7 : 1);
    report.Generate();
    m_dmod->setTussenTunit(tussenTunit);
    m_dmod->setKperiodunit(kperiodunit);
    report.Generate();

    const Band title = report.PageBands(1).first().band;
    QCOMPARE(title.name(), QStringLiteral("TitleBand"));
    QCOMPARE(textOf(title, "LegendHeading"), QStringLiteral("Broeigegevens afkortingen:"));
    QCOMPARE(textOf(title, "LegendLine1"), legend1);
    QCOMPARE(textOf(title, "LegendLine2"), legend2);
    QCOMPARE(textOf(title, "LegendLine3"), QStringLiteral("Kd_1, Kd_2, Kd_3, Kd_4 = "));
    QCOMPARE(textOf(title, "LegendLine4"),
             QStringLiteral("kasdagen bij inhaaldatum resp. tot  17/12, 17/12-24/1, 25/1-24/2, "
                            "25/2-24/3"));
    QCOMPARE(textOf(title, "TussenTemperatuurLine"), tussenLine);
    QCOMPARE(textOf(title, "IceTulipLine"),
             QStringLiteral("(bij ijstulpen : een vaste koudeperiode en een vaste kasperiode)"));

    const Band block = bandsNamed(report, QStringLiteral("ForcingBlock")).first();
    QCOMPARE(textOf(block, "Heading20"), heading20);
    const QString cold = cold1.left(3);
    for (int p = 1; p <= 4; ++p) {
        QCOMPARE(textOf(block, QStringLiteral("ColdHeading%1").arg(p)),
                 QStringLiteral("%1%2").arg(cold).arg(p));
        QCOMPARE(textOf(block, QStringLiteral("DaysHeading%1").arg(p)),
                 QStringLiteral("Kd_%1").arg(p));
    }
}

void TestCultivarListReport::threeSizesGiveOneCultivarBandAndThreeBlocks()
{
    m_db->add(QStringLiteral("Cdata"), {{QStringLiteral("Cultivar"), QStringLiteral("Apeldoorn")},
                                        {QStringLiteral("Source"), QStringLiteral("NL")},
                                        {QStringLiteral("Hoofdgroep"), 1},
                                        {QStringLiteral("ProductType"), 1},
                                        {QStringLiteral("Status"), QStringLiteral("DLV/LBO")},
                                        {QStringLiteral("Kleur"), QStringLiteral("rood")}});
    const char* const sizes[] = {"10/11", "11/12", "12/+"};
    for (int s = 0; s < 3; ++s) {
        m_db->add(QStringLiteral("Csizes"),
                  {{QStringLiteral("Cultivar"), QStringLiteral("Apeldoorn")},
                   {QStringLiteral("Source"), QStringLiteral("NL")},
                   {QStringLiteral("Size"), QLatin1String(sizes[s])},
                   {QStringLiteral("DnaG20"), 21},
                   {QStringLiteral("DnaG20_w"), 17},
                   {QStringLiteral("DnaG20_ice"), 14},
                   {QStringLiteral("Dk_p1"), 105 + 2 * s},
                   {QStringLiteral("Kd_p1"), 28},
                   {QStringLiteral("Dk_p4_w"), 77},
                   {QStringLiteral("Kd_p4_w"), 15},
                   {QStringLiteral("Dk_p_ice"), 84},
                   {QStringLiteral("Kd_p_ice"), 35}});
    }
    openDataModule();
    const auto report = generated();
    QCOMPARE(signatures(*report), QStringList{"T H s C b b b S F"});

    const Band cultivar = bandsNamed(*report, QStringLiteral("CultivarBand")).first();
    QCOMPARE(textOf(cultivar, "Cultivar"), QStringLiteral("Apeldoorn"));
    QCOMPARE(textOf(cultivar, "Hoofdgroep"), QStringLiteral("Tulpen TU"));
    QCOMPARE(textOf(cultivar, "HoofdGroepAfk"), QStringLiteral("TU"));
    QCOMPARE(textOf(cultivar, "ProductType"), QStringLiteral("Tulpen"));
    QCOMPARE(textOf(cultivar, "Kleur"), QStringLiteral("rood"));

    const QList<Band> blocks = bandsNamed(*report, QStringLiteral("ForcingBlock"));
    QCOMPARE(blocks.size(), 3);
    // In weeks, to the nearest half week: 105 days 15, 107 and 109 days 15,5.
    const QStringList cold1 = {"15", "15,5", "15,5"};
    for (int s = 0; s < 3; ++s) {
        const Band& block = blocks[s];
        QCOMPARE(textOf(block, "Size"), QLatin1String(sizes[s]));
        QCOMPARE(textOf(block, "DnaG20"), QStringLiteral("3"));
        QCOMPARE(textOf(block, "DnaG20_w"), QStringLiteral("2,5"));
        QCOMPARE(textOf(block, "Dk_p1"), cold1[s]);
        QCOMPARE(textOf(block, "Kd_p1"), QStringLiteral("28"));
        QCOMPARE(textOf(block, "Dk_p2"), QString());
        QCOMPARE(textOf(block, "Dk_p4_w"), QStringLiteral("11"));
        QCOMPARE(textOf(block, "Kd_p4_w"), QStringLiteral("15"));

        // The ice row has values only under the fourth period.
        QStringList iceTexts;
        for (const BandItem& item : block.items()) {
            if (item.kind == BandItem::Kind::Text && qFuzzyCompare(item.box.y(), 12.7) &&
                !item.text.isEmpty())
                iceTexts.append(QStringLiteral("%1@%2").arg(item.text).arg(item.box.x()));
        }
        QCOMPARE(iceTexts, (QStringList{"IJstulpen :@44.4", "12@160", "35@170.7"}));
    }
}

void TestCultivarListReport::emptyListPrintsOneEmptyCultivar()
{
    openDataModule();
    const auto report = generated();
    QCOMPARE(signatures(*report), QStringList{"T H s C b S F"});
    const Band cultivar = bandsNamed(*report, QStringLiteral("CultivarBand")).first();
    QCOMPARE(cultivar.texts().filter(QRegularExpression(QStringLiteral("."))),
             (QStringList{"Bollen:", "Bloemen:"}));
    const Band block = bandsNamed(*report, QStringLiteral("ForcingBlock")).first();
    QCOMPARE(textOf(block, "Size"), QString());
    QCOMPARE(textOf(block, "RowCaption1"), QStringLiteral("Grondbroei :"));
    QCOMPARE(textOf(block, "Heading20"), QStringLiteral("WG20"));
    const Band summary = bandsNamed(*report, QStringLiteral("SummaryBand")).first();
    QCOMPARE(textOf(summary, "TotalLabel"), QStringLiteral("Totaal aantal cultivar records:"));
    QCOMPARE(textOf(summary, "TotalCount"), QStringLiteral("0"));
}

void TestCultivarListReport::filterLimitsTheListAndTheCount()
{
    // Groups: Apeldoorn/NL, Apeldoorn/'', apricot 1; Blenda, O'Brien 3; Zebra 0.
    m_db->addSampleRecords();
    openDataModule();
    const auto names = [this](TKPcultivarListRepForm& report) {
        QStringList shown;
        for (const Band& band : bandsNamed(report, QStringLiteral("CultivarBand")))
            shown.append(textOf(band, "Cultivar"));
        return shown;
    };

    auto all = generated();
    QCOMPARE(names(*all).size(), 6);
    QCOMPARE(textOf(bandsNamed(*all, QStringLiteral("SummaryBand")).first(), "TotalCount"),
             QStringLiteral("6"));

    // The filter in force when the report is generated.
    m_dmod->SetHoofdgroepFilter(3);
    auto group3 = generated();
    QCOMPARE(names(*group3), (QStringList{"Blenda", "O'Brien"}));
    QCOMPARE(textOf(bandsNamed(*group3, QStringLiteral("SummaryBand")).first(), "TotalCount"),
             QStringLiteral("2"));
}

void TestCultivarListReport::withoutForcingDataNoLegendAndNoBlocks()
{
    m_db->addSampleRecords();
    openDataModule();
    const auto report = generated(false);
    QCOMPARE(signatures(*report), QStringList{"T H s C C C C C C S F"});
    const Band title = report->PageBands(1).first().band;
    for (const char* legend : {"QRShapeLegend", "LegendHeading", "LegendLine1", "LegendLine4",
                               "TussenTemperatuurLine", "IceTulipLine"})
        QVERIFY2(!title.item(QLatin1String(legend)), legend);
    QCOMPARE(textOf(title, "QRLabelReportTitle"), QStringLiteral("Cultivargegevenstabel"));
}

void TestCultivarListReport::titleAndFooter()
{
    ScopedFixedClock clock(QDateTime(QDate(2025, 1, 10), QTime(9, 5, 7)));
    for (int c = 0; c < 5; ++c)
        addCultivar(QStringLiteral("C%1").arg(c), 3);
    openDataModule();
    const auto report = generated();
    QCOMPARE(report->PageCount(), 3);

    const Band title = report->PageBands(1).first().band;
    QCOMPARE(textOf(title, "QRLabelTitle"), QStringLiteral("Kasplan"));
    QCOMPARE(textOf(title, "QRLabel47"), QStringLiteral("Kasplan 4.0"));
    QVERIFY(title.item(QStringLiteral("QRImageLogo")));
    QCOMPARE(title.item(QStringLiteral("QRShapeLegend"))->box, QRectF(158.0, 5.1, 108.9, 24.3));

    for (int page = 1; page <= 3; ++page) {
        const PlacedBand footer = report->PageBands(page).last();
        QCOMPARE(footer.band.name(), QStringLiteral("PageFooterBand"));
        QCOMPARE(footer.topMm, 210 - 12.7 - 7.1);
        QCOMPARE(textOf(footer.band, "QRLabelPrintedOn"), QStringLiteral("Afgedrukt op:"));
        QCOMPARE(textOf(footer.band, "QRSysDataPrintedAt"), QStringLiteral("10-01-2025 09:05:07"));
        QCOMPARE(textOf(footer.band, "QRSysDataPageNumber"), QStringLiteral("Pagina %1").arg(page));
        QVERIFY(footer.band.item(QStringLiteral("QRSysDataPageNumber"))->alignment &
                Qt::AlignRight);
    }
}

void TestCultivarListReport::currentRecordStaysAndReturns()
{
    for (int c = 0; c < 5; ++c)
        addCultivar(QStringLiteral("C%1").arg(c), 3);
    openDataModule();
    db::TableView& cultivars = *m_dmod->tbCdata();
    QVERIFY(cultivars.locate({QStringLiteral("Cultivar")}, {QStringLiteral("C3")}));
    m_dmod->tbCsizes()->setCurrentIndex(2);

    TKPcultivarListRepForm report(*m_dmod);
    report.Options.forcingData = true;
    report.Generate();
    while (report.GenerateNextPage()) {
    }
    QImage page(100, 70, QImage::Format_RGB32);
    for (int p = 1; p <= report.PageCount(); ++p) {
        QPainter painter(&page);
        report.PaintPage(painter, p, 0.3);
    }
    // Reading other cultivars for the pages leaves the tables where they were.
    QCOMPARE(cultivars.fieldByName(QStringLiteral("Cultivar"))->asString(), QStringLiteral("C3"));
    QCOMPARE(m_dmod->tbCsizes()->currentIndex(), 2);

    // The caller moves away; after the preview the remembered cultivar is back.
    cultivars.first();
    report.AfterPreview();
    QCOMPARE(cultivars.fieldByName(QStringLiteral("Cultivar"))->asString(), QStringLiteral("C3"));
}

void TestCultivarListReport::blackAndWhiteLeavesNoColour()
{
    addCultivar(QStringLiteral("Apeldoorn"), 1);
    openDataModule();
    const auto colours = [this](bool blackWhite) {
        TZHRegistry::current().WriteBool(Setting::PrintBlackWhite, blackWhite);
        TKPcultivarListRepForm report(*m_dmod);
        report.Options.forcingData = true;
        report.Generate();
        const double dotsPerMm = 4;
        QImage image(QSize(297, 210) * dotsPerMm, QImage::Format_RGB32);
        image.setDotsPerMeterX(4000);
        image.setDotsPerMeterY(4000);
        image.fill(Qt::white);
        QPainter painter(&image);
        report.PaintPage(painter, 1, dotsPerMm);
        painter.end();
        QSet<QRgb> found;
        for (int y = 0; y < image.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                found.insert(line[x] & 0xffffff);
        }
        return found;
    };

    const QSet<QRgb> colour = colours(false);
    QVERIFY(colour.contains(qRgb(0, 0, 128) & 0xffffff));   // the navy title and legend frame
    QVERIFY(colour.contains(qRgb(210, 30, 40) & 0xffffff)); // the tulip of the logo
    QCOMPARE(colours(true), (QSet<QRgb>{0x000000, 0xffffff}));
}

QTEST_MAIN(TestCultivarListReport)
#include "tst_cultivarlistreport.moc"
