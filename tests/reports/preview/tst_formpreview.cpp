#include "core/Clock.h"
#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "reports/TKPcultivarListRepForm.h"
#include "reports/preview/CultivarListPrint.h"
#include "reports/preview/TFormPreview.h"
#include "reports/preview/TQRPreview.h"

#include "support/TestDatabase.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace kasplan;

// The print preview window with the cultivar list of a small database:
// pages, zoom, printing, closing.
class TestFormPreview : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void printButtonPreviewsTheForcingDataAndEndsOnTheFirstCultivar();
    void onePageReport();
    void zoomSteps_data();
    void zoomSteps();
    void zoomLimits();
    void pagingWithButtonsAndKeys();
    void closingReturnsToTheRememberedRecord();
    void printGoesThroughThePrinterDialog_data();
    void printGoesThroughThePrinterDialog();

private:
    // Runs the preview request; inside() runs while the window shows the
    // report, then the window is closed.
    void previewing(TKPrepForm& report, const std::function<void()>& inside);
    void waitUntilComplete();
    QString status() const
    {
        return m_preview->StatusBar->findChild<QLabel*>(QStringLiteral("StatusPanel"))->text();
    }
    QString current() const
    {
        return m_dmod->tbCdata()->fieldByName(QStringLiteral("Cultivar"))->asString();
    }
    void selectCultivar(const QString& name)
    {
        QVERIFY(m_dmod->tbCdata()->locate({QStringLiteral("Cultivar")}, {name}));
    }
    // Makes the window as high as fitting the whole page at percent needs.
    bool fitPageTo(int percent);

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<TDMod> m_dmod;
    std::unique_ptr<TFormPreview> m_preview;
};

void TestFormPreview::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
    // Groups: Apeldoorn/NL, Apeldoorn/'', apricot 1; Blenda, O'Brien 3;
    // Zebra 0. Six cultivars with seven blocks fill two pages.
    m_db->addSampleRecords();
    m_dmod = std::make_unique<TDMod>(m_db->session());
    m_dmod->BindViews(QLatin1String(test::TestDatabase::Alias));
    m_dmod->OpenTables();
    m_preview = std::make_unique<TFormPreview>();
}

void TestFormPreview::cleanup()
{
    m_preview.reset();
    m_dmod.reset();
    m_db.reset();
}

void TestFormPreview::previewing(TKPrepForm& report, const std::function<void()>& inside)
{
    bool ran = false;
    QTimer::singleShot(0, m_preview.get(), [&] {
        ran = true;
        inside();
        m_preview->close();
    });
    m_preview->PreviewReport(report);
    QVERIFY(ran);
    QVERIFY(!m_preview->isVisible());
    QVERIFY(!m_preview->AttachedReport());
}

void TestFormPreview::waitUntilComplete()
{
    QVERIFY(QTest::qWaitFor(
        [this] { return m_preview->AttachedReport() && m_preview->AttachedReport()->Complete(); }));
}

bool TestFormPreview::fitPageTo(int percent)
{
    // In a wide window the height decides the whole page's zoom, and it
    // grows with the height: search the height that gives it.
    int low = 100;
    int high = 4000;
    while (low <= high) {
        const int height = (low + high) / 2;
        m_preview->resize(4000, height);
        QCoreApplication::processEvents();
        m_preview->ZoomFitBtn->click();
        const int zoom = m_preview->QRPreview->Zoom();
        if (zoom == percent)
            return true;
        if (zoom < percent)
            low = height + 1;
        else
            high = height - 1;
    }
    return false;
}

void TestFormPreview::printButtonPreviewsTheForcingDataAndEndsOnTheFirstCultivar()
{
    selectCultivar(QStringLiteral("Zebra"));
    bool ran = false;
    QTimer::singleShot(0, m_preview.get(), [&] {
        ran = true;
        auto* report = dynamic_cast<TKPcultivarListRepForm*>(m_preview->AttachedReport());
        QVERIFY(report);
        QVERIFY(report->Options.forcingData);
        QVERIFY(!report->Options.stock && !report->Options.bulbGrowing &&
                !report->Options.standardHarvest);
        QVERIFY(m_preview->isVisible());
        QVERIFY(m_preview->HelpBtn->isHidden());
        QCOMPARE(m_preview->windowModality(), Qt::ApplicationModal);
        // Until the preview closes the list stays where the user left it.
        QCOMPARE(current(), QStringLiteral("Zebra"));
        m_preview->CloseBtn->click();
    });
    PrintCultivarList(*m_dmod, *m_preview);
    QVERIFY(ran);
    QVERIFY(!m_preview->isVisible());
    QCOMPARE(m_dmod->tbCdata()->currentIndex(), 0);
    QCOMPARE(current(), QStringLiteral("Apeldoorn"));
}

void TestFormPreview::onePageReport()
{
    m_dmod->SetHoofdgroepFilter(3);
    TKPcultivarListRepForm report(*m_dmod);
    report.Options.forcingData = true;
    previewing(report, [this] {
        QCOMPARE(m_preview->windowTitle(), QStringLiteral("Printvoorbeeld"));
        waitUntilComplete();
        QCOMPARE(m_preview->AttachedReport()->PageCount(), 1);
        QVERIFY(!m_preview->PriorPageBtn->isEnabled());
        QVERIFY(!m_preview->NextPageBtn->isEnabled());
        QCOMPARE(status(), QStringLiteral("Pagina 1 van 1"));
        // Shown fitted to the width of the window.
        QCOMPARE(m_preview->ComboBoxZoom->currentText(), QStringLiteral("Pagina breedte"));
        const int room = m_preview->QRPreview->viewport()->width();
        const int page = m_preview->QRPreview->pageImage().width();
        QVERIFY2(page <= room && page > room * 8 / 10,
                 qPrintable(QStringLiteral("page %1 in %2").arg(page).arg(room)));
    });
}

void TestFormPreview::zoomSteps_data()
{
    QTest::addColumn<int>("fitted");
    QTest::addColumn<bool>("up");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QString>("item");

    QTest::newRow("63 up") << 63 << true << 75 << "75%";
    QTest::newRow("63 down") << 63 << false << 50 << "50%";
    QTest::newRow("20 up") << 20 << true << 25 << "25%";
    QTest::newRow("26 down") << 26 << false << 25 << "25%";
    QTest::newRow("100 down") << 100 << false << 75 << "75%";
    QTest::newRow("150 up") << 150 << true << 200 << "200%";
    QTest::newRow("250 down") << 250 << false << 200 << "200%";
}

void TestFormPreview::zoomSteps()
{
    QFETCH(int, fitted);
    QFETCH(bool, up);
    QFETCH(int, zoom);
    QFETCH(QString, item);
    TKPcultivarListRepForm report(*m_dmod);
    report.Options.forcingData = true;
    previewing(report, [&] {
        QVERIFY(fitPageTo(fitted));
        QCOMPARE(m_preview->ComboBoxZoom->currentText(), QStringLiteral("Hele pagina"));
        (up ? m_preview->ZoomInBtn : m_preview->ZoomOutBtn)->click();
        QCOMPARE(m_preview->QRPreview->Zoom(), zoom);
        QCOMPARE(m_preview->ComboBoxZoom->currentText(), item);
        QCOMPARE(m_preview->ZoomInBtn->isEnabled(), zoom < 200);
        QCOMPARE(m_preview->ZoomOutBtn->isEnabled(), zoom >= 26);
    });
}

void TestFormPreview::zoomLimits()
{
    TKPcultivarListRepForm report(*m_dmod);
    report.Options.forcingData = true;
    previewing(report, [this] {
        QComboBox& list = *m_preview->ComboBoxZoom;
        Q_EMIT list.activated(list.findText(QStringLiteral("200%")));
        QCOMPARE(m_preview->QRPreview->Zoom(), 200);
        QVERIFY(!m_preview->ZoomInBtn->isEnabled());
        QVERIFY(m_preview->ZoomOutBtn->isEnabled());

        Q_EMIT list.activated(list.findText(QStringLiteral("25%")));
        QCOMPARE(m_preview->QRPreview->Zoom(), 25);
        QVERIFY(m_preview->ZoomInBtn->isEnabled());
        QVERIFY(!m_preview->ZoomOutBtn->isEnabled());
        QTest::mouseClick(m_preview->ZoomOutBtn, Qt::LeftButton);
        QCOMPARE(m_preview->QRPreview->Zoom(), 25);

        m_preview->ZoomFitBtn->click();
        QCOMPARE(list.currentText(), QStringLiteral("Hele pagina"));
        const QSize image = m_preview->QRPreview->pageImage().size();
        const QSize room = m_preview->QRPreview->viewport()->size();
        QVERIFY(image.width() <= room.width() && image.height() <= room.height());
    });
}

void TestFormPreview::pagingWithButtonsAndKeys()
{
    TKPcultivarListRepForm report(*m_dmod);
    report.Options.forcingData = true;
    previewing(report, [this] {
        waitUntilComplete();
        QCOMPARE(m_preview->AttachedReport()->PageCount(), 2);
        QCOMPARE(status(), QStringLiteral("Pagina 1 van 2"));
        QVERIFY(!m_preview->PriorPageBtn->isEnabled());
        QVERIFY(m_preview->NextPageBtn->isEnabled());
        const QImage first = m_preview->QRPreview->pageImage();

        QTest::keyClick(m_preview->QRPreview, Qt::Key_PageDown);
        QCOMPARE(m_preview->QRPreview->PageNumber(), 2);
        QCOMPARE(status(), QStringLiteral("Pagina 2 van 2"));
        QVERIFY(m_preview->PriorPageBtn->isEnabled());
        QVERIFY(!m_preview->NextPageBtn->isEnabled());
        QVERIFY(m_preview->QRPreview->pageImage() != first);

        // Page Down on the last page does nothing.
        QTest::keyClick(m_preview->QRPreview, Qt::Key_PageDown);
        QCOMPARE(m_preview->QRPreview->PageNumber(), 2);
        QCOMPARE(status(), QStringLiteral("Pagina 2 van 2"));

        QTest::keyClick(m_preview->QRPreview->viewport(), Qt::Key_PageUp);
        QCOMPARE(m_preview->QRPreview->PageNumber(), 1);
        QTest::keyClick(m_preview->QRPreview, Qt::Key_PageUp);
        QCOMPARE(m_preview->QRPreview->PageNumber(), 1);
        m_preview->NextPageBtn->click();
        QCOMPARE(m_preview->QRPreview->PageNumber(), 2);
        m_preview->PriorPageBtn->click();
        QCOMPARE(status(), QStringLiteral("Pagina 1 van 2"));
        QCOMPARE(m_preview->QRPreview->pageImage(), first);
    });
}

void TestFormPreview::closingReturnsToTheRememberedRecord()
{
    selectCultivar(QStringLiteral("Blenda"));
    TKPcultivarListRepForm report(*m_dmod);
    report.Options.forcingData = true;
    previewing(report, [this] {
        waitUntilComplete();
        m_preview->NextPageBtn->click();
        QCOMPARE(current(), QStringLiteral("Blenda"));
        // Whatever moved the list meanwhile, closing returns to Blenda.
        m_dmod->tbCdata()->last();
    });
    QCOMPARE(current(), QStringLiteral("Blenda"));
    QCOMPARE(m_preview->Copies(), 1);
    QCOMPARE(report.PageCount(), 0); // the pages are discarded
}

void TestFormPreview::printGoesThroughThePrinterDialog_data()
{
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("printed") << true;
    QTest::newRow("dialog cancelled") << false;
}

void TestFormPreview::printGoesThroughThePrinterDialog()
{
    QFETCH(bool, confirmed);
    auto clock = std::make_unique<FixedClock>(QDateTime(QDate(2025, 1, 10), QTime(10, 0)));
    FixedClock& now = *clock;
    Clock::install(std::move(clock));
    const QString file = QDir(m_db->folder()).filePath(QStringLiteral("lijst.pdf"));
    QPageLayout::Orientation offered = QPageLayout::Portrait;
    m_preview->PrintDialog = [&](QPrinter& printer) {
        offered = printer.pageLayout().orientation();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        return confirmed;
    };
    TKPcultivarListRepForm report(*m_dmod);
    report.Options.forcingData = true;
    previewing(report, [&] {
        waitUntilComplete();
        now.set(QDateTime(QDate(2025, 1, 10), QTime(10, 5)));
        m_preview->PrintBtn->click();
        // The preview still shows the whole report.
        QCOMPARE(status(), QStringLiteral("Pagina 1 van 2"));
        QVERIFY(!m_preview->QRPreview->pageImage().isNull());
    });
    Clock::install(nullptr);
    QCOMPARE(offered, QPageLayout::Landscape);
    QCOMPARE(QFile::exists(file), confirmed);
    if (confirmed) {
        QFile pdf(file);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
        // Generated anew for the printer, at the moment of printing.
        QCOMPARE(report.PrintedAt(), QDateTime(QDate(2025, 1, 10), QTime(10, 5)));
    }
}

QTEST_MAIN(TestFormPreview)
#include "tst_formpreview.moc"
