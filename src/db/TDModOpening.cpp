// Opening the cultivar database: the creation steps of the data module, the
// choice of location (DatabaseOpener) and the views' opening and closing.
#include "TDMod.h"

#include "OldCdataTable.h"

#include "core/AppGlobals.h"
#include "core/IniFile.h"
#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "db/rules/DatabaseErrorReport.h"
#include "engine/EngineError.h"
#include "engine/EngineSession.h"
#include "engine/QueryView.h"
#include "engine/TableView.h"

#include <QDir>

namespace kasplan {

bool TDMod::ReadBool(const QString& name, bool defaultValue)
{
    return TZHRegistry::current().ReadBool(name, defaultValue);
}

int TDMod::ReadInteger(const QString& name, int defaultValue)
{
    return TZHRegistry::current().ReadInteger(name, defaultValue);
}

QString TDMod::ReadString(const QString& name, const QString& defaultValue)
{
    return TZHRegistry::current().ReadString(name, defaultValue);
}

void TDMod::WriteBool(const QString& name, bool value)
{
    TZHRegistry::current().WriteBool(name, value);
}

QString TDMod::StandardAlias() const
{
    return QLatin1String(db::EngineSession::StandardAlias);
}

void TDMod::RecreateUserAlias(const QString& path)
{
    // The alias is the running program's own: it is never kept in the saved
    // configuration from one start to the next.
    db::AliasConfig& aliases = m_session.aliases();
    aliases.remove(DatabaseOpener::UserAlias);
    aliases.save();
    aliases.addLocation(DatabaseOpener::UserAlias, path);
}

void TDMod::OpenViewsAt(const QString& alias)
{
    try {
        CloseTables();
        BindViews(alias);
        m_session.setNetFileDir(m_session.aliasPath(alias));
        OpenTables();
        ResetStockFilters();
        m_InternalEdit = false;
    } catch (...) {
        // Never half open: windows must not work on some views of one
        // database while others are closed or on another.
        CloseAllViews();
        throw;
    }
}

void TDMod::OpenTables()
{
    try {
        for (db::DataSet* view : QList<db::DataSet*>{m_tbCdata, m_tbCsizes, m_tbAllCsizes,
                                                     m_tbCstdOogst, m_tbSizes, m_SizesQuery})
            view->open();
    } catch (...) {
        CloseAllViews();
        throw;
    }
}

void TDMod::CloseAllViews()
{
    for (db::DataSet* view : views()) {
        try {
            if (view->isEditing())
                view->cancel();
        } catch (const std::exception&) {
        }
        try {
            view->close();
        } catch (const std::exception&) {
            // Closing goes on: a view that cannot close cleanly leaves at
            // most a lock that others take over after its lease.
        }
    }
}

void TDMod::OpenDatabase()
{
    DatabaseOpener(*this).OpenDatabase();
}

void TDMod::readPeriodUnits()
{
    m_TussenTunit = TZHRegistry::current().ReadInteger(Setting::TussenTunit);
    m_Kperiodunit = TZHRegistry::current().ReadInteger(Setting::Kperiodunit);
    SetPeriodUnits();
}

void TDMod::DataModuleCreate(bool upgradeRan)
{
    m_VoorraadOnly = false;
    m_PGVoorraadOnly = false;
    m_Copying = false;
    try {
        readPeriodUnits();
        m_OldCdata->setDatabaseName(StandardAlias());
        OpenDatabase();
        if (upgradeRan)
            ImportOldDatabase();
    } catch (const db::EngineError& e) {
        UserPrompts::current().message(UserPrompts::Kind::Error,
                                       DatabaseErrorText(QStringLiteral("Cultivargegevens"),
                                                         TZHRegistry::current().ApplicName(),
                                                         e.text()),
                                       UserPrompts::Ok | UserPrompts::Cancel, UserPrompts::Ok);
        // The next start runs the upgrade again.
        if (IniFile* ini = DBaseIni()) {
            ini->WriteString(QStringLiteral("DBase"), QStringLiteral("Version"), QString());
        } else {
            IniFile(
                QDir(m_session.aliasPath(StandardAlias())).filePath(QStringLiteral("KPDBase.ini")))
                .WriteString(QStringLiteral("DBase"), QStringLiteral("Version"), QString());
        }
    }
    readPeriodUnits();
}

void TDMod::ShowDataOptions()
{
    if (ShowDataOptionsHook)
        ShowDataOptionsHook();
    if (m_tbCdata->isActive())
        m_tbCdata->refresh();
    if (m_tbCsizes->isActive())
        m_tbCsizes->refresh();
    SetPeriodUnits();
}

} // namespace kasplan
