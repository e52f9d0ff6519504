#include "TKPglobalDmod.h"

#include "core/AppGlobals.h"
#include "core/IniFile.h"
#include "core/Locations.h"
#include "core/LockedFileUpdate.h"
#include "core/TZHRegistry.h"
#include "db/CultivarSchema.h"
#include "db/engine/EngineSession.h"
#include "db/engine/EngineTable.h"
#include "db/engine/SqliteConnection.h"
#include "db/engine/SqliteDatabase.h"
#include "db/engine/SqliteSchema.h"
#include "db/engine/TRestructure.h"
#include "db/engine/TableUtilities.h"
#include "db/paradox/Folder.h"
#include "db/paradox/FormatError.h"
#include "db/paradox/Table.h"
#include "settings/TKPInstAlgForm.h"
#include "widgets/TProgressBox.h"
#include "widgets/WindowPlacement.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

namespace kasplan {

namespace {

const QString dbaseSection = QStringLiteral("DBase");
const QString versionKey = QStringLiteral("Version");
const QString cdata = QStringLiteral("Cdata.DB");
const QString csizes = QStringLiteral("Csizes.DB");
const QString sizes = QStringLiteral("Sizes.DB");
const QString oldTable = QStringLiteral("Kbroei14.DB");

// Runs its action when the scope ends, also when an error leaves it.
template <class Action> class ScopeExit
{
public:
    explicit ScopeExit(Action action) : m_action(std::move(action)) {}
    ~ScopeExit() { m_action(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Action m_action;
};

// The hourglass and the progress window for one upgrade step; both go away
// when the step ends, also on an error.
class UpgradeProgress
{
public:
    UpgradeProgress(TProgressBox& box, const QString& caption) : m_box(box)
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_box.setWindowTitle(caption);
        m_box.ProgressBar->setValue(0);
        m_box.show();
        // The work handles no events: the window must be on the screen, and
        // painted, before it starts, or it shows nothing until the end.
        const QDeadlineTimer deadline(1000);
        do {
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        } while (!(m_box.windowHandle() && m_box.windowHandle()->isExposed()) &&
                 !deadline.hasExpired());
    }
    // Paints the bar where it stands now.
    void Show() { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20); }
    ~UpgradeProgress()
    {
        m_box.hide();
        QApplication::restoreOverrideCursor();
    }
    UpgradeProgress(const UpgradeProgress&) = delete;
    UpgradeProgress& operator=(const UpgradeProgress&) = delete;

private:
    TProgressBox& m_box;
};

} // namespace

TKPglobalDmod::TKPglobalDmod(TZHRegistry& registry, TKPglobalDmodHooks hooks)
    : m_registry(registry), m_hooks(std::move(hooks))
{
    if (!m_hooks.AliasPath)
        m_hooks.AliasPath = [](const QString&) { return Locations::standardDatabaseDir(); };
}

TKPglobalDmod::~TKPglobalDmod()
{
    DataModuleDestroy();
}

QString TKPglobalDmod::AddColumnSQL(const QString& table, const QString& field,
                                    const QString& sqlType)
{
    QString sql = db::AddColumnStatement(table, field, sqlType);
    // A column added to one of today's tables refuses negative values as it
    // would had the table been made with it.
    const db::TableDef* today = CultivarSchema::schema().table(db::EngineTable::storedName(table));
    if (today && today->nonNegative.contains(field, Qt::CaseInsensitive))
        sql += QStringLiteral(" CONSTRAINT %1 CHECK (%2 >= 0)")
                   .arg(db::SqliteSchema::quoted(QStringLiteral("min_") + field),
                        db::SqliteSchema::quoted(field));
    return sql;
}

QString TKPglobalDmod::DropColumnSQL(const QString& table, const QString& field)
{
    return db::DropColumnStatement(table, field);
}

db::EngineTable& TKPglobalDmod::UpdateTable(const QString& table)
{
    m_UpdateTable->close();
    m_UpdateTable->setTableName(table);
    return *m_UpdateTable;
}

bool TKPglobalDmod::AddColumn(const QString& table, const QString& field, const QString& sqlType)
{
    const QString sql = AddColumnSQL(table, field, sqlType);
    m_statements.append(sql);
    try {
        m_UpdateTable->folderDatabase().alterTable(sql);
        return true;
    } catch (const db::EngineError&) {
        return false;
    }
}

void TKPglobalDmod::DropColumn(const QString& table, const QString& field)
{
    const QString sql = DropColumnSQL(table, field);
    m_statements.append(sql);
    m_UpdateTable->folderDatabase().alterTable(sql);
}

bool TKPglobalDmod::HasColumn(const QString& table, const QString& field)
{
    db::EngineTable& t = UpdateTable(table);
    bool present = false;
    try {
        t.open();
        present = t.def().field(field) != nullptr;
    } catch (...) {
        t.close();
        throw;
    }
    t.close();
    return present;
}

bool TKPglobalDmod::AddColumnIfMissing(const QString& table, const QString& field,
                                       const QString& sqlType)
{
    if (HasColumn(table, field))
        return false;
    AddColumn(table, field, sqlType);
    return true;
}

void TKPglobalDmod::DropColumnIfPresent(const QString& table, const QString& field)
{
    if (HasColumn(table, field))
        DropColumn(table, field);
}

bool TKPglobalDmod::AddAlphaFieldIfMissing(const QString& table, const QString& field, int length)
{
    return AddAlphaFieldsIfMissing(table, {field}, length);
}

bool TKPglobalDmod::AddAlphaFieldsIfMissing(const QString& table, const QStringList& fields,
                                            int length)
{
    m_Restructor->SetTableName(table);
    bool missing = false;
    for (const QString& field : fields) {
        if (m_Restructor->FieldIndex(field) > 0)
            continue;
        m_Restructor->Field = {field, db::TdBasePxFieldType::pxAlpha, length, 0};
        m_Restructor->AddFieldDesc();
        missing = true;
    }
    if (missing)
        m_Restructor->DoRestructure();
    return missing;
}

void TKPglobalDmod::KPglobalDmodCreate()
{
    const ScopeExit applyUserSetsLoc([this] { TKPInstAlgForm::ApplyUserSetsLoc(m_registry); });

    m_registry.SetAppRootKey(TRegistryHive::rhLocalMachine);
    m_importPending = false;

    m_progressBox = std::make_unique<TProgressBox>();
    m_progressBox->CancelBtn->hide();
    centreOnScreen(*m_progressBox);

    m_hooks.SetPrivateDir(AppPrivDir());
    QDir().mkpath(AppPrivDir());

    const QString alias = QLatin1String(StdAlias);
    const QString databaseDir = m_hooks.AliasPath(alias);
    m_databaseDir = databaseDir;
    // On a fresh computer the standard database folder does not exist yet;
    // the standard database and its version file are made in it.
    if (QDir::cleanPath(databaseDir) == QDir::cleanPath(Locations::standardDatabaseDir()))
        QDir().mkpath(databaseDir);
    const QString dbaseIniFile = QDir(databaseDir).filePath(QLatin1String(DBaseIniName));
    removeDeadLock(dbaseIniFile);
    m_dbaseIni = std::make_unique<IniFile>(dbaseIniFile);
    AppGlobals::SetDBaseIni(m_dbaseIni.get());

    m_hooks.OpenDatabase(alias);
    m_hooks.SetNetFileDir(databaseDir);

    if (UpgradeDue())
        UpgradeLocalTables();
    if (UpgradeDue())
        UpgradeDatabaseTables();
}

void TKPglobalDmod::DataModuleDestroy()
{
    m_progressBox.reset();
    if (DBaseIni() == m_dbaseIni.get())
        AppGlobals::SetDBaseIni(nullptr);
    m_dbaseIni.reset();
}

bool TKPglobalDmod::UpgradeDue() const
{
    if (!m_dbaseIni)
        return false;
    return m_registry.ValueExists(QLatin1String(Setting::UpdateDBase)) ||
           m_dbaseIni->ReadString(dbaseSection, versionKey, QString()) != AppFileVersion();
}

void TKPglobalDmod::UpgradeLocalTables()
{
    // No local table changes in this version: the step only shows itself.
    const UpgradeProgress progress(*m_progressBox, QStringLiteral("Updaten local tables...."));
    if (db::EngineSession* session = m_hooks.Session()) {
        m_UpdateTable = std::make_unique<db::EngineTable>(*session);
        m_UpdateTable->setExclusive(true);
        m_UpdateTable->setDatabaseName(QLatin1String(StdAlias));
        m_Restructor = std::make_unique<db::TRestructure>(*session);
        m_Restructor->PackTable = true;
        m_Restructor->SetDatabaseName(QLatin1String(StdAlias));
    }
}

void TKPglobalDmod::UpgradeDatabaseTables()
{
    UpgradeProgress progress(*m_progressBox, QStringLiteral("Updaten database tables...."));
    m_progressBox->SetProgress(10);
    db::EngineSession* session = m_hooks.Session();
    if (session) {
        m_UpdateTable = std::make_unique<db::EngineTable>(*session);
        m_UpdateTable->setExclusive(true);
        m_UpdateTable->setDatabaseName(QLatin1String(StdAlias));
        m_UpdateTable2 = std::make_unique<db::EngineTable>(*session);
        m_UpdateTable2->setExclusive(true);
        m_UpdateTable2->setDatabaseName(QLatin1String(StdAlias));
        m_Restructor = std::make_unique<db::TRestructure>(*session);
        m_Restructor->PackTable = true;
        m_Restructor->SetDatabaseName(QLatin1String(StdAlias));
    }
    m_progressBox->SetProgress(70);
    m_progressBox->SetProgress(80);
    m_importPending = true;
    m_progressBox->SetProgress(90);
    progress.Show();

    PrepareOldTable();
    if (session) {
        UpgradeCdata();
        UpgradeCsizes();
        // A size list without its key gets it on the size.
        db::AddPrimaryIndex(UpdateTable(sizes), 1, db::TDescOp::Add);
        m_UpdateTable->close();
        m_UpdateTable2->close();
    }

    m_dbaseIni->WriteString(dbaseSection, versionKey, AppFileVersion());
    // The root is still machine-wide here.
    m_registry.DeleteValue(QLatin1String(Setting::DBaseVersion));
    m_registry.DeleteValue(QLatin1String(Setting::UpdateDBase));
}

void TKPglobalDmod::PrepareOldTable()
{
    // The table lies beside the database as the old version left it. Reading
    // it, the text comes in the code page its header names (Western-European
    // Windows for the tables of that version), and its secondary indexes are
    // not used; fields it lacks are not copied by the import, so it needs no
    // columns added. What is left is to find it readable.
    try {
        const QString path = paradox::findInFolder(m_databaseDir, oldTable);
        if (!path.isEmpty())
            paradox::Table table(path);
    } catch (const paradox::FormatError&) {
        // The import finds the same fault and ends silently.
    }
}

void TKPglobalDmod::UpgradeCdata()
{
    DropColumnIfPresent(cdata, QStringLiteral("CurrencyUnit"));
    // Adding the column, its default and the 0 in every record is one change:
    // cut off half way, a next start would find the column and leave the
    // records empty.
    UpdateTable(cdata).folderDatabase().changeLayout([this] {
        if (!AddColumnIfMissing(cdata, QStringLiteral("StdOogstType"), QStringLiteral("INTEGER")))
            return;
        db::SetValidityCheck(UpdateTable(cdata), QStringLiteral("StdOogstType"), false, 0, {}, {},
                             true, false, false);
        db::SqliteDatabase& database = UpdateTable(cdata).folderDatabase();
        database.connection().exec(QStringLiteral("UPDATE \"Cdata\" SET \"StdOogstType\" = 0"));
    });
    AddAlphaFieldsIfMissing(cdata,
                            {QStringLiteral("SK1"), QStringLiteral("SK2"), QStringLiteral("SK3"),
                             QStringLiteral("SK4")},
                            3);
}

void TKPglobalDmod::UpgradeCsizes()
{
    const QString oldName = QStringLiteral("Qtypermeter");
    const QString newName = QStringLiteral("Qtypermetermin");
    db::EngineTable& table = UpdateTable(csizes);
    table.open();
    const bool hasOld = table.def().field(oldName) != nullptr;
    const bool hasNew = table.def().field(newName) != nullptr;
    table.close();
    bool renamed = false;
    if (hasOld && hasNew)
        DropColumn(csizes, oldName);
    else if (hasOld)
        renamed = db::RenameOrDropField(table, oldName, newName);
    if (!renamed)
        AddColumnIfMissing(csizes, newName, QStringLiteral("FLOAT"));
    AddColumnIfMissing(csizes, QStringLiteral("Qtypermetermax"), QStringLiteral("FLOAT"));
    AddAlphaFieldsIfMissing(csizes,
                            {QStringLiteral("Locatie_broei"), QStringLiteral("Locatie_pltgd")}, 20);
}

} // namespace kasplan
