#include "support/CrashRecord.h"
#include "support/TestDatabase.h"

#include "db/engine/SqliteConnection.h"
#include "db/engine/SqliteDatabase.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using namespace kasplan;
using test::CrashRecord;

// No data lost: a writer killed at random moments, many times over, leaves a
// sound database holding every post it reported done, complete.
class TestCrashSafety : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedWriterLosesNothing();
};

void TestCrashSafety::killedWriterLosesNothing()
{
    test::TestDatabase t;
    QVERIFY(t.isValid());
    QMap<int, int> reported; // record number -> version reported done
    int killedWhileWriting = 0;
    QRandomGenerator random(20240601);

    constexpr int Kills = 30;
    for (int round = 0; round < Kills; ++round) {
        QProcess writer;
        writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer.start(QStringLiteral(CRASHWRITER), {t.location(), QString::number(round * 100000)});
        QVERIFY(writer.waitForStarted(10000));
        QElapsedTimer ready;
        ready.start();
        while (!writer.canReadLine() && ready.elapsed() < 20000)
            writer.waitForReadyRead(100);
        QCOMPARE(QString::fromUtf8(writer.readLine()).trimmed(), QStringLiteral("ready"));

        QTest::qSleep(int(random.bounded(20, 250)));
        writer.kill();
        QVERIFY(writer.waitForFinished(10000));
        if (writer.exitStatus() == QProcess::CrashExit)
            ++killedWhileWriting;

        static const QRegularExpression line(QStringLiteral("^(done|updated) (\\d+)$"));
        for (const QByteArray& raw : writer.readAllStandardOutput().split('\n')) {
            const QRegularExpressionMatch m = line.match(QString::fromUtf8(raw).trimmed());
            if (m.hasMatch())
                reported[m.captured(2).toInt()] = m.captured(1) == QLatin1String("done") ? 1 : 2;
        }
    }
    qInfo("%d kills, %lld records reported", killedWhileWriting, qlonglong(reported.size()));
    QCOMPARE(killedWhileWriting, Kills);
    QVERIFY2(reported.size() >= Kills, "the writer hardly wrote anything");

    if (!test::TestDatabase::onServer()) {
        auto& database = static_cast<db::SqliteDatabase&>(t.database());
        db::SqliteConnection& c = database.connection();
        QCOMPARE(c.scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
                 QStringLiteral("ok"));
        QCOMPARE(c.scalar(QStringLiteral("PRAGMA foreign_key_check")), QVariant());
    }

    auto cdata = t.view(QStringLiteral("Cdata"));
    cdata->open();
    const auto text = [&](const char* field) {
        return cdata->fieldByName(QLatin1String(field))->asString();
    };
    for (auto it = reported.cbegin(); it != reported.cend(); ++it) {
        const int n = it.key();
        QVERIFY2(cdata->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                               {CrashRecord::cultivar(n), QString()}),
                 qPrintable(QStringLiteral("record %1 is missing").arg(n)));
        QCOMPARE(text("Kleur"), CrashRecord::colour(n));
        QCOMPARE(cdata->fieldByName(QStringLiteral("Hoofdgroep"))->value().toInt(),
                 CrashRecord::group(n));
        // A change reported done is there; one not yet reported may or may
        // not be, but never half.
        const QString remark = text("Remarks");
        const bool second = remark == CrashRecord::remark(n, 2);
        QVERIFY2(second || (it.value() == 1 && remark == CrashRecord::remark(n, 1)),
                 qPrintable(QStringLiteral("record %1 has a torn or lost remark").arg(n)));
        QCOMPARE(text("Klasse"), second ? QStringLiteral("v2") : QString());
    }
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
