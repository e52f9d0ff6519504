#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// `kasplan report cultivars --pdf`: the cultivar list of the database in use
// (on a first start the delivered one) written into a PDF without a display,
// measured in the file itself with poppler's pdftotext.
class TestReportCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void textsLieWhereTheLayoutPutsThem_data();
    void textsLieWhereTheLayoutPutsThem();
    void groupAndUnitsChooseWhatIsPrinted_data();
    void groupAndUnitsChooseWhatIsPrinted();
    void refusalsLeaveTheFileAlone_data();
    void refusalsLeaveTheFileAlone();

private:
    struct Run
    {
        int exitCode;
        QByteArray out;
        QByteArray err;
    };
    struct Word
    {
        int page;
        QString text;
        double xMm;
        double yMm;
    };
    Run run(const QStringList& arguments);
    QString pdfToText(const QString& pdf, bool boxes);
    QList<Word> words(const QString& pdf, QSizeF* pageMm);

    QTemporaryDir home;
    QTemporaryDir runtime; // a session's own folder, as a desktop gives it
    QString pdftotext;
    QString listPdf;
    QList<Word> listWords;
    QSizeF listPage;
};

TestReportCommand::Run TestReportCommand::run(const QStringList& arguments)
{
    QProcess program;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KASPLAN_HOME"), home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KASPLAN_PROGRAM),
                  QStringList{QStringLiteral("report")} + arguments);
    if (!program.waitForFinished(120000))
        return {-1, {}, {}};
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            program.readAllStandardOutput(), program.readAllStandardError()};
}

QString TestReportCommand::pdfToText(const QString& pdf, bool boxes)
{
    QProcess tool;
    // As words with their boxes, or as lines laid out as on the page.
    QStringList arguments{boxes ? QStringLiteral("-bbox") : QStringLiteral("-layout")};
    arguments << pdf << QStringLiteral("-");
    tool.start(pdftotext, arguments);
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0)
        return {};
    return QString::fromUtf8(tool.readAllStandardOutput());
}

QList<TestReportCommand::Word> TestReportCommand::words(const QString& pdf, QSizeF* pageMm)
{
    constexpr double mmPerPoint = 25.4 / 72;
    const QString html = pdfToText(pdf, true);
    static const QRegularExpression pageTag(
        QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\">"));
    static const QRegularExpression wordTag(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" "
                       "yMax=\"[0-9.]+\">([^<]*)</word>"));
    QList<Word> result;
    int page = 0;
    int at = 0;
    while (true) {
        const auto nextPage = pageTag.match(html, at);
        const auto nextWord = wordTag.match(html, at);
        if (!nextWord.hasMatch())
            break;
        if (nextPage.hasMatch() && nextPage.capturedStart() < nextWord.capturedStart()) {
            ++page;
            if (pageMm && page == 1)
                *pageMm = QSizeF(nextPage.captured(1).toDouble(), nextPage.captured(2).toDouble()) *
                          mmPerPoint;
            at = nextPage.capturedEnd();
            continue;
        }
        result.append({page, nextWord.captured(3), nextWord.captured(1).toDouble() * mmPerPoint,
                       nextWord.captured(2).toDouble() * mmPerPoint});
        at = nextWord.capturedEnd();
    }
    return result;
}

void TestReportCommand::initTestCase()
{
    pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    QVERIFY2(!pdftotext.isEmpty(), "pdftotext (poppler-utils, see scripts/setup.sh) is needed");
    QVERIFY(home.isValid());
    listPdf = home.filePath(QStringLiteral("cultivars.pdf"));
    const Run result = run({QStringLiteral("cultivars"), QStringLiteral("--pdf"), listPdf});
    QVERIFY2(result.exitCode == 0, result.err.constData());
    QVERIFY(result.err.isEmpty());
    listWords = words(listPdf, &listPage);
    QVERIFY(!listWords.isEmpty());
}

void TestReportCommand::textsLieWhereTheLayoutPutsThem_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");

    // From the paper's corner: margin 12.7 mm, the title band 29.9 mm high
    // above the column headings, whose lines are 0.8 and 5.1 mm down.
    constexpr double left = 12.7;
    constexpr double title = 12.7;
    constexpr double line1 = 12.7 + 29.9 + 0.8;
    constexpr double line2 = 12.7 + 29.9 + 5.1;
    QTest::newRow("report title") << "Cultivargegevenstabel" << left + 79.0 << title + 2.5;
    QTest::newRow("Cultivar") << "Cultivar" << left + 1.1 << line1;
    QTest::newRow("Herkomst") << "Herkomst" << left + 30.5 << line1;
    QTest::newRow("Status") << "Status" << left + 30.5 << line2;
    QTest::newRow("Opmerkingen") << "Opmerkingen" << left + 56.4 << line1;
    QTest::newRow("Bollen:") << "Bollen:" << left + 129.3 << line1;
    QTest::newRow("Hoofdgroep") << "Hoofdgroep" << left + 142.8 << line1;
    QTest::newRow("Afkorting") << "Afkorting" << left + 142.8 << line2;
    QTest::newRow("Art.code of the bulbs") << "Art.code" << left + 165.4 << line1;
    QTest::newRow("Klasse") << "Klasse" << left + 180.1 << line1;
    QTest::newRow("Certif.nr.") << "Certif.nr." << left + 180.1 << line2;
    QTest::newRow("Land v. Herk.") << "Land" << left + 191.9 << line1;
    QTest::newRow("Bloemen:") << "Bloemen:" << left + 221.3 << line1;
    QTest::newRow("Art.code of the flowers") << "Art.code" << left + 236.2 << line1;
    QTest::newRow("Product type") << "Product" << left + 236.2 << line2;
    QTest::newRow("Kleur") << "Kleur" << left + 261.6 << line1;
    QTest::newRow("Blad") << "Blad" << left + 262.5 << line2;
}

void TestReportCommand::textsLieWhereTheLayoutPutsThem()
{
    QFETCH(QString, word);
    QFETCH(double, x);
    QFETCH(double, y);
    QVERIFY(qAbs(listPage.width() - 297) < 0.5 && qAbs(listPage.height() - 210) < 0.5);
    // The word nearest to its place on the first page.
    double best = 1e9;
    QPointF found;
    for (const Word& w : std::as_const(listWords)) {
        if (w.page != 1 || w.text != word)
            continue;
        const double distance = std::hypot(w.xMm - x, w.yMm - y);
        if (distance < best) {
            best = distance;
            found = QPointF(w.xMm, w.yMm);
        }
    }
    QVERIFY2(best < 1e9, qPrintable(word + QStringLiteral(" not on page 1")));
    QVERIFY2(qAbs(found.x() - x) <= 0.5 && qAbs(found.y() - y) <= 0.5,
             qPrintable(QStringLiteral("%1 at %2, %3 mm instead of %4, %5")
                            .arg(word)
                            .arg(found.x(), 0, 'f', 2)
                            .arg(found.y(), 0, 'f', 2)
                            .arg(x)
                            .arg(y)));
}

void TestReportCommand::groupAndUnitsChooseWhatIsPrinted_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");

    // The delivered list: 22 tulip cultivars, in weeks.
    QTest::newRow("settings' units")
        << QStringList{} << QStringList{"records: 22", "WG20", "Wk_1", "Weken"}
        << QStringList{"DG20", "Dk_1"};
    QTest::newRow("days") << QStringList{"--units", "days"}
                          << QStringList{"DG20", "Dk_1", "Dagen koude", "DG20=Dagen"}
                          << QStringList{"WG20", "Wk_1"};
    QTest::newRow("tulips by abbreviation")
        << QStringList{"--hoofdgroep", "tu"} << QStringList{"records: 22", "Apeldoorn"}
        << QStringList{};
    QTest::newRow("a group without cultivars")
        << QStringList{"--hoofdgroep", "6"} << QStringList{"records: 0", "Grondbroei"}
        << QStringList{"Apeldoorn"};
}

void TestReportCommand::groupAndUnitsChooseWhatIsPrinted()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    const QString pdf = home.filePath(QStringLiteral("chosen.pdf"));
    QFile::remove(pdf);
    const Run result = run(QStringList{"cultivars", "--pdf", pdf} + options);
    QVERIFY2(result.exitCode == 0, result.err.constData());
    const QString text = pdfToText(pdf, false).simplified();
    for (const QString& p : present)
        QVERIFY2(text.contains(p), qPrintable(p));
    for (const QString& a : absent)
        QVERIFY2(!text.contains(a), qPrintable(a));
}

void TestReportCommand::refusalsLeaveTheFileAlone_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("inMissingFolder");

    QTest::newRow("folder does not exist") << QStringList{"cultivars", "--pdf"} << true;
    QTest::newRow("unknown group number")
        << QStringList{"cultivars", "--hoofdgroep", "11", "--pdf"} << false;
    QTest::newRow("group 0 is no group")
        << QStringList{"cultivars", "--hoofdgroep", "0", "--pdf"} << false;
    QTest::newRow("unknown abbreviation")
        << QStringList{"cultivars", "--hoofdgroep", "XX", "--pdf"} << false;
    QTest::newRow("unknown units")
        << QStringList{"cultivars", "--units", "months", "--pdf"} << false;
    QTest::newRow("unknown report") << QStringList{"plants", "--pdf"} << false;
    QTest::newRow("unknown option") << QStringList{"cultivars", "--colour", "--pdf"} << false;
}

void TestReportCommand::refusalsLeaveTheFileAlone()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, inMissingFolder);
    const QString pdf = inMissingFolder ? home.filePath(QStringLiteral("missing/list.pdf"))
                                        : home.filePath(QStringLiteral("kept.pdf"));
    if (!inMissingFolder) {
        QFile kept(pdf);
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.write("old");
    }
    const Run result = run(arguments << pdf);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.isEmpty());
    QCOMPARE(result.err.count('\n'), 1);
    QVERIFY(result.err.startsWith("kasplan report: "));
    if (inMissingFolder) {
        QVERIFY(!QFile::exists(pdf));
    } else {
        QFile kept(pdf);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("old"));
    }
    // No half-written file is left beside it.
    if (!inMissingFolder)
        QCOMPARE(QDir(home.path()).entryList({QStringLiteral("kept.pdf*")}, QDir::Files),
                 QStringList{QStringLiteral("kept.pdf")});
}

QTEST_GUILESS_MAIN(TestReportCommand)
#include "tst_reportcommand.moc"
