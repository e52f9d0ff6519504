#include "app/CommandLine.h"

#include <QFile>
#include <QProcess>
#include <QTest>

using namespace kasplan;

namespace {

struct Output
{
    int exitCode;
    QString out;
    QString err;
};

Output runArguments(const QStringList& arguments)
{
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    const int exitCode = runCommand(QStringList{QStringLiteral("kasplan")} + arguments, out, err);
    out.flush();
    err.flush();
    return {exitCode, outText, errText};
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionPrintsFileVersion();
    void unknownCommandIsRefused();
    void helpListsEveryCommandOnOneLine();
    void readmeShowsTheHelp();
    void commandHelpGivesItsArguments_data();
    void commandHelpGivesItsArguments();
    void noDisplayExplainsAndFails();
};

void TestCommandLine::versionPrintsFileVersion()
{
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QCOMPARE(runCommand({QStringLiteral("kasplan"), QStringLiteral("--version")}, out, err), 0);
    out.flush();
    QCOMPARE(outText, QStringLiteral("4.0.1.8\n"));
}

void TestCommandLine::unknownCommandIsRefused()
{
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QCOMPARE(runCommand({QStringLiteral("kasplan"), QStringLiteral("--bogus")}, out, err), 2);
    err.flush();
    QVERIFY(errText.contains(QStringLiteral("--bogus")));
    QCOMPARE(runCommand({QStringLiteral("kasplan")}, out, err), -1);
}

void TestCommandLine::helpListsEveryCommandOnOneLine()
{
    const Output help = runArguments({QStringLiteral("--help")});
    QCOMPARE(help.exitCode, 0);
    QCOMPARE(runArguments({QStringLiteral("-h")}).out, help.out);
    const QString commands =
        help.out.section(QStringLiteral("Opdrachten:\n"), 1).section(QStringLiteral("\n\n"), 0, 0);
    QStringList names;
    for (const QString& line : commands.split(QLatin1Char('\n'))) {
        QVERIFY2(line.startsWith(QStringLiteral("  ")), qPrintable(line));
        names.append(line.simplified().section(QLatin1Char(' '), 0, 0));
        QVERIFY2(line.simplified().count(QLatin1Char(' ')) >= 2, qPrintable(line));
    }
    QCOMPARE(names, (QStringList{QStringLiteral("schedule"), QStringLiteral("report"),
                                 QStringLiteral("import"), QStringLiteral("export")}));
}

// The README's command section is the help as the program prints it.
void TestCommandLine::readmeShowsTheHelp()
{
    QFile file(QStringLiteral(KASPLAN_README));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString readme = QString::fromUtf8(file.readAll());
    const qsizetype section = readme.indexOf(QStringLiteral("\n## Commands\n"));
    QVERIFY(section >= 0);
    const QString fence = QStringLiteral("```text\n");
    const qsizetype start = readme.indexOf(fence, section) + fence.size();
    const qsizetype end = readme.indexOf(QStringLiteral("```"), start);
    QVERIFY(start >= fence.size() && end > start);
    QCOMPARE(readme.mid(start, end - start), runArguments({QStringLiteral("--help")}).out);
}

void TestCommandLine::commandHelpGivesItsArguments_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("synopsis");
    QTest::newRow("schedule") << QStringLiteral("schedule")
                              << QStringLiteral("kasplan schedule [--season JAAR]");
    QTest::newRow("report") << QStringLiteral("report")
                            << QStringLiteral("kasplan report cultivars --pdf BESTAND");
    QTest::newRow("import") << QStringLiteral("import")
                            << QStringLiteral("kasplan import paradox MAP");
    QTest::newRow("export") << QStringLiteral("export")
                            << QStringLiteral("kasplan export cultivars|sizes");
}

// Only the help: the command itself does not run (a report would need --pdf).
void TestCommandLine::commandHelpGivesItsArguments()
{
    QFETCH(QString, command);
    QFETCH(QString, synopsis);
    for (const QString& help : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const Output output = runArguments({command, help});
        QCOMPARE(output.exitCode, 0);
        QVERIFY2(output.out.startsWith(QStringLiteral("Gebruik:")), qPrintable(output.out));
        QVERIFY2(output.out.contains(synopsis), qPrintable(output.out));
        QCOMPARE(output.err, QString());
    }
}

void TestCommandLine::noDisplayExplainsAndFails()
{
    QProcess program;
    auto env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KASPLAN_PROGRAM), {});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QVERIFY(QString::fromLocal8Bit(program.readAllStandardError())
                .contains(QStringLiteral("xvfb-run")));
}

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
