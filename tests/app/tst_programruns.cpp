#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The real program, started the way a user starts it, on a virtual display.
class TestProgramRuns : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startedTwiceRemembersAWrittenSetting();
};

namespace {

struct Run
{
    QString title;
    QString exit;
    QString errors; // what the program and the display said, for a failure
};

Run runOnce(const QString& kasplanHome)
{
    QProcess runner;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KASPLAN_HOME"), kasplanHome);
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // a real X display this time
    runner.setProcessEnvironment(env);
    runner.setProcessChannelMode(QProcess::SeparateChannels);
    runner.start(QStringLiteral("xvfb-run"),
                 {QStringLiteral("-a"), QStringLiteral(KASPLAN_TITLE_SCRIPT),
                  QStringLiteral(KASPLAN_PROGRAM)});
    Run run;
    if (!runner.waitForFinished(180000)) {
        runner.kill();
        runner.waitForFinished();
    }
    run.errors = QString::fromLocal8Bit(runner.readAllStandardError());
    const auto lines =
        QString::fromLocal8Bit(runner.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("title=")))
            run.title = line.mid(6);
        else if (line.startsWith(QLatin1String("exit=")))
            run.exit = line.mid(5);
    }
    return run;
}

} // namespace

void TestProgramRuns::startedTwiceRemembersAWrittenSetting()
{
    for (const char* tool : {"xvfb-run", "xwininfo"})
        QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(),
                 "xvfb-run and xwininfo are needed: scripts/setup.sh installs them");
    QTemporaryDir home;
    QVERIFY(home.isValid());

    // The first start finds no settings version and writes it; the main
    // window shows the one found in its caption.
    const Run first = runOnce(home.path());
    QVERIFY2(first.title == QLatin1String("Kasplan ") && first.exit == QLatin1String("0"),
             qPrintable(QStringLiteral("title '%1', exit '%2'\n%3")
                            .arg(first.title, first.exit, first.errors)));

    const Run second = runOnce(home.path());
    QVERIFY2(second.title == QLatin1String("Kasplan 4.0") && second.exit == QLatin1String("0"),
             qPrintable(QStringLiteral("title '%1', exit '%2'\n%3")
                            .arg(second.title, second.exit, second.errors)));
}

QTEST_GUILESS_MAIN(TestProgramRuns)
#include "tst_programruns.moc"
