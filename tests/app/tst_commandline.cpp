#include "app/CommandLine.h"

#include <QProcess>
#include <QTest>

using namespace kasplan;

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionPrintsFileVersion();
    void unknownCommandIsRefused();
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
