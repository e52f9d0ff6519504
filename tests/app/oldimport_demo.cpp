// Shows the import of the previous version's cultivar table as a grower sees
// it after an upgrade: the question, then the progress window while the
// records are copied. Not a test: run it on a display (or under xvfb-run);
// with a name it saves pictures of the screen, NAME-question.png (then
// answers "Ja") and NAME-progress.png (half way through the import).
//
//   oldimport_demo [RECORDS] [NAME]        (default 3000 records)
//
// It works in a temporary folder, on a new standard database.

#include "app/QtTranslations.h"
#include "db/StandardDatabase.h"
#include "db/TDMod.h"
#include "db/engine/EngineSession.h"
#include "support/ParadoxWriter.h"
#include "widgets/MessageBoxPrompts.h"
#include "widgets/ProgressBoxDisplay.h"
#include "widgets/TProgressBox.h"
#include "widgets/WindowPlacement.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

using namespace kasplan;

namespace {

void saveScreen(const QString& file)
{
    QGuiApplication::primaryScreen()->grabWindow(0).save(file);
}

// The program's progress box, with a picture of the screen taken once the
// import is half way.
class PictureAtHalfWay : public ProgressDisplay
{
public:
    PictureAtHalfWay(ProgressDisplay& shown, QString file) : m_shown(shown), m_file(std::move(file))
    {
    }
    void Show(const QString& caption) override { m_shown.Show(caption); }
    void SetPosition(int percent) override
    {
        m_shown.SetPosition(percent);
        if (percent >= 50 && !m_taken && !m_file.isEmpty()) {
            m_taken = true;
            saveScreen(m_file);
        }
    }
    void Hide() override { m_shown.Hide(); }

private:
    ProgressDisplay& m_shown;
    QString m_file;
    bool m_taken = false;
};

void writeOldTable(const QString& file, int records)
{
    using paradox::FieldType;
    test::ParadoxTableSpec spec;
    spec.version = 5;
    spec.keyFieldCount = 3;
    spec.fields = {{QStringLiteral("Cultivar"), FieldType::Alpha, 50},
                   {QStringLiteral("Source"), FieldType::Alpha, 30},
                   {QStringLiteral("Size"), FieldType::Alpha, 10},
                   {QStringLiteral("Kleur"), FieldType::Alpha, 20},
                   {QStringLiteral("Aantal"), FieldType::Long, 0}};
    test::ParadoxWriter writer(spec);
    const char* const sizes[] = {"10/11", "11/12", "12/+"};
    for (int n = 0; n < records; ++n)
        writer.append({QStringLiteral("Oude cultivar %1").arg(n / 3, 5, 10, QLatin1Char('0')),
                       QStringLiteral("NL"), QLatin1String(sizes[n % 3]), QStringLiteral("rood"),
                       n * 10});
    writer.save(file);
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir home;
    qputenv("KASPLAN_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    InstallQtTranslations(app);
    const QStringList args = app.arguments().mid(1);
    const int records = args.value(0, QStringLiteral("3000")).toInt();
    const QString name = args.value(1);

    UserPrompts::install(std::make_unique<MessageBoxPrompts>());
    db::EngineSession session;
    StandardDatabase::prepare(session);
    writeOldTable(
        QDir(session.aliasPath(QStringLiteral("BROEI"))).filePath(QStringLiteral("Kbroei14.DB")),
        records);

    if (!name.isEmpty()) {
        auto* timer = new QTimer(&app);
        QObject::connect(timer, &QTimer::timeout, &app, [timer, name] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            timer->stop();
            QTimer::singleShot(300, box, [box, name] {
                saveScreen(name + QStringLiteral("-question.png"));
                box->button(QMessageBox::Yes)->click();
            });
        });
        timer->start(20);
    }

    TProgressBox box;
    centreOnScreen(box);
    ProgressBoxDisplay shown(box);
    PictureAtHalfWay progress(shown,
                              name.isEmpty() ? QString() : name + QStringLiteral("-progress.png"));
    TDMod dmod(session);
    dmod.setProgressDisplay(&progress);
    dmod.DataModuleCreate(true);
    dmod.setProgressDisplay(nullptr);
    dmod.CloseAllViews();
    session.closeDatabases();
    UserPrompts::install(nullptr);
    return 0;
}
