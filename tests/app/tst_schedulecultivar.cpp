#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// `kasplan schedule --cultivar` reads its size record from the cultivar
// database in use; on a first start that is the new standard database.
class TestScheduleCultivar : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scheduleFromStandardDatabase();
    void unknownRecordsAreRefused_data();
    void unknownRecordsAreRefused();

private:
    struct Run
    {
        int exitCode;
        QByteArray out;
        QByteArray err;
    };
    Run run(const QStringList& arguments);
    QTemporaryDir home;
};

TestScheduleCultivar::Run TestScheduleCultivar::run(const QStringList& arguments)
{
    QProcess program;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KASPLAN_HOME"), home.path());
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KASPLAN_PROGRAM),
                  QStringList{QStringLiteral("schedule")} + arguments);
    if (!program.waitForFinished(60000))
        return {-1, {}, {}};
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            program.readAllStandardOutput(), program.readAllStandardError()};
}

void TestScheduleCultivar::scheduleFromStandardDatabase()
{
    for (const QStringList& source : {QStringList{}, QStringList{"--source", "NL"}}) {
        const Run result = run(QStringList{"--cultivar", "Apeldoorn", "--size", "12/+", "--season",
                                           "2025", "--cooling", "2025-10-01"} +
                               source);
        QCOMPARE(result.exitCode, 0);
        const QJsonObject schedule = QJsonDocument::fromJson(result.out).object();
        // Delivered: cold days 105/98/91/84, greenhouse days 30/26/22/18,
        // Gstagemin 5 August.
        QCOMPARE(schedule.value("housing").toString(), QStringLiteral("2026-01-07"));
        QCOMPARE(schedule.value("cold_days").toInt(), 98);
        QCOMPARE(schedule.value("greenhouse_days").toInt(), 26);
        QCOMPARE(schedule.value("harvest_end").toString(), QStringLiteral("2026-02-01"));
        QCOMPARE(schedule.value("gstage_days").toInt(), 57);
        QVERIFY(QDir(home.filePath("database")).exists("cultivars.sqlite"));
    }
}

void TestScheduleCultivar::unknownRecordsAreRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no such cultivar")
        << QStringList{"--cultivar", "Bestaat niet", "--size", "12/+"};
    QTest::newRow("no such size") << QStringList{"--cultivar", "Apeldoorn", "--size", "99/+"};
    QTest::newRow("no such source")
        << QStringList{"--cultivar", "Apeldoorn", "--size", "12/+", "--source", "XX"};
}

void TestScheduleCultivar::unknownRecordsAreRefused()
{
    QFETCH(QStringList, arguments);
    const Run result = run(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.isEmpty());
    QCOMPARE(result.err.count('\n'), 1);
}

QTEST_GUILESS_MAIN(TestScheduleCultivar)
#include "tst_schedulecultivar.moc"
