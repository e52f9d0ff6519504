#include "OldTablesOffer.h"

#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "db/ParadoxImport.h"
#include "db/StandardDatabase.h"
#include "db/engine/EngineError.h"
#include "db/engine/EngineSession.h"
#include "db/engine/SqliteDatabase.h"
#include "db/paradox/FormatError.h"
#include "widgets/TProgressBox.h"
#include "widgets/WindowPlacement.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

namespace kasplan {

namespace {

constexpr int ListedRecords = 15;

QString question()
{
    return QStringLiteral(
        "In de databasemap staan de cultivartabellen van een oudere versie (Cdata.DB).\r\n"
        "Wilt u deze gegevens overnemen in de nieuwe database?\r\n"
        "De oude bestanden blijven ongewijzigd.");
}

QString leftOutList(const ParadoxImportResult& result)
{
    QStringList lines;
    for (const ParadoxLeftOut& r : result.leftOut) {
        if (lines.size() == ListedRecords) {
            lines.append(
                QStringLiteral("... en %1 andere").arg(result.leftOut.size() - ListedRecords));
            break;
        }
        lines.append(
            QStringLiteral("%1 record %2 (%3): %4").arg(r.file).arg(r.record).arg(r.key, r.reason));
    }
    return lines.join(QStringLiteral("\r\n"));
}

QString summary(const ParadoxImportResult& result)
{
    QStringList lines;
    for (const ParadoxTableSummary& t : result.tables)
        lines.append(QStringLiteral("%1: %2 toegevoegd, %3 bijgewerkt, %4 weggelaten")
                         .arg(t.file)
                         .arg(t.added)
                         .arg(t.updated)
                         .arg(t.leftOut));
    return lines.join(QStringLiteral("\r\n"));
}

// The progress box of the import, hourglass included, for as long as it runs.
class ImportProgress
{
public:
    ImportProgress()
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_box.setWindowTitle(QLatin1String(OldTablesOffer::Caption));
        m_box.CancelBtn->hide();
        m_box.ProgressBar->setValue(0);
        centreOnScreen(m_box);
        m_box.show();
        // The box must be on the screen before the work starts: the work
        // handles no events, and the bar only repaints itself once shown.
        const QDeadlineTimer deadline(1000);
        do {
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        } while (!(m_box.windowHandle() && m_box.windowHandle()->isExposed()) &&
                 !deadline.hasExpired());
    }
    ~ImportProgress()
    {
        m_box.hide();
        QApplication::restoreOverrideCursor();
    }
    ImportProgress(const ImportProgress&) = delete;
    ImportProgress& operator=(const ImportProgress&) = delete;

    void Set(double percent) { m_box.SetProgress(percent); }

private:
    TProgressBox m_box;
};

// Takes the old tables into database; asks before leaving bad records out.
void TakeOver(db::Database& database, const QString& folder)
{
    UserPrompts& prompts = UserPrompts::current();
    ParadoxImportOptions options;
    try {
        ParadoxImportResult result;
        {
            ImportProgress progress;
            options.progress = [&](double percent) { progress.Set(percent); };
            result = ParadoxImport::run(database, folder, options);
        }
        if (result.refused) {
            const bool rest = prompts.confirmYesNo(
                QStringLiteral("Deze records breken een regel van de huidige tabellen:\r\n%1\r\n"
                               "Wilt u de overige gegevens zonder deze records overnemen?")
                    .arg(leftOutList(result)));
            if (!rest)
                return;
            ImportProgress progress;
            options.skipBad = true;
            options.progress = [&](double percent) { progress.Set(percent); };
            result = ParadoxImport::run(database, folder, options);
        }
        prompts.showInformation(QStringLiteral("De oude cultivartabellen zijn overgenomen.\r\n%1")
                                    .arg(summary(result)));
    } catch (const paradox::FormatError& e) {
        prompts.showError(QStringLiteral("De oude cultivartabellen konden niet overgenomen worden:"
                                         "\r\n%1\r\nEr is niets overgenomen.")
                              .arg(e.text()));
    } catch (const db::EngineError& e) {
        prompts.showError(QStringLiteral("De oude cultivartabellen konden niet overgenomen worden:"
                                         "\r\n%1\r\nEr is niets overgenomen.")
                              .arg(e.text()));
    }
}

} // namespace

OldTablesOffer::OldTablesOffer(db::EngineSession& session, TZHRegistry& registry)
    : m_session(session), m_registry(registry)
{
}

void OldTablesOffer::Run()
{
    const QString folder = m_session.ensureStandardAlias();
    if (!ParadoxImport::folderHoldsOldTables(folder))
        return;
    const bool hasDatabase =
        QFileInfo::exists(QDir(folder).filePath(QLatin1String(db::SqliteDatabase::FileName)));
    const bool askedFor = m_registry.ReadBool(Setting::OfferOldTables);
    if (hasDatabase && !askedFor)
        return;
    if (askedFor)
        m_registry.DeleteValue(QLatin1String(Setting::OfferOldTables.name));
    if (!UserPrompts::current().confirmYesNo(question()))
        return;
    if (hasDatabase) {
        TakeOver(m_session.databaseAt(folder), folder);
        return;
    }
    // The new database is put in place only once the tables are in it. Should
    // another copy have made one meanwhile, the tables go into that one.
    const bool created = StandardDatabase::ensureCreated(
        folder, [&](db::Database& database) { TakeOver(database, folder); });
    if (!created)
        TakeOver(m_session.databaseAt(folder), folder);
}

} // namespace kasplan
