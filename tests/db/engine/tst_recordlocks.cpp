#include "support/OtherCopy.h"
#include "support/TestDatabase.h"

#include "db/engine/Database.h"
#include "db/engine/EngineError.h"
#include "db/engine/SqliteDatabase.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sqlite3.h>

#include <csignal>

using namespace kasplan;
using kasplan::db::EngineError;
using kasplan::db::ErrorKind;
using kasplan::test::OtherCopy;

namespace {

const QStringList apeldoorn{QStringLiteral("Cdata"), QStringLiteral("Apeldoorn"),
                            QStringLiteral("NL")};

// Whether a copy could begin writing into the database file this moment.
bool fileFreeForWriting(const QString& folder)
{
    const QByteArray file =
        QFile::encodeName(QDir(folder).filePath(QLatin1String(db::SqliteDatabase::FileName)));
    sqlite3* probe = nullptr;
    bool free = false;
    if (sqlite3_open_v2(file.constData(), &probe, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK)
        free = sqlite3_exec(probe, "BEGIN IMMEDIATE; ROLLBACK;", nullptr, nullptr, nullptr) ==
               SQLITE_OK;
    sqlite3_close(probe);
    return free;
}

// Stops the other copy between its transactions. Stopped inside one (a
// heartbeat takes a few milliseconds) it would hold the whole file, as any
// stopped SQLite writer does, and every copy would wait for it; that is not
// the case under test.
void stopBetweenTransactions(OtherCopy& copy, const QString& folder)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        copy.signal(SIGSTOP);
        QTest::qWait(20); // the signal has arrived
        if (fileFreeForWriting(folder))
            return;
        copy.signal(SIGCONT);
        QTest::qWait(7);
    }
    QFAIL("the other copy never stood still outside a transaction");
}

} // namespace

// Record locks between two real processes sharing one database folder.
class TestRecordLocks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void editOfLockedRecordNamesTheHolder();
    void killedHolderIsTakenOverAtOnce();
    void stalledHolderIsTakenOverAfterTheLease();
    void undoneTransactionPutsViewsAndLocksBack();

private:
    QString editError();

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<db::TableView> m_cdata;
};

void TestRecordLocks::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
    m_db->addSampleRecords();
    m_cdata = m_db->view(QStringLiteral("Cdata"));
    m_cdata->open();
    QVERIFY(m_cdata->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                            {QStringLiteral("Apeldoorn"), QStringLiteral("NL")}));
}

void TestRecordLocks::cleanup()
{
    m_cdata.reset();
    m_db.reset();
}

QString TestRecordLocks::editError()
{
    try {
        m_cdata->edit();
    } catch (const EngineError& e) {
        return e.text();
    }
    return {};
}

void TestRecordLocks::editOfLockedRecordNamesTheHolder()
{
    OtherCopy anna(m_db->location(), QStringLiteral("anna"), 60000);
    QVERIFY(anna.ready());
    QCOMPARE(anna.send(QStringList{"edit"} + apeldoorn), QStringLiteral("ok"));

    const QString refusal = editError();
    QVERIFY2(refusal.contains(QLatin1String("Record locked by another user.")),
             qPrintable(refusal));
    QVERIFY(refusal.toUpper().contains(QLatin1String("LOCKED")));
    // The data module takes the name from 6 characters after "User:".
    QCOMPARE(refusal.mid(refusal.indexOf(QLatin1String("User:")) + 6, 100), QStringLiteral("anna"));
    QCOMPARE(m_cdata->state(), db::DataSet::State::Browse);

    // The edit error handler hears of it and may end the edit silently.
    QString heard;
    bool listening = true;
    m_cdata->events().onEditError.add([&](db::DataSet&, const EngineError& e, db::DataAction& a) {
        if (!listening)
            return;
        heard = e.text();
        a = db::DataAction::Abort;
    });
    QVERIFY_THROWS_EXCEPTION(db::AbortError, m_cdata->edit());
    QCOMPARE(heard, refusal);
    listening = false;

    // Deleting it is refused the same way; other records are free.
    try {
        m_cdata->deleteRecord();
        QFAIL("deleted a record another copy is editing");
    } catch (const EngineError& e) {
        QCOMPARE(e.kind(), ErrorKind::RecordLocked);
    }
    m_cdata->next();
    QCOMPARE(editError(), QString());
    m_cdata->cancel();

    // Once the other copy posts, the record is free again and shows its change.
    QCOMPARE(anna.send({"set", "Cdata", "Kleur", "oranje"}), QStringLiteral("ok"));
    QCOMPARE(anna.send({"post", "Cdata"}), QStringLiteral("ok"));
    m_cdata->prior();
    QCOMPARE(editError(), QString());
    QCOMPARE(m_cdata->fieldByName(QStringLiteral("Kleur"))->asString(), QStringLiteral("oranje"));
    // And now this copy holds it.
    QVERIFY(anna.send(QStringList{"edit"} + apeldoorn).contains(QLatin1String("User: tester")));
    m_cdata->cancel();
}

void TestRecordLocks::killedHolderIsTakenOverAtOnce()
{
    m_db->session().setLockLeaseMs(60000); // far longer than this test
    OtherCopy anna(m_db->location(), QStringLiteral("anna"), 60000);
    QVERIFY(anna.ready());
    QCOMPARE(anna.send(QStringList{"edit"} + apeldoorn), QStringLiteral("ok"));
    QVERIFY(!editError().isEmpty());

    anna.killHard();
    // A dead process on this computer holds nothing: no waiting for a lease.
    QCOMPARE(editError(), QString());
    m_cdata->fieldByName(QStringLiteral("Kleur"))->setValue(QStringLiteral("geel"));
    m_cdata->post();
}

void TestRecordLocks::stalledHolderIsTakenOverAfterTheLease()
{
    const int lease = 1000;
    m_db->session().setLockLeaseMs(lease);
    OtherCopy anna(m_db->location(), QStringLiteral("anna"), lease);
    QVERIFY(anna.ready());
    QCOMPARE(anna.send(QStringList{"edit"} + apeldoorn), QStringLiteral("ok"));

    // Alive and beating: refused however long this copy keeps trying.
    QElapsedTimer watching;
    watching.start();
    while (watching.elapsed() < 2 * lease + 500) {
        QVERIFY2(!editError().isEmpty(), "took over the lock of a live copy");
        QTest::qWait(100);
    }

    if (test::TestDatabase::onServer()) {
        // A server keeps the lock of a connection that is still there,
        // however long its copy stands still: there is no lease to run out.
        anna.signal(SIGSTOP);
        QTest::qWait(3 * lease);
        QVERIFY2(!editError().isEmpty(), "took over the lock of a connected copy");
        anna.signal(SIGCONT);
        QCOMPARE(anna.send({"set", "Cdata", "Kleur", "zwart"}), QStringLiteral("ok"));
        QCOMPARE(anna.send({"post", "Cdata"}), QStringLiteral("ok"));
        return;
    }
    // Stopped (alive, but its heartbeat stands still): taken over only once
    // the heartbeat has not moved for a whole lease. Its last beat may have
    // been seen up to one beat (a quarter lease) before it stopped.
    stopBetweenTransactions(anna, m_db->location());
    QElapsedTimer stalled;
    stalled.start();
    QString error = editError();
    while (!error.isEmpty() && stalled.elapsed() < 10 * lease) {
        QTest::qWait(50);
        error = editError();
    }
    QCOMPARE(error, QString());
    QVERIFY2(stalled.elapsed() >= lease * 3 / 4, "taken over before the lease ran out");
    m_cdata->fieldByName(QStringLiteral("Kleur"))->setValue(QStringLiteral("wit"));
    m_cdata->post();

    // The stalled copy wakes up and saves: refused, its lock was taken over.
    anna.signal(SIGCONT);
    QCOMPARE(anna.send({"set", "Cdata", "Kleur", "zwart"}), QStringLiteral("ok"));
    const QString refusal = anna.send({"post", "Cdata"});
    QVERIFY2(refusal.startsWith(QLatin1String("error Record lock lost")), qPrintable(refusal));
    m_cdata->refresh();
    QCOMPARE(m_cdata->fieldByName(QStringLiteral("Kleur"))->asString(), QStringLiteral("wit"));
}

void TestRecordLocks::undoneTransactionPutsViewsAndLocksBack()
{
    const auto kleur = [](db::DataSet& view) {
        return view.fieldByName(QStringLiteral("Kleur"))->asString();
    };
    auto other = m_db->view(QStringLiteral("Cdata"));
    other->open();
    other->last(); // Zebra/US
    m_cdata->edit();
    m_cdata->fieldByName(QStringLiteral("Kleur"))->setValue(QStringLiteral("rood"));

    {
        db::Transaction action(m_db->database());
        m_cdata->post(); // gives its lock back, within the action
        other->deleteRecord();
        QCOMPARE(other->recordCount(), 5);
        m_cdata->next();
    } // left without commit: undone

    QCOMPARE(m_cdata->state(), db::DataSet::State::Edit);
    QCOMPARE(m_cdata->fieldByName(QStringLiteral("Cultivar"))->asString(), "Apeldoorn");
    QCOMPARE(kleur(*m_cdata), QStringLiteral("rood"));
    QCOMPARE(other->recordCount(), 6);
    QCOMPARE(other->fieldByName(QStringLiteral("Cultivar"))->asString(), QStringLiteral("Zebra"));

    // The lock is this copy's again, in the file and in its own count.
    OtherCopy anna(m_db->location(), QStringLiteral("anna"), 60000);
    QVERIFY(anna.ready());
    QVERIFY(anna.send(QStringList{"edit"} + apeldoorn).contains(QLatin1String("User: tester")));

    // A savepoint undone inside a kept action undoes only its own part.
    {
        db::Transaction action(m_db->database());
        m_cdata->post();
        {
            db::Transaction inner(m_db->database());
            other->deleteRecord();
        }
        action.commit();
    }
    QCOMPARE(other->recordCount(), 6);
    QCOMPARE(m_cdata->state(), db::DataSet::State::Browse);
    auto fresh = m_db->view(QStringLiteral("Cdata"));
    fresh->open();
    QVERIFY(fresh->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                          {QStringLiteral("Apeldoorn"), QStringLiteral("NL")}));
    QCOMPARE(kleur(*fresh), QStringLiteral("rood"));
    QCOMPARE(fresh->recordCount(), 6);
    QCOMPARE(anna.send(QStringList{"edit"} + apeldoorn), QStringLiteral("ok"));
}

QTEST_GUILESS_MAIN(TestRecordLocks)
#include "tst_recordlocks.moc"
