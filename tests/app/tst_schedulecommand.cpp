#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray Standard = R"({"Dk_p1": 105, "Dk_p2": 98, "Dk_p3": 91, "Dk_p4": 84,
                                "Kd_p1": 28, "Kd_p2": 24, "Kd_p3": 21, "Kd_p4": 18})";

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the real program without any display, as a script would.
Run runSchedule(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess program;
    auto env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KASPLAN_PROGRAM), QStringList{"schedule"} + arguments);
    program.write(input);
    program.closeWriteChannel();
    Run run;
    if (!program.waitForFinished(60000) || program.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = program.exitCode();
    run.out = program.readAllStandardOutput();
    run.err = program.readAllStandardError();
    return run;
}

QStringList strings(const QJsonValue& value)
{
    QStringList list;
    for (const QJsonValue& item : value.toArray())
        list.append(item.toString());
    return list;
}

} // namespace

class TestScheduleCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void printsTheIssuesExampleExactly();
    void workedExamples_data();
    void workedExamples();
    void actionsRunInOrder_data();
    void actionsRunInOrder();
    void missingDataAndNeverSetHarvestEnd();
    void seasonFollowsToday_data();
    void seasonFollowsToday();
    void refusals_data();
    void refusals();
    void recordsBeyondTheLimits_data();
    void recordsBeyondTheLimits();

private:
    QString writeRecord(const QByteArray& json);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestScheduleCommand::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("KASPLAN_HOME", m_dir->path().toLocal8Bit());
}

QString TestScheduleCommand::writeRecord(const QByteArray& json)
{
    const QString name = m_dir->filePath(QStringLiteral("record.json"));
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size())
        qFatal("cannot write the test record");
    return name;
}

void TestScheduleCommand::printsTheIssuesExampleExactly()
{
    const Run run = runSchedule({"--season", "2024", "--record", writeRecord(Standard), "--today",
                                 "2024-10-15", "--cooling", "2024-10-01"});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out,
             QByteArray(R"({"gstage": "2024-10-01", "gstage_days": 0, "cooling": "2024-10-01", )"
                        R"("cold_days": 98, "housing": "2025-01-07", "greenhouse_days": 24, )"
                        R"("harvest_end": "2025-01-30", "level": 0, "messages": [], )"
                        R"("marked": ["wk2", "kd2"], "missing": [], "hidden_bars": []})"
                        "\n"));
}

void TestScheduleCommand::workedExamples_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QStringList>("action");
    QTest::addColumn<QString>("cooling");
    QTest::addColumn<int>("coldDays");
    QTest::addColumn<QString>("housing");
    QTest::addColumn<int>("greenhouseDays");
    QTest::addColumn<QString>("harvestEnd");
    QTest::addColumn<QStringList>("marked");
    QTest::addColumn<int>("level");

    QTest::newRow("cooling start 1 October")
        << Standard << QStringList{"--cooling", "2024-10-01"} << "2024-10-01" << 98 << "2025-01-07"
        << 24 << "2025-01-30" << QStringList{"wk2", "kd2"} << 0;
    QTest::newRow("harvest end 30 January")
        << Standard << QStringList{"--harvest-end", "2025-01-30"} << "2024-10-01" << 98
        << "2025-01-07" << 24 << "2025-01-30" << QStringList{"wk2", "kd2"} << 0;
    QTest::newRow("boundary of periods 1 and 2")
        << QByteArray(R"({"Dk_p1": 112, "Dk_p2": 98, "Dk_p3": 91, "Dk_p4": 84,
                          "Kd_p1": 28, "Kd_p2": 24, "Kd_p3": 21, "Kd_p4": 18})")
        << QStringList{"--cooling", "2024-09-01"} << "2024-09-01" << 105 << "2024-12-15" << 26
        << "2025-01-09" << QStringList{"wk1", "wk2", "kd1", "kd2"} << 0;
    QTest::newRow("84 cold days everywhere")
        << QByteArray(R"({"Dk_p1": 84, "Dk_p2": 84, "Dk_p3": 84, "Dk_p4": 84,
                          "Kd_p1": 28, "Kd_p2": 24, "Kd_p3": 21, "Kd_p4": 18})")
        << QStringList{"--cooling", "2025-01-01"} << "2025-01-01" << 84 << "2025-03-26" << 18
        << "2025-04-12" << QStringList{"wk4", "kd4"} << 1;
}

void TestScheduleCommand::workedExamples()
{
    QFETCH(QByteArray, record);
    QFETCH(QStringList, action);
    QFETCH(QString, cooling);
    QFETCH(int, coldDays);
    QFETCH(QString, housing);
    QFETCH(int, greenhouseDays);
    QFETCH(QString, harvestEnd);
    QFETCH(QStringList, marked);
    QFETCH(int, level);

    // The record comes from standard input here.
    const Run run = runSchedule(
        QStringList{"--season", "2024", "--record", "-", "--today", "2024-10-15"} + action, record);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out.count('\n'), 1);
    const QJsonObject state = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(state.value("cooling").toString(), cooling);
    QCOMPARE(state.value("gstage").toString(), cooling);
    QCOMPARE(state.value("cold_days").toInt(), coldDays);
    QCOMPARE(state.value("housing").toString(), housing);
    QCOMPARE(state.value("greenhouse_days").toInt(), greenhouseDays);
    QCOMPARE(state.value("harvest_end").toString(), harvestEnd);
    QCOMPARE(strings(state.value("marked")), marked);
    QCOMPARE(state.value("level").toInt(), level);
    if (level == 0) {
        QCOMPARE(strings(state.value("messages")), QStringList());
    } else {
        const QString date = QLocale::system().toString(QDate(2025, 3, 26), QLocale::ShortFormat);
        QCOMPARE(strings(state.value("messages")),
                 (QStringList{"Warning KP 1",
                              "Waarschuwing: Inhaaldatum = " + date +
                                  ".Kasplan heeft geen gegevens voor periode na 24-3. Gegevens "
                                  "periode 25/2-24/3 zijn gebruikt voor berekening."}));
    }
}

void TestScheduleCommand::actionsRunInOrder_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("gstage");
    QTest::addColumn<int>("gstageDays");
    QTest::addColumn<QString>("cooling");
    QTest::addColumn<QString>("housing");
    QTest::addColumn<QString>("harvestEnd");

    const QByteArray water = R"({"DnaG20_w": 21, "Dk_p1_w": 105, "Dk_p2_w": 98, "Dk_p3_w": 91,
        "Dk_p4_w": 84, "Kd_p1_w": 28, "Kd_p2_w": 24, "Kd_p3_w": 21, "Kd_p4_w": 18, "Dk_p2": 10})";
    const QByteArray gstagemin = R"({"Gstagemin": "10/09", "DnaG20": 21, "Cultivar": "Apeldoorn",
        "Dk_p1": 105, "Dk_p2": 98, "Dk_p3": 91, "Dk_p4": 84,
        "Kd_p1": 28, "Kd_p2": 24, "Kd_p3": 21, "Kd_p4": 18})";

    QTest::newRow("two days forward after the cooling start")
        << Standard << QStringList{"--cooling", "2024-10-01", "--day-forward", "--day-forward"}
        << "2024-10-03" << 0 << "2024-10-03"
        << "2025-01-09"
        << "2025-02-01";
    QTest::newRow("month back from 31 March")
        << Standard << QStringList{"--harvest-end", "2025-03-31", "--month-back"} << "2024-11-09"
        << 0 << "2024-11-09"
        << "2025-02-08"
        << "2025-02-28";
    // 30 Jan, 28 Feb, 28 Jan: the day limited to February stays limited.
    QTest::newRow("day back, month forward, month back")
        << Standard
        << QStringList{"--harvest-end", "2025-01-31", "--day-back", "--month-forward",
                       "--month-back"}
        << "2024-09-29" << 0 << "2024-09-29"
        << "2025-01-05"
        << "2025-01-28";
    QTest::newRow("water, from the G-stage")
        << water << QStringList{"--method", "water", "--gstage", "2024-09-10"} << "2024-09-10" << 21
        << "2024-10-01"
        << "2025-01-07"
        << "2025-01-30";
    QTest::newRow("Gstagemin moves a too early cooling start")
        << gstagemin << QStringList{"--cooling", "2024-09-20"} << "2024-09-10" << 21 << "2024-10-01"
        << "2025-01-07"
        << "2025-01-30";
    QTest::newRow("Gstagemin keeps a later cooling start")
        << gstagemin << QStringList{"--cooling", "2024-10-15"} << "2024-09-10" << 35 << "2024-10-15"
        << "2025-01-21"
        << "2025-02-13";
    QTest::newRow("housing date, then harvest end")
        << Standard << QStringList{"--housing", "2024-12-01", "--harvest-end", "2025-01-30"}
        << "2024-10-01" << 0 << "2024-10-01"
        << "2025-01-07"
        << "2025-01-30";
}

void TestScheduleCommand::actionsRunInOrder()
{
    QFETCH(QByteArray, record);
    QFETCH(QStringList, arguments);
    QFETCH(QString, gstage);
    QFETCH(int, gstageDays);
    QFETCH(QString, cooling);
    QFETCH(QString, housing);
    QFETCH(QString, harvestEnd);

    const Run run = runSchedule(
        QStringList{"--record", writeRecord(record), "--today", "2024-10-15", "--season", "2024"} +
        arguments);
    QCOMPARE(run.exitCode, 0);
    const QJsonObject state = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(state.value("gstage").toString(), gstage);
    QCOMPARE(state.value("gstage_days").toInt(), gstageDays);
    QCOMPARE(state.value("cooling").toString(), cooling);
    QCOMPARE(state.value("housing").toString(), housing);
    QCOMPARE(state.value("harvest_end").toString(), harvestEnd);
    QCOMPARE(state.value("level").toInt(), 0);
}

void TestScheduleCommand::missingDataAndNeverSetHarvestEnd()
{
    // No data at all: the first calculation from today's housing date fails
    // on both the cold and the greenhouse days of period 1.
    const QString record = writeRecord("{}");
    Run run = runSchedule({"--record", record, "--today", "2024-10-15"});
    QCOMPARE(run.exitCode, 0);
    QJsonObject state = QJsonDocument::fromJson(run.out).object();
    QVERIFY(state.value("harvest_end").isNull());
    QCOMPARE(state.value("housing").toString(), QStringLiteral("2024-10-15"));
    QCOMPARE(state.value("cold_days").toInt(), 7);
    QCOMPARE(state.value("level").toInt(), 2);
    QCOMPARE(strings(state.value("messages")),
             (QStringList{"Error KP 1", "Kasplan kan geen data berekenen, gegevens periode tot "
                                        "17/12 ontbreken. Indien gewenst, kunt u zelf "
                                        "periodegegevens invullen."}));
    QCOMPARE(strings(state.value("missing")), (QStringList{"gstage", "cooling", "harvest_end"}));
    QCOMPARE(strings(state.value("hidden_bars")), (QStringList{"gstage", "cooling", "housing"}));
    QCOMPARE(strings(state.value("marked")), QStringList());

    // The buttons have no harvest end to move; moving the cooling start
    // then fails on all four periods.
    run = runSchedule(
        {"--record", record, "--today", "2024-10-15", "--day-forward", "--cooling", "2024-10-01"});
    QCOMPARE(run.exitCode, 0);
    state = QJsonDocument::fromJson(run.out).object();
    QVERIFY(state.value("harvest_end").isNull());
    QCOMPARE(strings(state.value("messages")),
             (QStringList{"Kasplan kan geen data berekenen,",
                          "periodegegevens ontbreken, indien gewenst, kunt u zelf "
                          "periodegegevens invullen."}));
    QCOMPARE(strings(state.value("missing")), (QStringList{"housing", "harvest_end"}));
    QCOMPARE(strings(state.value("hidden_bars")), (QStringList{"cooling", "housing"}));
}

void TestScheduleCommand::seasonFollowsToday_data()
{
    QTest::addColumn<QString>("today");
    QTest::addColumn<QString>("housing");
    QTest::addColumn<int>("coldDays");
    // In season 2024/2025 14 January lies after 17 December; in 2025/2026 before it.
    QTest::newRow("15 March 2025: season 2024") << "2025-03-15"
                                                << "2025-01-07" << 98;
    QTest::newRow("15 April 2025: season 2025") << "2025-04-15"
                                                << "2025-01-14" << 105;
}

void TestScheduleCommand::seasonFollowsToday()
{
    QFETCH(QString, today);
    QFETCH(QString, housing);
    QFETCH(int, coldDays);
    const Run run = runSchedule(
        {"--record", writeRecord(Standard), "--today", today, "--cooling", "2024-10-01"});
    QCOMPARE(run.exitCode, 0);
    const QJsonObject state = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(state.value("housing").toString(), housing);
    QCOMPARE(state.value("cold_days").toInt(), coldDays);
}

void TestScheduleCommand::refusals_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("record"); // written to the file RECORD stands for

    const QByteArray ok = Standard;
    QTest::newRow("no record") << QStringList{"--season", "2024"} << ok;
    QTest::newRow("unknown argument") << QStringList{"--record", "RECORD", "--bogus"} << ok;
    QTest::newRow("record and cultivar")
        << QStringList{"--record", "RECORD", "--cultivar", "Apeldoorn", "--size", "12/+"} << ok;
    QTest::newRow("cultivar without size") << QStringList{"--cultivar", "Apeldoorn"} << ok;
    QTest::newRow("size without cultivar")
        << QStringList{"--record", "RECORD", "--size", "12/+"} << ok;
    QTest::newRow("cultivar twice")
        << QStringList{"--cultivar", "Apeldoorn", "--size", "12/+", "--cultivar", "Paul Richter"}
        << ok;
    QTest::newRow("option without value") << QStringList{"--record", "RECORD", "--cooling"} << ok;
    QTest::newRow("season not a number")
        << QStringList{"--record", "RECORD", "--season", "x"} << ok;
    QTest::newRow("season out of range")
        << QStringList{"--record", "RECORD", "--season", "1989"} << ok;
    QTest::newRow("season twice") << QStringList{"--record", "RECORD",   "--season",
                                                 "2024",     "--season", "2025"}
                                  << ok;
    QTest::newRow("unknown method") << QStringList{"--record", "RECORD", "--method", "Grond"} << ok;
    QTest::newRow("30 February") << QStringList{"--record", "RECORD", "--cooling", "2025-02-30"}
                                 << ok;
    QTest::newRow("short date") << QStringList{"--record", "RECORD", "--housing", "2025-2-3"} << ok;
    QTest::newRow("month 13") << QStringList{"--record", "RECORD", "--today", "2024-13-01"} << ok;
    QTest::newRow("unreadable record") << QStringList{"--record", "RECORD.missing"} << ok;
    QTest::newRow("not JSON") << QStringList{"--record", "RECORD"} << QByteArray("{\"Dk_p1\": ");
    QTest::newRow("not an object") << QStringList{"--record", "RECORD"} << QByteArray("[105]");
    QTest::newRow("days as text") << QStringList{"--record", "RECORD"}
                                  << QByteArray(R"({"Dk_p1": "105"})");
    QTest::newRow("half a day") << QStringList{"--record", "RECORD"}
                                << QByteArray(R"({"Kd_p2": 24.5})");
    QTest::newRow("days beyond a small integer")
        << QStringList{"--record", "RECORD"} << QByteArray(R"({"Dk_p1": 40000})");
    QTest::newRow("Gstagemin 31/02")
        << QStringList{"--record", "RECORD"} << QByteArray(R"({"Gstagemin": "31/02"})");
    QTest::newRow("Gstagemin without slash")
        << QStringList{"--record", "RECORD"} << QByteArray(R"({"Gstagemin": "15-3"})");
    QTest::newRow("calendar beyond year 9999")
        << QStringList{"--record", "RECORD", "--today", "9999-12-20"} << ok;
    QTest::newRow("housing beyond year 9999")
        << QStringList{"--record", "RECORD", "--season", "3000", "--gstage", "9999-12-31"} << ok;
    QTest::newRow("cooling before year 1")
        << QStringList{"--record", "RECORD", "--harvest-end", "0001-01-01"} << ok;
}

void TestScheduleCommand::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, record);

    const QString file = writeRecord(record);
    arguments.replaceInStrings(QStringLiteral("RECORD"), file);
    const Run run = runSchedule(arguments);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.err.startsWith("kasplan schedule: "), run.err.constData());
    QVERIFY2(run.err.endsWith('\n') && run.err.count('\n') == 1, run.err.constData());
}

// The standard record with one field changed to the given JSON value.
QByteArray withField(const char* field, const char* value)
{
    QJsonObject record = QJsonDocument::fromJson(Standard).object();
    record.insert(QLatin1String(field), QJsonDocument::fromJson(QByteArray("[") + value + "]")[0]);
    return QJsonDocument(record).toJson(QJsonDocument::Compact);
}

// The standard record padded with spaces to exactly size bytes.
QByteArray padded(qsizetype size)
{
    return Standard + QByteArray(size - Standard.size(), ' ');
}

void TestScheduleCommand::recordsBeyondTheLimits_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("record"); // written to the file RECORD stands for
    QTest::addColumn<QByteArray>("input");  // standard input
    QTest::addColumn<QString>("refusal");   // empty: a schedule is printed

    constexpr qsizetype MiB = 1024 * 1024;
    const QStringList fromFile{"--record", "RECORD", "--season", "2024", "--cooling", "2024-10-01"};
    const QStringList fromInput{"--record", "-", "--season", "2024", "--cooling", "2024-10-01"};
    const QString tooLarge = QStringLiteral("is groter dan 1048576 bytes (1 MiB)");

    // Negative counts would put housing before the cooling start, or the
    // harvest end before housing; the database refuses them as well.
    QTest::newRow("negative cold days")
        << fromFile << withField("Dk_p2", "-105") << QByteArray()
        << "veld Dk_p2 moet tussen 0 en 32767 dagen liggen, niet -105";
    QTest::newRow("negative greenhouse days")
        << fromFile << withField("Kd_p2", "-28") << QByteArray()
        << "veld Kd_p2 moet tussen 0 en 32767 dagen liggen, niet -28";
    QTest::newRow("negative ice days")
        << fromFile << withField("Dk_p_ice", "-1") << QByteArray()
        << "veld Dk_p_ice moet tussen 0 en 32767 dagen liggen, niet -1";
    QTest::newRow("one past a small integer")
        << fromFile << withField("DnaG20", "32768") << QByteArray()
        << "veld DnaG20 moet tussen 0 en 32767 dagen liggen, niet 32768";
    QTest::newRow("far beyond") << fromFile << withField("Kd_p1_w", "1e300") << QByteArray()
                                << "veld Kd_p1_w moet tussen 0 en 32767 dagen liggen, niet 1e+300";
    QTest::newRow("zero days") << fromFile << withField("Dk_p1", "0") << QByteArray() << QString();

    QTest::newRow("record file of 1 MiB") << fromFile << padded(MiB) << QByteArray() << QString();
    QTest::newRow("record file one byte over")
        << fromFile << padded(MiB + 1) << QByteArray() << tooLarge;
    QTest::newRow("standard input of 3 MiB") << fromInput << QByteArray() << padded(3 * MiB)
                                             << QStringLiteral("het record '-' ") + tooLarge;
    QTest::newRow("endless file") << QStringList{"--record", "/dev/zero"} << QByteArray()
                                  << QByteArray() << "het record '/dev/zero' " + tooLarge;
}

void TestScheduleCommand::recordsBeyondTheLimits()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, record);
    QFETCH(QByteArray, input);
    QFETCH(QString, refusal);

    arguments.replaceInStrings(QStringLiteral("RECORD"), writeRecord(record));
    const Run run = runSchedule(arguments, input);
    if (refusal.isEmpty()) {
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(QJsonDocument::fromJson(run.out).object().value("cooling").toString(),
                 QStringLiteral("2024-10-01"));
        return;
    }
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.err.count('\n') == 1 && run.err.contains(refusal.toUtf8()), run.err.constData());
}

QTEST_GUILESS_MAIN(TestScheduleCommand)
#include "tst_schedulecommand.moc"
