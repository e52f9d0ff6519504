// Installs the build into a temporary folder, as a package would lay it out
// under /usr, and checks what a desktop finds there: the files, their
// validity, and a program that runs from the installed tree alone.

#include <QDate>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

const QString Id = QStringLiteral("nl.zandhof_services.kasplan");
const QList<int> IconSizes = {16, 22, 24, 32, 48, 64, 128, 256, 512};

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
        const QString& workingDir = {}, const QByteArray& input = {})
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    process.start(program, arguments);
    if (!process.waitForStarted(30000))
        return {-1, {}, process.errorString()};
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(240000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, {}, QStringLiteral("did not finish")};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QStringList filesBelow(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(root).relativeFilePath(it.next()));
    files.sort();
    return files;
}

QStringList expectedFiles()
{
    QStringList files = {
        QStringLiteral("usr/bin/kasplan"),
        QStringLiteral("usr/share/applications/kasplan.desktop"),
        QStringLiteral("usr/share/doc/kasplan/README.md"),
        QStringLiteral("usr/share/icons/hicolor/scalable/apps/kasplan.svg"),
        QStringLiteral("usr/share/metainfo/") + Id + QStringLiteral(".metainfo.xml"),
    };
    for (int size : IconSizes)
        files.append(QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/kasplan.png").arg(size));
    files.sort();
    return files;
}

// The keys of the [Desktop Entry] group, localised ones as "Name[nl]".
QMap<QString, QString> desktopEntry(const QString& fileName)
{
    QMap<QString, QString> keys;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    bool inEntry = false;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u'['))
            inEntry = line == QStringLiteral("[Desktop Entry]");
        else if (inEntry && line.contains(u'='))
            keys.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    }
    return keys;
}

// The untranslated texts of the metainfo file that name other files, and the
// attributes of the release.
QMap<QString, QString> metainfo(const QString& fileName)
{
    const QStringList wanted = {QStringLiteral("id"), QStringLiteral("name"),
                                QStringLiteral("launchable"), QStringLiteral("binary")};
    QMap<QString, QString> values;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return values;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        if (name == QStringLiteral("release")) {
            values.insert(QStringLiteral("release.version"),
                          xml.attributes().value(QStringLiteral("version")).toString());
            values.insert(QStringLiteral("release.date"),
                          xml.attributes().value(QStringLiteral("date")).toString());
        } else if (wanted.contains(name) &&
                   !xml.attributes().hasAttribute(QStringLiteral("xml:lang"))) {
            values.insert(name, xml.readElementText());
        }
    }
    if (xml.hasError())
        values.insert(QStringLiteral("error"), xml.errorString());
    return values;
}

// The fenced block of the README that follows the first line matching `after`.
QString readmeBlock(const QString& readme, const QString& after, const QString& fence)
{
    const qsizetype at = readme.indexOf(after);
    if (at < 0)
        return {};
    const qsizetype start = readme.indexOf(QStringLiteral("\n```") + fence + u'\n', at);
    if (start < 0)
        return {};
    const qsizetype body = start + 5 + fence.size();
    const qsizetype end = readme.indexOf(QStringLiteral("\n```"), body - 1);
    return end < 0 ? QString() : readme.mid(body, end - body + 1);
}

// How far two pictures of one size lie apart: the mean difference of their
// colour channels, weighted by opacity, from 0 to 255.
double meanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row), q = y.pixel(column, row);
            sum += std::abs(qRed(p) * qAlpha(p) - qRed(q) * qAlpha(q)) / 255.0 +
                   std::abs(qGreen(p) * qAlpha(p) - qGreen(q) * qAlpha(q)) / 255.0 +
                   std::abs(qBlue(p) * qAlpha(p) - qBlue(q) * qAlpha(q)) / 255.0 +
                   std::abs(qAlpha(p) - qAlpha(q));
        }
    }
    return sum / (4.0 * x.width() * x.height());
}

} // namespace

class TestInstallation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void installsTheFilesOfADesktopProgram();
    void validatorsAcceptTheInstalledTree_data();
    void validatorsAcceptTheInstalledTree();
    void desktopEntryAndMetainfoNameTheInstalledFiles();
    void iconFilesShowTheLogoAtTheirSize_data();
    void iconFilesShowTheLogoAtTheirSize();
    void installedProgramRunsOnItsOwn();
    void packageDeclaresWhatTheProgramLinks();

private:
    QString installed(const QString& relative) const { return m_root.filePath(relative); }

    QTemporaryDir m_root;
};

void TestInstallation::initTestCase()
{
    QVERIFY(m_root.isValid());
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DESTDIR"), m_root.path());
    const Run install = run(QStringLiteral(KASPLAN_CMAKE),
                            {QStringLiteral("--install"), QStringLiteral(KASPLAN_BUILD_DIR),
                             QStringLiteral("--prefix"), QStringLiteral("/usr")},
                            environment);
    QVERIFY2(install.exitCode == 0, qPrintable(install.out + install.err));
}

void TestInstallation::installsTheFilesOfADesktopProgram()
{
    QCOMPARE(filesBelow(m_root.path()), expectedFiles());
    QVERIFY(QFileInfo(installed(QStringLiteral("usr/bin/kasplan"))).isExecutable());
}

void TestInstallation::validatorsAcceptTheInstalledTree_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("desktop entry")
        << QStringLiteral("desktop-file-validate")
        << QStringList{installed(QStringLiteral("usr/share/applications/kasplan.desktop"))};
    QTest::newRow("metainfo") << QStringLiteral("appstreamcli")
                              << QStringList{QStringLiteral("validate"), QStringLiteral("--no-net"),
                                             QStringLiteral("--strict"),
                                             installed(QStringLiteral("usr/share/metainfo/") + Id +
                                                       QStringLiteral(".metainfo.xml"))};
    // The metainfo together with the desktop entry and icon it names.
    QTest::newRow("installed tree")
        << QStringLiteral("appstreamcli")
        << QStringList{QStringLiteral("validate-tree"), QStringLiteral("--no-net"),
                       QStringLiteral("--strict"), m_root.path()};
}

void TestInstallation::validatorsAcceptTheInstalledTree()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    const Run check = run(program, arguments);
    QVERIFY2(check.exitCode == 0, qPrintable(check.out + check.err));
    // desktop-file-validate answers 0 on hints too; they are faults here.
    QVERIFY2(check.out.isEmpty() || program != QStringLiteral("desktop-file-validate"),
             qPrintable(check.out));
}

void TestInstallation::desktopEntryAndMetainfoNameTheInstalledFiles()
{
    const auto entry =
        desktopEntry(installed(QStringLiteral("usr/share/applications/kasplan.desktop")));
    for (const QString& key : {QStringLiteral("Name"), QStringLiteral("Name[nl]"),
                               QStringLiteral("Comment"), QStringLiteral("Comment[nl]")})
        QVERIFY2(!entry.value(key).isEmpty(), qPrintable(key));
    QVERIFY2(QFileInfo(installed(QStringLiteral("usr/bin/") + entry.value(QStringLiteral("Exec"))))
                 .isExecutable(),
             qPrintable(entry.value(QStringLiteral("Exec"))));
    const QString icon = entry.value(QStringLiteral("Icon"));
    QVERIFY(QFileInfo::exists(installed(QStringLiteral("usr/share/icons/hicolor/scalable/apps/") +
                                        icon + QStringLiteral(".svg"))));

    const auto meta = metainfo(
        installed(QStringLiteral("usr/share/metainfo/") + Id + QStringLiteral(".metainfo.xml")));
    QVERIFY2(!meta.contains(QStringLiteral("error")),
             qPrintable(meta.value(QStringLiteral("error"))));
    QCOMPARE(meta.value(QStringLiteral("id")), Id);
    QCOMPARE(meta.value(QStringLiteral("launchable")), QStringLiteral("kasplan.desktop"));
    QCOMPARE(meta.value(QStringLiteral("name")), entry.value(QStringLiteral("Name")));
    QCOMPARE(meta.value(QStringLiteral("binary")), entry.value(QStringLiteral("Exec")));
    const Run version =
        run(installed(QStringLiteral("usr/bin/kasplan")), {QStringLiteral("--version")});
    QCOMPARE(meta.value(QStringLiteral("release.version")), version.out.trimmed());
    QVERIFY2(QDate::fromString(meta.value(QStringLiteral("release.date")), Qt::ISODate).isValid(),
             qPrintable(meta.value(QStringLiteral("release.date"))));
}

void TestInstallation::iconFilesShowTheLogoAtTheirSize_data()
{
    QTest::addColumn<int>("size");
    for (int size : IconSizes)
        QTest::addRow("%dx%d", size, size) << size;
}

// Each PNG is the scalable picture at its size, so the menu shows one logo
// whichever file the desktop picks.
void TestInstallation::iconFilesShowTheLogoAtTheirSize()
{
    QFETCH(int, size);
    const QImage png(
        installed(QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/kasplan.png").arg(size)));
    QCOMPARE(png.size(), QSize(size, size));

    QSvgRenderer svg(
        installed(QStringLiteral("usr/share/icons/hicolor/scalable/apps/kasplan.svg")));
    QVERIFY(svg.isValid());
    QImage drawn(size, size, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    {
        QPainter painter(&drawn);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
    }
    QImage empty(size, size, QImage::Format_ARGB32_Premultiplied);
    empty.fill(Qt::transparent);
    // Something is drawn, and it is the same picture up to the edges that
    // two renderers smooth differently.
    QVERIFY(meanDifference(png, empty) > 40);
    const double apart = meanDifference(png, drawn);
    QVERIFY2(apart < 3, qPrintable(QString::number(apart)));
}

// Run from the installed tree, away from the source and build folders: the
// version, and the schedule example of the README giving the README's answer.
void TestInstallation::installedProgramRunsOnItsOwn()
{
    const QString program = installed(QStringLiteral("usr/bin/kasplan"));
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KASPLAN_HOME"), elsewhere.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("PATH"), installed(QStringLiteral("usr/bin")) + u':' +
                                                   environment.value(QStringLiteral("PATH")));

    const Run version = run(program, {QStringLiteral("--version")}, environment, elsewhere.path());
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QStringLiteral("4.0.1.8\n"));

    QFile readmeFile(installed(QStringLiteral("usr/share/doc/kasplan/README.md")));
    QVERIFY(readmeFile.open(QIODevice::ReadOnly));
    const QString readme = QString::fromUtf8(readmeFile.readAll());
    const QString example =
        readmeBlock(readme, QStringLiteral("harvest-end buttons would:"), QStringLiteral("sh"));
    const QString answer =
        readmeBlock(readme, QStringLiteral("harvest-end buttons would:"), QStringLiteral("json"));
    QVERIFY2(example.contains(QStringLiteral("kasplan schedule")), qPrintable(example));
    QVERIFY(answer.startsWith(u'{'));

    const Run schedule = run(QStringLiteral("bash"),
                             {QStringLiteral("-c"), QStringLiteral("set -o pipefail\n") + example},
                             environment, elsewhere.path());
    QVERIFY2(schedule.exitCode == 0, qPrintable(schedule.err));
    QCOMPARE(schedule.out, answer);
    const Run found =
        run(QStringLiteral("bash"), {QStringLiteral("-c"), QStringLiteral("command -v kasplan")},
            environment);
    QCOMPARE(found.out.trimmed(), program);
    // It wrote nothing where it was started.
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{});
}

// The Debian package of this build: the installed files, and a dependency
// for every library the program links.
void TestInstallation::packageDeclaresWhatTheProgramLinks()
{
    QTemporaryDir out;
    QVERIFY(out.isValid());
    const Run pack = run(QStringLiteral(KASPLAN_CPACK),
                         {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                          QStringLiteral(KASPLAN_BUILD_DIR "/CPackConfig.cmake"),
                          QStringLiteral("-B"), out.path()});
    QVERIFY2(pack.exitCode == 0, qPrintable(pack.out + pack.err));
    const QString deb = out.filePath(QStringLiteral("kasplan_4.0.1.8_amd64.deb"));
    QVERIFY2(QFileInfo::exists(deb), qPrintable(pack.out));

    const Run contents = run(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), deb});
    QCOMPARE(contents.exitCode, 0);
    QStringList packed;
    for (const QString& line : contents.out.split(u'\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith(u'd'))
            packed.append(line.section(u' ', -1).mid(2)); // "./usr/bin/kasplan"
    }
    packed.sort();
    QCOMPARE(packed, expectedFiles());

    const Run depends = run(QStringLiteral("dpkg-deb"),
                            {QStringLiteral("--field"), deb, QStringLiteral("Depends")});
    QCOMPARE(depends.exitCode, 0);
    QStringList declared;
    for (const QString& item : depends.out.split(u',', Qt::SkipEmptyParts))
        declared.append(item.trimmed().section(u' ', 0, 0));
    for (const QString& package :
         {QStringLiteral("libqt6widgets6"), QStringLiteral("libqt6printsupport6"),
          QStringLiteral("libsqlite3-0"), QStringLiteral("qt6-qpa-plugins")})
        QVERIFY2(declared.contains(package),
                 qPrintable(package + QStringLiteral(" in ") + depends.out));

    // Every library the program links (not those they link in turn, which
    // their own packages declare) belongs to a declared package.
    const QString program = installed(QStringLiteral("usr/bin/kasplan"));
    const Run ldd = run(QStringLiteral("ldd"), {program});
    const Run dynamic = run(QStringLiteral("readelf"), {QStringLiteral("--dynamic"), program});
    QCOMPARE(ldd.exitCode, 0);
    QCOMPARE(dynamic.exitCode, 0);
    static const QRegularExpression needed(QStringLiteral("\\(NEEDED\\).*\\[(\\S+)\\]"));
    int linked = 0;
    for (auto it = needed.globalMatch(dynamic.out); it.hasNext(); ++linked) {
        const QString name = it.next().captured(1);
        const QRegularExpression where(QRegularExpression::escape(name) +
                                       QStringLiteral(" => (/\\S+)"));
        const QString library = QFileInfo(where.match(ldd.out).captured(1)).canonicalFilePath();
        QVERIFY2(!library.isEmpty(), qPrintable(name + QStringLiteral(" not found")));
        Run owner = run(QStringLiteral("dpkg"), {QStringLiteral("-S"), library});
        if (owner.exitCode != 0) {
            // Merged /usr: dpkg may know the file by its other name.
            const QString other = library.startsWith(QStringLiteral("/usr/"))
                                      ? library.mid(4)
                                      : QStringLiteral("/usr") + library;
            owner = run(QStringLiteral("dpkg"), {QStringLiteral("-S"), other});
        }
        const QString package = owner.out.section(QLatin1Char(':'), 0, 0);
        QVERIFY2(!package.isEmpty(), qPrintable(library));
        QVERIFY2(declared.contains(package), qPrintable(library + QStringLiteral(" of ") + package +
                                                        QStringLiteral(" not in ") + depends.out));
    }
    QVERIFY(linked > 0);
}

QTEST_MAIN(TestInstallation)
#include "tst_installation.moc"
