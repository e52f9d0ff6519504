#include "core/Locations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace kasplan;

namespace {

struct Folders
{
    QString machineSettings;
    QString program;
};

Folders folders()
{
    return {Locations::machineSettingsDir(), Locations::programDir()};
}

} // namespace

class TestLocations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandsFindTheFoldersOfTheWindowedProgram();
};

// The commands run before the application object exists, from whatever
// folder the user is in; they must read the machine-wide settings and use
// the program folders the window uses, not ones in the working folder.
void TestLocations::commandsFindTheFoldersOfTheWindowedProgram()
{
    QVERIFY(!QCoreApplication::instance());
    QTemporaryDir elsewhere;
    QTemporaryDir home;
    QVERIFY(elsewhere.isValid() && home.isValid());
    qunsetenv("KASPLAN_HOME");
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    const QString started = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));

    const Folders beforeApplication = folders();
    int argc = 1;
    char name[] = "tst_locations";
    char* argv[] = {name, nullptr};
    Folders withApplication;
    {
        QCoreApplication app(argc, argv);
        withApplication = folders();
    }
    QVERIFY(QDir::setCurrent(started));

    QCOMPARE(beforeApplication.machineSettings, withApplication.machineSettings);
    QCOMPARE(beforeApplication.program, withApplication.program);
    QVERIFY2(!beforeApplication.machineSettings.startsWith(elsewhere.path()),
             qPrintable(beforeApplication.machineSettings));
    QVERIFY2(!beforeApplication.program.startsWith(elsewhere.path()),
             qPrintable(beforeApplication.program));
}

QTEST_APPLESS_MAIN(TestLocations)
#include "tst_locations.moc"
