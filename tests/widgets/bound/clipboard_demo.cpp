// Not a test: the clipboard export of a cultivar list, to look at.
//
//   clipboard_demo [--marked] PICTURE.png
//
// Shows a grid of 20,000 cultivars and copies it to the clipboard; halfway
// through, the screen (the grid with the progress box on top) is saved as
// PICTURE.png. With --marked three rows are marked first, and the question
// that asks what to copy is saved as well, as PICTURE-question.png, before
// it is answered with Yes.

#include "db/ExportColumns.h"
#include "db/TDMod.h"
#include "widgets/MessageBoxPrompts.h"
#include "widgets/TProgressBox.h"
#include "widgets/bound/GridClipboardExport.h"
#include "widgets/bound/TDBGrid.h"

#include "support/TestDatabase.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdio>

using namespace kasplan;

namespace {

void saveScreen(const QString& file)
{
    QGuiApplication::primaryScreen()->grabWindow(0).save(file);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStringList arguments = QApplication::arguments().mid(1);
    const bool marked = arguments.removeAll(QStringLiteral("--marked")) > 0;
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: clipboard_demo [--marked] PICTURE.png\n");
        return 2;
    }
    const QString picture = arguments.first();

    test::TestDatabase database;
    database.addSampleRecords();
    db::Database& db = database.database();
    db.beginBatch();
    for (int n = 0; n < 20000; ++n)
        database.add(QStringLiteral("Cdata"),
                     {{"Cultivar", QStringLiteral("Cultivar %1").arg(n, 5, 10, QLatin1Char('0'))},
                      {"Source", "NL"},
                      {"Hoofdgroep", 1 + n % 10},
                      {"ProductType", 1},
                      {"BolArtikelcode", QStringLiteral("B%1").arg(n)}});
    db.commitBatch();
    TDMod dmod(database.session());
    dmod.BindViews(QLatin1String(test::TestDatabase::Alias));
    dmod.OpenTables();

    QList<DataSetTableModel::Column> columns;
    for (const db::TextColumn& c : ExportColumns::CultivarList())
        columns.append({c.field, c.title, 95});
    TDBGrid grid(dmod.dsCdata(), columns);
    grid.setWindowTitle(QStringLiteral("Cultivar Gegevens"));
    grid.setMultiSelect(marked);
    grid.resize(760, 420);
    grid.move(40, 40);
    grid.show();
    if (!QTest::qWaitForWindowExposed(&grid))
        return 1;
    if (marked) {
        for (const auto& [row, modifiers] :
             {std::pair{1, Qt::NoModifier}, std::pair{3, Qt::ControlModifier},
              std::pair{4, Qt::ControlModifier}})
            QTest::mouseClick(grid.viewport(), Qt::LeftButton, modifiers,
                              grid.visualRect(grid.model()->index(row, 0)).center());
    }

    UserPrompts::install(std::make_unique<MessageBoxPrompts>());
    bool questionSaved = false;
    bool boxSaved = false;
    QTimer watch;
    // A zero timer runs at every update of the progress box.
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w);
                box && box->isVisible() && !questionSaved) {
                questionSaved = true;
                QTest::qWait(200);
                saveScreen(QString(picture).replace(QStringLiteral(".png"),
                                                    QStringLiteral("-question.png")));
                box->button(QMessageBox::Yes)->click();
            }
            if (auto* box = qobject_cast<TProgressBox*>(w);
                box && box->isVisible() && !boxSaved && box->ProgressBar->value() >= 40) {
                boxSaved = true;
                box->repaint();
                grid.repaint();
                saveScreen(picture);
            }
        }
    });
    watch.start();
    GridClipboardExport(grid).Run();
    std::printf("%lld characters on the clipboard, the list on row %d\n",
                static_cast<long long>(QGuiApplication::clipboard()->text().size()),
                dmod.tbCdata()->currentIndex());
    UserPrompts::install(nullptr);
    dmod.CloseAllViews();
    return boxSaved || questionSaved ? 0 : 1;
}
