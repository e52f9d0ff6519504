#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The real program asked to stop by the desktop session (SIGTERM) while it
// waits for an answer, on a virtual display.
class TestTermination : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stopsWithAStartUpMessageBoxOpen();
};

void TestTermination::stopsWithAStartUpMessageBoxOpen()
{
    for (const char* tool : {"xvfb-run", "xwininfo"})
        QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(),
                 "xvfb-run and xwininfo are needed: scripts/setup.sh installs them");
    QTemporaryDir home;
    QVERIFY(home.isValid());
    // A damaged database: the start-up shows its error messages one after
    // the other, each waiting for OK.
    QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("database"))));
    QFile damaged(home.filePath(QStringLiteral("database/cultivars.sqlite")));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();

    QProcess runner;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KASPLAN_HOME"), home.path());
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // a real X display
    runner.setProcessEnvironment(env);
    runner.start(QStringLiteral("xvfb-run"),
                 {QStringLiteral("-a"), QStringLiteral(KASPLAN_STOP_SCRIPT),
                  QStringLiteral(KASPLAN_PROGRAM)});
    QVERIFY(runner.waitForFinished(180000));
    const QString output = QString::fromLocal8Bit(runner.readAllStandardOutput());
    QMap<QString, QString> said;
    for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        said.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    const QByteArray context =
        (output + QString::fromLocal8Bit(runner.readAllStandardError())).toLocal8Bit();

    // The main window's title carries the settings version; a message box's
    // is the program's name alone.
    QVERIFY2(said.value(QStringLiteral("title")) == QLatin1String("Kasplan"), context.constData());
    QVERIFY2(said.value(QStringLiteral("exit")) == QLatin1String("0"), context.constData());
    QVERIFY2(said.value(QStringLiteral("ms")).toInt() < 2000, context.constData());
}

QTEST_GUILESS_MAIN(TestTermination)
#include "tst_termination.moc"
