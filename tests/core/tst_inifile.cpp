#include "core/IniFile.h"
#include "core/LockedFileUpdate.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace kasplan;

namespace {

QByteArray readAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& fileName, const QByteArray& content)
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void reading_data();
    void reading();
    void missingFileReadsDefaults();
    void writingKeepsEveryOtherLine();
    void writingCreatesFileSectionAndKey();
    void twoObjectsSeeEachOthersWrites();
    void lineBreakInValueIsRefused();
    void unwritableFolderThrows();
    void onlyTheLocksOfGoneCopiesAreRemoved();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_fileName;
};

void TestIniFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_fileName = m_dir->filePath(QStringLiteral("KPDBase.ini"));
}

void TestIniFile::reading_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text"); // ReadString, default "-"
    QTest::addColumn<int>("number");   // ReadInteger, default -1

    const QByteArray file = "; comment\r\n"
                            "Version=outside any section\r\n"
                            "[DBase]\r\n"
                            "Version=4.0.1.8\r\n"
                            "Version=second copy is ignored\r\n"
                            "[Currency]\r\n"
                            "  index =  1  \r\n"
                            "Quoted=\"  a b \"\r\n"
                            "Hex=0x1F\r\n"
                            "Dollar=$10\r\n"
                            "Negative=-12\r\n"
                            "Bad=12abc\r\n"
                            "Huge=99999999999\r\n"
                            ";Commented=5\r\n"
                            "Empty=\n";
    QTest::newRow("version") << file << "DBase"
                             << "Version"
                             << "4.0.1.8" << -1;
    QTest::newRow("case of names ignored") << file << "dbase"
                                           << "VERSION"
                                           << "4.0.1.8" << -1;
    QTest::newRow("blanks trimmed") << file << "Currency"
                                    << "Index"
                                    << "1" << 1;
    QTest::newRow("quotes removed") << file << "Currency"
                                    << "Quoted"
                                    << "  a b " << -1;
    QTest::newRow("hex 0x") << file << "Currency"
                            << "Hex"
                            << "0x1F" << 31;
    QTest::newRow("hex $") << file << "Currency"
                           << "Dollar"
                           << "$10" << 16;
    QTest::newRow("negative") << file << "Currency"
                              << "Negative"
                              << "-12" << -12;
    QTest::newRow("not a number") << file << "Currency"
                                  << "Bad"
                                  << "12abc" << -1;
    QTest::newRow("beyond 32 bits") << file << "Currency"
                                    << "Huge"
                                    << "99999999999" << -1;
    QTest::newRow("commented out") << file << "Currency"
                                   << "Commented"
                                   << "-" << -1;
    QTest::newRow("empty value") << file << "Currency"
                                 << "Empty"
                                 << "" << -1;
    QTest::newRow("missing key") << file << "Currency"
                                 << "Version"
                                 << "-" << -1;
    QTest::newRow("missing section") << file << "Nothing"
                                     << "Version"
                                     << "-" << -1;
}

void TestIniFile::reading()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(int, number);
    writeAll(m_fileName, content);
    const IniFile ini(m_fileName);
    QCOMPARE(ini.ReadString(section, key, QStringLiteral("-")), text);
    QCOMPARE(ini.ReadInteger(section, key, -1), number);
    QCOMPARE(ini.ValueExists(section, key), text != QLatin1String("-"));
}

void TestIniFile::missingFileReadsDefaults()
{
    const IniFile ini(m_fileName);
    QCOMPARE(ini.ReadString(QStringLiteral("DBase"), QStringLiteral("Version"), QString()),
             QString());
    QCOMPARE(ini.ReadInteger(QStringLiteral("Currency"), QStringLiteral("Index"), -1), -1);
    QVERIFY(!ini.ValueExists(QStringLiteral("Currency"), QStringLiteral("Index")));
    QVERIFY(!QFile::exists(m_fileName));
}

void TestIniFile::writingKeepsEveryOtherLine()
{
    writeAll(m_fileName, "; made by hand\n"
                         "[dbase]\n"
                         "version = 4.0.0.1\n"
                         "Note=keep me\n"
                         "\n"
                         "[Currency]\n"
                         "Other=1\n");
    IniFile ini(m_fileName);
    ini.WriteString(QStringLiteral("DBase"), QStringLiteral("Version"), QStringLiteral("4.0.1.8"));
    ini.WriteInteger(QStringLiteral("Currency"), QStringLiteral("Index"), 1);
    ini.WriteString(QStringLiteral("DBase"), QStringLiteral("Added"), QStringLiteral("x"));
    QCOMPARE(readAll(m_fileName), QByteArray("; made by hand\r\n"
                                             "[dbase]\r\n"
                                             "Version=4.0.1.8\r\n"
                                             "Note=keep me\r\n"
                                             "Added=x\r\n"
                                             "\r\n"
                                             "[Currency]\r\n"
                                             "Other=1\r\n"
                                             "Index=1\r\n"));
}

void TestIniFile::writingCreatesFileSectionAndKey()
{
    IniFile ini(m_fileName);
    ini.WriteString(QStringLiteral("DBase"), QStringLiteral("Version"), QString());
    QVERIFY(ini.ValueExists(QStringLiteral("DBase"), QStringLiteral("Version")));
    ini.WriteInteger(QStringLiteral("Currency"), QStringLiteral("Index"), -1);
    QCOMPARE(readAll(m_fileName),
             QByteArray("[DBase]\r\nVersion=\r\n\r\n[Currency]\r\nIndex=-1\r\n"));
}

void TestIniFile::twoObjectsSeeEachOthersWrites()
{
    IniFile first(m_fileName);
    IniFile second(m_fileName);
    first.WriteString(QStringLiteral("DBase"), QStringLiteral("Version"),
                      QStringLiteral("4.0.1.8"));
    QCOMPARE(second.ReadString(QStringLiteral("DBase"), QStringLiteral("Version"), QString()),
             QStringLiteral("4.0.1.8"));
    second.WriteInteger(QStringLiteral("Currency"), QStringLiteral("Index"), 1);
    QCOMPARE(first.ReadInteger(QStringLiteral("Currency"), QStringLiteral("Index"), -1), 1);
    QCOMPARE(first.ReadString(QStringLiteral("DBase"), QStringLiteral("Version"), QString()),
             QStringLiteral("4.0.1.8"));
}

void TestIniFile::lineBreakInValueIsRefused()
{
    IniFile ini(m_fileName);
    ini.WriteString(QStringLiteral("DBase"), QStringLiteral("Version"), QStringLiteral("4.0.1.8"));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             ini.WriteString(QStringLiteral("DBase"), QStringLiteral("Version"),
                                             QStringLiteral("1\r\n[Evil]")));
    QCOMPARE(ini.ReadString(QStringLiteral("DBase"), QStringLiteral("Version"), QString()),
             QStringLiteral("4.0.1.8"));
}

void TestIniFile::unwritableFolderThrows()
{
    IniFile ini(m_dir->filePath(QStringLiteral("missing-folder/KPDBase.ini")));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             ini.WriteString(QStringLiteral("DBase"), QStringLiteral("Version"),
                                             QStringLiteral("4.0.1.8")));
}

// The lock a copy leaves when it is killed after saving, before letting go:
// its process, on this computer, is gone.
void TestIniFile::onlyTheLocksOfGoneCopiesAreRemoved()
{
    QProcess gone;
    gone.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exit 0")});
    QVERIFY(gone.waitForStarted());
    const qint64 gonePid = gone.processId();
    QVERIFY(gone.waitForFinished());
    const QByteArray deadLock =
        QByteArray::number(gonePid) + "\nkasplan\n" + QSysInfo::machineHostName().toUtf8() + "\n";

    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("a/b")));
    const QString deep = m_dir->filePath(QStringLiteral("a/b/values.json"));
    writeAll(m_fileName + QStringLiteral(".lock"), deadLock);
    writeAll(deep + QStringLiteral(".lock"), deadLock);
    // Held by a running copy (this one), and by a copy on another computer.
    const QString held = m_dir->filePath(QStringLiteral("a/held.json"));
    QLockFile holding(held + QStringLiteral(".lock"));
    QVERIFY(holding.tryLock(0));
    const QString remote = m_dir->filePath(QStringLiteral("a/remote.json"));
    writeAll(remote + QStringLiteral(".lock"),
             QByteArray::number(gonePid) + "\nkasplan\nanother-computer\n");

    removeDeadLock(m_fileName);
    QVERIFY(!QFile::exists(m_fileName + QStringLiteral(".lock")));
    QVERIFY(QFile::exists(deep + QStringLiteral(".lock")));

    removeDeadLocksBelow(m_dir->filePath(QStringLiteral("a")));
    QVERIFY(!QFile::exists(deep + QStringLiteral(".lock")));
    QVERIFY(QFile::exists(held + QStringLiteral(".lock")));
    QVERIFY(QFile::exists(remote + QStringLiteral(".lock")));
    QVERIFY(holding.isLocked());
    // Nothing but the locks was touched.
    QVERIFY(!QFile::exists(m_fileName));
    QVERIFY(!QFile::exists(deep));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
