#include "db/engine/HostIdentity.h"
#include "db/engine/SqliteDatabase.h"
#include "support/OldDatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace kasplan;
using test::OldDatabase;

namespace {

struct Run
{
    int exitCode = -1;
    QStringList out;
    QString err;
};

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

QString summaryLine(const char* file, const char* table, int read, int added, int updated,
                    int unchanged, int leftOut)
{
    return QStringLiteral("%1 -> %2: %3 gelezen, %4 toegevoegd, %5 bijgewerkt, %6 ongewijzigd, "
                          "%7 weggelaten")
        .arg(QLatin1String(file), QLatin1String(table))
        .arg(read)
        .arg(added)
        .arg(updated)
        .arg(unchanged)
        .arg(leftOut);
}

} // namespace

// `kasplan import paradox` through the program itself, on an old database of
// a few hundred cultivars written by our own writer.
class TestParadoxImportCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void takesOverEveryRecordAndField();
    void badRecordsAreRefusedOrLeftOut_data();
    void badRecordsAreRefusedOrLeftOut();
    void dryRunWritesNothing();
    void wrongArguments_data();
    void wrongArguments();

private:
    Run run(QStringList arguments) const;
    QString databaseFile() const
    {
        return m_home->filePath(QStringLiteral("database/") +
                                QLatin1String(db::SqliteDatabase::FileName));
    }
    QString oldFolder() const { return m_home->filePath(QStringLiteral("oud")); }
    QString differences() const;

    std::unique_ptr<QTemporaryDir> m_home;
    OldDatabase m_old;
};

void TestParadoxImportCommand::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    m_old = OldDatabase::sample(300, 3);
    // One cultivar the standard database delivers, with other values; it
    // stays a standard record.
    test::OldTableData& cdata = m_old.table(QStringLiteral("Cdata"));
    cdata.rows.append(cdata.rows[1]);
    cdata.set(300, QStringLiteral("Cultivar"), QStringLiteral("Apeldoorn"));
    cdata.set(300, QStringLiteral("Kleur"), QStringLiteral("oranje"));
    cdata.set(300, QStringLiteral("Status"), QStringLiteral("DLV/LBO"));
    test::OldTableData& csizes = m_old.table(QStringLiteral("Csizes"));
    csizes.rows.append(csizes.rows[4]);
    csizes.set(900, QStringLiteral("Cultivar"), QStringLiteral("Apeldoorn"));
    csizes.set(900, QStringLiteral("Status"), QStringLiteral("DLV/LBO"));
}

void TestParadoxImportCommand::cleanup()
{
    m_home.reset();
}

Run TestParadoxImportCommand::run(QStringList arguments) const
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KASPLAN_HOME"), m_home->path());
    program.setProcessEnvironment(env);
    arguments.prepend(QStringLiteral("import"));
    program.start(QStringLiteral(KASPLAN_PROGRAM), arguments);
    Run result;
    if (!program.waitForFinished(120000))
        return result;
    result.exitCode = program.exitCode();
    result.out = QString::fromUtf8(program.readAllStandardOutput())
                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    result.err = QString::fromUtf8(program.readAllStandardError());
    return result;
}

QString TestParadoxImportCommand::differences() const
{
    db::SqliteDatabase::Options options;
    options.identity = db::HostIdentity::current(QStringLiteral("test"));
    db::SqliteDatabase database(databaseFile(), options);
    return m_old.differences(database);
}

void TestParadoxImportCommand::takesOverEveryRecordAndField()
{
    m_old.write(oldFolder());
    const Run first = run({QStringLiteral("paradox"), oldFolder()});
    QVERIFY2(first.exitCode == 0, qPrintable(first.err));
    QCOMPARE(first.out.value(0), QStringLiteral("Cultivar database: ") + databaseFile());
    QCOMPARE(first.out.mid(1, 5),
             QStringList({summaryLine("Sizes.DB", "Sizes", 3, 0, 3, 0, 0),
                          summaryLine("Locaties.db", "Locaties", 2, 2, 0, 0, 0),
                          summaryLine("Cdata.DB", "Cdata", 301, 300, 1, 0, 0),
                          summaryLine("Csizes.DB", "Csizes", 901, 900, 1, 0, 0),
                          summaryLine("Cstdoogst.DB", "Cstdoogst", 600, 600, 0, 0, 0)}));
    QCOMPARE(first.out.last(), QStringLiteral("De oude tabellen zijn overgenomen; de oude "
                                              "bestanden zijn niet veranderd."));
    QCOMPARE(differences(), QString());

    const Run second = run({QStringLiteral("paradox"), oldFolder()});
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(second.out.mid(1, 5),
             QStringList({summaryLine("Sizes.DB", "Sizes", 3, 0, 0, 3, 0),
                          summaryLine("Locaties.db", "Locaties", 2, 0, 0, 2, 0),
                          summaryLine("Cdata.DB", "Cdata", 301, 0, 0, 301, 0),
                          summaryLine("Csizes.DB", "Csizes", 901, 0, 0, 901, 0),
                          summaryLine("Cstdoogst.DB", "Cstdoogst", 600, 0, 0, 600, 0)}));
}

void TestParadoxImportCommand::badRecordsAreRefusedOrLeftOut_data()
{
    QTest::addColumn<bool>("longName"); // else a negative count
    QTest::addColumn<QString>("reason");
    QTest::newRow("negative count")
        << false
        << "  Csizes.DB record 8 (Cultivar 'Kweek 000002 ë', Source 'F', Size '11/12'): veld "
           "Aantal is negatief (-5)";
    QTest::newRow("name too long")
        << true
        << QStringLiteral("  Cdata.DB record 302 (Cultivar '%1', Source 'NL'): veld Cultivar is te "
                          "lang (51 tekens, hoogstens 50)")
               .arg(QString(QLatin1Char('t')).repeated(51));
}

void TestParadoxImportCommand::badRecordsAreRefusedOrLeftOut()
{
    QFETCH(bool, longName);
    QFETCH(QString, reason);
    // A database from an earlier, clean import.
    OldDatabase clean = m_old;
    m_old.write(oldFolder());
    QCOMPARE(run({QStringLiteral("paradox"), oldFolder()}).exitCode, 0);
    const QByteArray before = fileHash(databaseFile());

    if (longName) {
        test::OldTableData& cdata = m_old.table(QStringLiteral("Cdata"));
        cdata.fields[0].size = 60;
        cdata.rows.append(cdata.rows[1]);
        cdata.set(301, QStringLiteral("Cultivar"), QString(QLatin1Char('t')).repeated(51));
    } else {
        m_old.table(QStringLiteral("Csizes")).set(7, QStringLiteral("Aantal"), -5);
    }
    m_old.table(QStringLiteral("Sizes")).set(0, QStringLiteral("QtyUnit"), 9);
    m_old.write(oldFolder());

    const Run refused = run({QStringLiteral("paradox"), oldFolder()});
    QCOMPARE(refused.exitCode, 2);
    QVERIFY2(refused.out.contains(reason), qPrintable(refused.out.join(QLatin1Char('\n'))));
    QVERIFY2(refused.err.contains(QStringLiteral("niets overgenomen")), qPrintable(refused.err));
    QCOMPARE(fileHash(databaseFile()), before);

    const Run skipped = run({QStringLiteral("paradox"), oldFolder(), QStringLiteral("--skip-bad")});
    QCOMPARE(skipped.exitCode, 0);
    QVERIFY(skipped.out.contains(QStringLiteral("Weggelaten records:")));
    QVERIFY(skipped.out.contains(reason));
    QVERIFY(skipped.out.contains(summaryLine("Sizes.DB", "Sizes", 3, 0, 1, 2, 0)));
    // Everything but that record as the old tables have it; that record as
    // it was.
    if (longName) {
        m_old.table(QStringLiteral("Cdata")).rows.removeLast();
    } else {
        m_old.table(QStringLiteral("Csizes")).rows[7] =
            clean.table(QStringLiteral("Csizes")).rows[7];
    }
    QCOMPARE(differences(), QString());
}

void TestParadoxImportCommand::dryRunWritesNothing()
{
    m_old.write(oldFolder());
    // Before any database exists: none is made.
    const Run trial = run({QStringLiteral("paradox"), oldFolder(), QStringLiteral("--dry-run")});
    QCOMPARE(trial.exitCode, 0);
    QCOMPARE(trial.out.last(), QStringLiteral("Proefrun: er is niets geschreven."));
    QVERIFY(!QFile::exists(databaseFile()));

    const Run first = run({QStringLiteral("paradox"), oldFolder()});
    QCOMPARE(first.exitCode, 0);
    QCOMPARE(trial.out.mid(1, 5), first.out.mid(1, 5));

    // With changes waiting: the file stays byte for byte as it was, and the
    // trial reports what the real run then does.
    m_old.table(QStringLiteral("Cdata")).set(5, QStringLiteral("Kleur"), QStringLiteral("wit"));
    m_old.write(oldFolder());
    const QByteArray before = fileHash(databaseFile());
    const Run second = run({QStringLiteral("paradox"), oldFolder(), QStringLiteral("--dry-run")});
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(fileHash(databaseFile()), before);
    QVERIFY(second.out.contains(summaryLine("Cdata.DB", "Cdata", 301, 0, 1, 300, 0)));
    const Run real = run({QStringLiteral("paradox"), oldFolder()});
    QCOMPARE(second.out.mid(0, 6), real.out.mid(0, 6));
    QCOMPARE(differences(), QString());
}

void TestParadoxImportCommand::wrongArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no kind") << QStringList() << "geef aan wat er ingelezen moet worden";
    QTest::newRow("unknown kind") << QStringList{QStringLiteral("dbase")}
                                  << "onbekende soort 'dbase'";
    QTest::newRow("no folder") << QStringList{QStringLiteral("paradox")} << "geef de map";
    QTest::newRow("unknown code page")
        << QStringList{QStringLiteral("paradox"), QStringLiteral("."), QStringLiteral("--codepage"),
                       QStringLiteral("1250")}
        << "--codepage kent alleen 437, 850 en 1252";
    QTest::newRow("missing folder")
        << QStringList{QStringLiteral("paradox"), QStringLiteral("/geen/map")} << "bestaat niet";
    QTest::newRow("folder without tables")
        << QStringList{QStringLiteral("paradox"), QStringLiteral(".")} << "geen oude tabellen";
}

void TestParadoxImportCommand::wrongArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run result = run(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
}

QTEST_GUILESS_MAIN(TestParadoxImportCommand)
#include "tst_paradoximportcommand.moc"
