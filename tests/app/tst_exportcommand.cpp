#include "core/TZHRegistry.h"
#include "db/StandardDatabase.h"
#include "db/engine/EngineSession.h"

#include "support/TestDatabase.h"

#include <QDate>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace kasplan;

// `kasplan export cultivars|sizes` through the program itself, on a database
// the settings choose (on the backend of the test run) and on the standard
// database of a first start.
class TestExportCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deliveredDatabaseGivesALinePerRecord();
    void optionsChooseTheLines_data();
    void optionsChooseTheLines();
    void outputFileIsReplacedWhenComplete();
    void refusalsWriteNothing_data();
    void refusalsWriteNothing();

private:
    struct Run
    {
        int exitCode;
        QByteArray out;
        QByteArray err;
    };
    // outputTo: a file for standard output instead of a pipe.
    static Run run(const QString& home, const QStringList& arguments,
                   const QString& outputTo = QString());
};

namespace {

// A test database that the program opens as the location its settings
// choose: 'HORTIDB', a folder or a server database as the run asks.
class ChosenDatabase
{
public:
    ChosenDatabase()
    {
        db::EngineSession program; // the program's own engine configuration
        database.addTo(program, QStringLiteral("HORTIDB"));
        program.aliases().save();
        TZHRegistry::current().WriteBool(QStringLiteral("UseKasplanCdata"), true);
        TZHRegistry::current().WriteInteger(QStringLiteral("KasplanTypeCdata"), 1);
    }
    QString home() const { return QFileInfo(database.folder()).path(); }

    // The sample records, a name that needs quoting, and a size with forcing
    // data.
    void addRecords()
    {
        database.addSampleRecords();
        database.add(QStringLiteral("Cdata"), {{"Cultivar", "Rood, \"extra\""},
                                               {"Source", "NL"},
                                               {"Hoofdgroep", 1},
                                               {"ProductType", 1},
                                               {"BolArtikelcode", "B-12"},
                                               {"CertifNr", "C 7"},
                                               {"Artikelcode", "T100"}});
        database.add(QStringLiteral("Csizes"), {{"Cultivar", "Rood, \"extra\""},
                                                {"Source", "NL"},
                                                {"Size", "10/11"},
                                                {"Status", "DLV/LBO"},
                                                {"DnaG20", 21},
                                                {"Dk_p1", 105},
                                                {"Kd_p4", 18},
                                                {"Dk_p2_w", 91},
                                                {"Kd_p_ice", 35},
                                                {"Gstagemin", QDate(2024, 8, 5)}});
    }

    test::TestDatabase database;
};

const QString CultivarHeader =
    QStringLiteral("Cultivar\tHerkomst\tHoofdgroep\tArtikelcode bollen\tCertifNr\t"
                   "Artikelcode bloemen\tProducttype bloemen\r\n");

// The field names, one column each, in the order written.
QStringList sizeColumns()
{
    QStringList names{"Cultivar", "Source", "Size", "Status", "DnaG20", "DnaG20_w", "DnaG20_ice"};
    for (const char* suffix : {"", "_w"})
        for (const char* kind : {"Dk_p", "Kd_p"})
            for (int p = 1; p <= 4; ++p)
                names << QStringLiteral("%1%2%3")
                             .arg(QLatin1String(kind))
                             .arg(p)
                             .arg(QLatin1String(suffix));
    return names << "Dk_p_ice"
                 << "Kd_p_ice"
                 << "Gstagemin";
}

// A size line: the key and status, then the forcing fields named with their
// value, every other one empty.
QString sizeLine(const QStringList& key, const QMap<QString, QString>& values, QChar separator)
{
    QStringList fields = key;
    for (const QString& name : sizeColumns().mid(4))
        fields << values.value(name);
    return fields.join(separator) + QStringLiteral("\r\n");
}

QByteArray fileContent(const QString& name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& name, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(name).absolutePath());
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(content), content.size());
}

} // namespace

TestExportCommand::Run TestExportCommand::run(const QString& home, const QStringList& arguments,
                                              const QString& outputTo)
{
    QProcess program;
    if (!outputTo.isEmpty())
        program.setStandardOutputFile(outputTo);
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KASPLAN_HOME"), home);
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KASPLAN_PROGRAM),
                  QStringList{QStringLiteral("export")} + arguments);
    if (!program.waitForFinished(120000))
        return {-1, {}, {}};
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            program.readAllStandardOutput(), program.readAllStandardError()};
}

void TestExportCommand::deliveredDatabaseGivesALinePerRecord()
{
    ChosenDatabase chosen;
    StandardDatabase::addStandardRecords(chosen.database.database());
    QTemporaryDir firstStart;

    // 22 cultivars, all tulips, with two sizes each.
    const Run cultivars = run(chosen.home(), {"cultivars"});
    QCOMPARE(cultivars.exitCode, 0);
    QVERIFY(cultivars.err.isEmpty());
    const QStringList lines = QString::fromUtf8(cultivars.out).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 1 + 22 + 1);
    QCOMPARE(lines.first() + QStringLiteral("\r\n"), CultivarHeader);
    QCOMPARE(lines.at(1), QStringLiteral("Alma Adamkiene\tNL\t1\t\t\t\t1"));
    QVERIFY(lines.contains(QStringLiteral("Apeldoorn\tNL\t1\t\t\t\t1")));
    QVERIFY(lines.last().isEmpty()); // the last line ends with CR LF too
    for (const QString& line : lines.mid(1, 22)) {
        QCOMPARE(line.count(QLatin1Char('\t')), 6);
        QCOMPARE(line.section(QLatin1Char('\t'), 2, 2), QStringLiteral("1"));
    }
    // The standard database a first start makes gives the same lines.
    QCOMPARE(run(firstStart.path(), {"cultivars"}).out, cultivars.out);

    const Run sizes = run(chosen.home(), {"sizes"});
    QCOMPARE(sizes.exitCode, 0);
    const QStringList sizeLines = QString::fromUtf8(sizes.out).split(QStringLiteral("\r\n"));
    QCOMPARE(sizeLines.size(), 1 + 44 + 1);
    QCOMPARE(sizeLines.first(), sizeColumns().join(QLatin1Char('\t')));
    const int apeldoorn =
        int(sizeLines.indexOf(QRegularExpression(QStringLiteral("Apeldoorn\t.*"))));
    QVERIFY(apeldoorn > 0);
    QCOMPARE(sizeLines.at(apeldoorn) + QStringLiteral("\r\n"),
             sizeLine({"Apeldoorn", "NL", "11/12", "DLV/LBO"},
                      {{"DnaG20", "21"},      {"DnaG20_w", "21"}, {"DnaG20_ice", "0"},
                       {"Dk_p1", "105"},      {"Dk_p2", "98"},    {"Dk_p3", "91"},
                       {"Dk_p4", "84"},       {"Kd_p1", "31"},    {"Kd_p2", "27"},
                       {"Kd_p3", "23"},       {"Kd_p4", "19"},    {"Dk_p1_w", "98"},
                       {"Dk_p2_w", "91"},     {"Dk_p3_w", "84"},  {"Dk_p4_w", "77"},
                       {"Kd_p1_w", "27"},     {"Kd_p2_w", "23"},  {"Kd_p3_w", "19"},
                       {"Kd_p4_w", "15"},     {"Dk_p_ice", "84"}, {"Kd_p_ice", "35"},
                       {"Gstagemin", "05/08"}},
                      QLatin1Char('\t')));
    QCOMPARE(sizeLines.at(apeldoorn + 1).section(QLatin1Char('\t'), 0, 2),
             QStringLiteral("Apeldoorn\tNL\t12/+"));
}

void TestExportCommand::optionsChooseTheLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");

    // The same lines as the cultivar list's clipboard export
    // (tst_gridclipboardexport).
    const QString apeldoorn = QStringLiteral("Apeldoorn\t\t1\t\t\t\t\r\n"
                                             "Apeldoorn\tNL\t1\t\t\t\t\r\n"
                                             "apricot\tNL\t1\t\t\t\t\r\n");
    const QString blenda = QStringLiteral("Blenda\tNL\t3\t\t\t\t\r\n"
                                          "O'Brien\t\t3\t\t\t\t\r\n");
    const QString rood = QStringLiteral("Rood, \"extra\"\tNL\t1\tB-12\tC 7\tT100\t1\r\n");
    const QString zebra = QStringLiteral("Zebra\tUS\t0\t\t\t\t\r\n");
    const QString all = CultivarHeader + apeldoorn + blenda + rood + zebra;
    QTest::newRow("every cultivar") << QStringList{"cultivars"} << all;
    QTest::newRow("group 0 is every group")
        << QStringList{"cultivars", "--hoofdgroep", "0", "--format", "tsv"} << all;
    QTest::newRow("only tulips") << QStringList{"cultivars", "--hoofdgroep", "1"}
                                 << CultivarHeader + apeldoorn + rood;
    QTest::newRow("a group without cultivars")
        << QStringList{"cultivars", "--hoofdgroep", "6"} << CultivarHeader;
    QTest::newRow("csv, tulips by abbreviation")
        << QStringList{"cultivars", "--format", "csv", "--hoofdgroep", "tu"}
        << QStringLiteral("Cultivar,Herkomst,Hoofdgroep,Artikelcode bollen,CertifNr,"
                          "Artikelcode bloemen,Producttype bloemen\r\n"
                          "Apeldoorn,,1,,,,\r\n"
                          "Apeldoorn,NL,1,,,,\r\n"
                          "apricot,NL,1,,,,\r\n"
                          "\"Rood, \"\"extra\"\"\",NL,1,B-12,C 7,T100,1\r\n");

    const QString tsvHeader = sizeColumns().join(QLatin1Char('\t')) + QStringLiteral("\r\n");
    QTest::newRow("sizes of one group")
        << QStringList{"sizes", "--hoofdgroep", "3"}
        << tsvHeader + sizeLine({"Blenda", "NL", "12/+", ""}, {}, QLatin1Char('\t'));
    QTest::newRow("sizes as csv")
        << QStringList{"sizes", "--format", "csv"}
        << sizeColumns().join(QLatin1Char(',')) + QStringLiteral("\r\n") +
               sizeLine({"Apeldoorn", "NL", "11/12", ""}, {}, QLatin1Char(',')) +
               sizeLine({"Apeldoorn", "NL", "12/+", ""}, {}, QLatin1Char(',')) +
               sizeLine({"Blenda", "NL", "12/+", ""}, {}, QLatin1Char(',')) +
               sizeLine({"\"Rood, \"\"extra\"\"\"", "NL", "10/11", "DLV/LBO"},
                        {{"DnaG20", "21"},
                         {"Dk_p1", "105"},
                         {"Kd_p4", "18"},
                         {"Dk_p2_w", "91"},
                         {"Kd_p_ice", "35"},
                         {"Gstagemin", "05/08"}},
                        QLatin1Char(','));
}

void TestExportCommand::optionsChooseTheLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    ChosenDatabase chosen;
    chosen.addRecords();
    const Run result = run(chosen.home(), arguments);
    QVERIFY2(result.exitCode == 0, result.err.constData());
    QVERIFY(result.err.isEmpty());
    QCOMPARE(QString::fromUtf8(result.out), expected);
}

void TestExportCommand::outputFileIsReplacedWhenComplete()
{
    ChosenDatabase chosen;
    chosen.addRecords();
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("lijst.csv"));
    writeFile(file, "old");
    const QByteArray expected = run(chosen.home(), {"cultivars", "--format", "csv"}).out;
    QVERIFY(expected.startsWith("Cultivar,Herkomst,"));

    const Run result = run(chosen.home(), {"cultivars", "--format", "csv", "--output", file});
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.out.isEmpty());
    QVERIFY(result.err.isEmpty());
    QCOMPARE(fileContent(file), expected);
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("lijst.csv")});
    // "-" is standard output.
    QCOMPARE(run(chosen.home(), {"cultivars", "--format", "csv", "--output", "-"}).out, expected);
    // Standard output that takes nothing is no success.
    const Run full = run(chosen.home(), {"cultivars"}, QStringLiteral("/dev/full"));
    QCOMPARE(full.exitCode, 2);
    QCOMPARE(full.err,
             QByteArray("kasplan export: de standaarduitvoer kan niet geschreven worden\n"));
}

void TestExportCommand::refusalsWriteNothing_data()
{
    QTest::addColumn<QStringList>("arguments"); // OUT: the output file, FOLDER: its folder
    QTest::addColumn<QString>("reason");        // the line after "kasplan export: "

    const QStringList out{"--output", "OUT"};
    QTest::newRow("no table") << QStringList{} << "welke tabel? Gebruik: kasplan export";
    QTest::newRow("unknown table") << QStringList{"plants"} + out << "onbekende tabel 'plants'";
    QTest::newRow("unknown option")
        << QStringList{"cultivars", "--colour", "rood"} + out << "onbekend argument '--colour'";
    QTest::newRow("unknown format") << QStringList{"cultivars", "--format", "xlsx"} + out
                                    << "--format verwacht tsv of csv, niet 'xlsx'";
    QTest::newRow("a value missing")
        << QStringList{"sizes"} + out + QStringList{"--format"} << "--format verwacht een waarde";
    for (const char* group : {"11", "-1", "XX", ""})
        QTest::newRow(qPrintable(QStringLiteral("main group '%1'").arg(group)))
            << QStringList{"cultivars", "--hoofdgroep", group} + out
            << QStringLiteral("onbekende hoofdgroep '%1' (0 tot 10, of een afkorting als TU)")
                   .arg(group);
    QTest::newRow("output is a folder")
        << QStringList{"cultivars", "--output", "FOLDER"} << "het bestand '";
    QTest::newRow("output in a missing folder")
        << QStringList{"sizes", "--output", "FOLDER/weg/lijst.tsv"} << "het bestand '";
    QTest::newRow("the database cannot be read")
        << QStringList{"cultivars"} + out
        << "Cultivar Database BROEI kon niet geopened worden: file is not a database";
}

void TestExportCommand::refusalsWriteNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, reason);
    QTemporaryDir home;
    // A standard database that is none: every table must come from it.
    if (QTest::currentDataTag() == QByteArray("the database cannot be read"))
        writeFile(home.filePath(QStringLiteral("database/cultivars.sqlite")),
                  QByteArray(8192, '\x5a'));
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("lijst.tsv"));
    writeFile(file, "old");
    arguments.replaceInStrings(QStringLiteral("OUT"), file);
    arguments.replaceInStrings(QStringLiteral("FOLDER"), folder.path());

    const Run result = run(home.path(), arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.isEmpty());
    QCOMPARE(result.err.count('\n'), 1);
    QVERIFY2(result.err.startsWith("kasplan export: " + reason.toUtf8()), result.err.constData());
    QCOMPARE(fileContent(file), QByteArray("old"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("lijst.tsv")});
}

QTEST_GUILESS_MAIN(TestExportCommand)
#include "tst_exportcommand.moc"
