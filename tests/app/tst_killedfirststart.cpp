#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

// The real program killed (SIGKILL, as a power cut or an impatient user
// would) at random moments of its very first start, many times over: the
// start after it always succeeds, and nothing of the killed start is left.
class TestKilledFirstStart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyNextStartSucceedsWithoutLeftovers();
};

namespace {

QProcessEnvironment environmentFor(const QString& home)
{
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KASPLAN_HOME"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

struct CheckedStart
{
    bool ok = false;
    qint64 msToSchedule = 0; // from the process start, as seen from outside
    QString report;
};

// A start of the program that must reach its first schedule without any
// message (tests/support/startcheck).
CheckedStart checkedStart(const QString& home)
{
    QProcess start;
    start.setProcessEnvironment(environmentFor(home));
    QElapsedTimer timer;
    timer.start();
    start.start(QStringLiteral(STARTCHECK), {});
    CheckedStart result;
    while (start.state() != QProcess::NotRunning && !start.canReadLine())
        start.waitForReadyRead(50);
    result.msToSchedule = timer.elapsed();
    start.waitForFinished(60000);
    result.report =
        QString::fromLocal8Bit(start.readAllStandardOutput() + start.readAllStandardError());
    result.ok = start.exitStatus() == QProcess::NormalExit && start.exitCode() == 0 &&
                result.report.startsWith(QLatin1String("ok "));
    return result;
}

QStringList filesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(folder).relativeFilePath(it.next()));
    files.sort();
    return files;
}

// What a leftover is, for the figures: the half-built database, a lock
// file, a settings file being replaced, anything else.
QString kindOf(const QString& file)
{
    static const QRegularExpression building(QStringLiteral("/\\.cultivars\\.sqlite\\..*\\.new"));
    if (building.match(file).hasMatch())
        return QStringLiteral("database being built");
    if (file.endsWith(QLatin1String(".lock")))
        return QStringLiteral("lock file");
    return QStringLiteral("other: ") + file;
}

} // namespace

void TestKilledFirstStart::everyNextStartSucceedsWithoutLeftovers()
{
    bool given = false;
    const int trials = qEnvironmentVariableIntValue("KASPLAN_KILL_TRIALS", &given);
    const int count = given && trials > 0 ? trials : 100;

    // Undisturbed starts: how long a first start takes (the slowest of
    // three, as the machine may be busy), and which files a first and a
    // second start leave.
    qint64 firstStartMs = 0;
    QStringList expected;
    for (int i = 0; i < 3; ++i) {
        QTemporaryDir reference;
        QVERIFY(reference.isValid());
        const CheckedStart first = checkedStart(reference.path());
        QVERIFY2(first.ok, qPrintable(first.report));
        firstStartMs = std::max(firstStartMs, first.msToSchedule);
        if (i == 0) {
            const CheckedStart second = checkedStart(reference.path());
            QVERIFY2(second.ok, qPrintable(second.report));
            expected = filesBelow(reference.path());
        }
    }
    // The moments cover the whole first start and a little after it.
    const qint64 window = firstStartMs * 5 / 4;

    QRandomGenerator random(20250114);
    QMap<QString, int> leftoverKinds; // kind -> trials that left it
    int killedWithLeftovers = 0;
    int killedBeforeTheDatabase = 0;
    for (int trial = 0; trial < count; ++trial) {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QProcess program;
        program.setProcessEnvironment(environmentFor(home.path()));
        program.start(QStringLiteral(KASPLAN_PROGRAM), {});
        QVERIFY(program.waitForStarted(10000));
        QTest::qSleep(int(random.bounded(window + 1)));
        program.kill();
        QVERIFY(program.waitForFinished(10000));

        QStringList left = filesBelow(home.path());
        if (!left.contains(QStringLiteral("database/cultivars.sqlite")))
            ++killedBeforeTheDatabase;
        QSet<QString> kinds;
        for (const QString& file : left) {
            if (!expected.contains(file))
                kinds.insert(kindOf(file));
        }
        for (const QString& kind : kinds)
            ++leftoverKinds[kind];
        killedWithLeftovers += kinds.isEmpty() ? 0 : 1;

        const CheckedStart next = checkedStart(home.path());
        QVERIFY2(next.ok, qPrintable(QStringLiteral("trial %1: %2").arg(trial).arg(next.report)));
        const QStringList after = filesBelow(home.path());
        QVERIFY2(
            after == expected,
            qPrintable(
                QStringLiteral("trial %1: the next start left %2; a clean start leaves %3")
                    .arg(trial)
                    .arg(after.join(QLatin1String(", ")), expected.join(QLatin1String(", ")))));
    }

    qInfo("%d trials killed within %lld ms of the start (a first start takes %lld ms here)", count,
          qlonglong(window), qlonglong(firstStartMs));
    qInfo("%d killed before the standard database was in place", killedBeforeTheDatabase);
    qInfo("%d left files behind, all removed by the next start:", killedWithLeftovers);
    for (auto it = leftoverKinds.begin(); it != leftoverKinds.end(); ++it)
        qInfo("  %s: %d", qPrintable(it.key()), it.value());
    qInfo("%d next starts succeeded", count);
}

QTEST_GUILESS_MAIN(TestKilledFirstStart)
#include "tst_killedfirststart.moc"
