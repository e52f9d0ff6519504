#include "core/IniFile.h"
#include "db/CultivarSchema.h"
#include "db/engine/EngineSession.h"
#include "db/engine/SqliteDatabase.h"
#include "support/OldLayout.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace kasplan;
namespace OldLayout = test::OldLayout;

// The real program killed (SIGKILL) at random moments while it upgrades a
// database of the oldest layout: the database always opens afterwards, no
// record is lost, and the next start finishes the upgrade.
class TestKilledUpgrade : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nextStartFinishesTheUpgradeWithEveryRecord();
};

namespace {

const QStringList tables{QStringLiteral("Cdata"), QStringLiteral("Csizes"),
                         QStringLiteral("Cstdoogst"), QStringLiteral("Sizes"),
                         QStringLiteral("Locaties")};

QProcessEnvironment environmentFor(const QString& home)
{
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KASPLAN_HOME"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

// A start that must reach its first schedule without any message.
QString checkedStart(const QString& home)
{
    QProcess start;
    start.setProcessEnvironment(environmentFor(home));
    start.start(QStringLiteral(STARTCHECK), {});
    start.waitForFinished(120000);
    const QString report =
        QString::fromLocal8Bit(start.readAllStandardOutput() + start.readAllStandardError());
    const bool ok = start.exitStatus() == QProcess::NormalExit && start.exitCode() == 0 &&
                    report.startsWith(QLatin1String("ok "));
    return ok ? QString() : report;
}

QString versionIn(const QString& home)
{
    return IniFile(QDir(home).filePath(QStringLiteral("database/KPDBase.ini")))
        .ReadString(QStringLiteral("DBase"), QStringLiteral("Version"), QString());
}

// What the columns each table keeps through the upgrade hold, in their
// order (a renamed column keeps its place).
using Contents = QMap<QString, QPair<int, QByteArray>>;

Contents keptContents(db::Database& database)
{
    Contents result;
    for (const QString& t : tables) {
        QStringList cols = OldLayout::columns(database, t);
        cols.removeAll(QStringLiteral("CurrencyUnit"));
        cols.removeAll(QStringLiteral("StdOogstType"));
        for (const char* added :
             {"SK1", "SK2", "SK3", "SK4", "Qtypermetermax", "Locatie_broei", "Locatie_pltgd"})
            cols.removeAll(QLatin1String(added));
        result[t] = OldLayout::contents(database, t, cols);
    }
    return result;
}

// The tables' statements: which changes a database has been through.
QStringList layoutAt(const QString& home)
{
    db::EngineSession session(QDir(home).filePath(QStringLiteral("layout.cfg")));
    QStringList sql;
    for (const auto& row : session.databaseAt(QDir(home).filePath(QStringLiteral("database")))
                               .select(QStringLiteral("SELECT sql FROM sqlite_schema WHERE type = "
                                                      "'table' ORDER BY name"))
                               .rows)
        sql.append(row.value(0).toString());
    return sql;
}

void placeDatabase(const QString& home, const QString& templateFile)
{
    QDir().mkpath(QDir(home).filePath(QStringLiteral("database")));
    QFile::copy(templateFile, QDir(home).filePath(QStringLiteral("database/cultivars.sqlite")));
}

} // namespace

void TestKilledUpgrade::nextStartFinishesTheUpgradeWithEveryRecord()
{
    bool given = false;
    const int trials = qEnvironmentVariableIntValue("KASPLAN_KILL_TRIALS", &given);
    const int count = given && trials > 0 ? std::min(trials, 20) : 20;

    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString templateFile = work.filePath(QStringLiteral("oldest.sqlite"));
    OldLayout::write(templateFile, OldLayout::oldestSchema(), 4000, 3);
    // What every table holds before, read with the old names; compared after
    // the upgrade with today's.
    Contents expected;
    QStringList oldLayout;
    QStringList newLayout;
    {
        QTemporaryDir home;
        placeDatabase(home.path(), templateFile);
        oldLayout = layoutAt(home.path());
        db::EngineSession session(home.filePath(QStringLiteral("engine.cfg")));
        expected = keptContents(session.databaseAt(home.filePath(QStringLiteral("database"))));
    }
    const auto verifyUpgraded = [&](const QString& home) {
        if (versionIn(home) != QLatin1String("4.0.1.8"))
            return QStringLiteral("version %1").arg(versionIn(home));
        db::EngineSession session(QDir(home).filePath(QStringLiteral("check.cfg")));
        db::Database& database =
            session.databaseAt(QDir(home).filePath(QStringLiteral("database")));
        for (const QString& t : tables) {
            QStringList today;
            for (const db::FieldDef& f : CultivarSchema::table(t).fields)
                today.append(f.name);
            if (OldLayout::columns(database, t) != today)
                return QStringLiteral("columns of ") + t;
        }
        const Contents now = keptContents(database);
        for (const QString& t : tables) {
            if (now[t] != expected[t])
                return QStringLiteral("records of %1: %2 of %3")
                    .arg(t)
                    .arg(now[t].first)
                    .arg(expected[t].first);
        }
        return QString();
    };

    // An undisturbed start with the upgrade: how long it takes.
    qint64 upgradeStartMs = 0;
    {
        QTemporaryDir home;
        placeDatabase(home.path(), templateFile);
        QElapsedTimer timer;
        timer.start();
        const QString failure = checkedStart(home.path());
        upgradeStartMs = timer.elapsed();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QString wrong = verifyUpgraded(home.path());
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        newLayout = layoutAt(home.path());
    }

    QRandomGenerator random(20261210);
    int killedBeforeItBegan = 0;
    int killedPartWay = 0;
    for (int trial = 0; trial < count; ++trial) {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        placeDatabase(home.path(), templateFile);
        QProcess program;
        program.setProcessEnvironment(environmentFor(home.path()));
        program.start(QStringLiteral(KASPLAN_PROGRAM), {});
        QVERIFY(program.waitForStarted(10000));
        QTest::qSleep(int(random.bounded(upgradeStartMs + 1)));
        program.kill();
        QVERIFY(program.waitForFinished(10000));
        if (versionIn(home.path()) != QLatin1String("4.0.1.8")) {
            const QStringList layout = layoutAt(home.path());
            if (layout == oldLayout)
                ++killedBeforeItBegan;
            else if (layout != newLayout)
                ++killedPartWay;
        }

        const QString failure = checkedStart(home.path());
        QVERIFY2(failure.isEmpty(),
                 qPrintable(QStringLiteral("trial %1: %2").arg(trial).arg(failure)));
        const QString wrong = verifyUpgraded(home.path());
        QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("trial %1: %2").arg(trial).arg(wrong)));
    }
    qInfo("%d trials killed within %lld ms of the start (a start with the upgrade takes that long "
          "here)",
          count, qlonglong(upgradeStartMs));
    qInfo("%d killed before the upgrade changed a table, %d part way through it; every next start "
          "finished it with every record",
          killedBeforeItBegan, killedPartWay);
}

QTEST_GUILESS_MAIN(TestKilledUpgrade)
#include "tst_killedupgrade.moc"
