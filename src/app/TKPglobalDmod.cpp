#include "TKPglobalDmod.h"

#include "core/AppGlobals.h"
#include "core/IniFile.h"
#include "core/Locations.h"
#include "core/LockedFileUpdate.h"
#include "core/TZHRegistry.h"
#include "settings/TKPInstAlgForm.h"
#include "widgets/TProgressBox.h"
#include "widgets/WindowPlacement.h"

#include <QApplication>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>

namespace kasplan {

namespace {

const QString dbaseSection = QStringLiteral("DBase");
const QString versionKey = QStringLiteral("Version");

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
    }
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
}

void TKPglobalDmod::UpgradeDatabaseTables()
{
    const UpgradeProgress progress(*m_progressBox, QStringLiteral("Updaten database tables...."));
    m_progressBox->SetProgress(10);
    m_progressBox->SetProgress(70);
    m_progressBox->SetProgress(80);
    m_importPending = true;
    m_progressBox->SetProgress(90);

    m_dbaseIni->WriteString(dbaseSection, versionKey, AppFileVersion());
    // The root is still machine-wide here.
    m_registry.DeleteValue(QLatin1String(Setting::DBaseVersion));
    m_registry.DeleteValue(QLatin1String(Setting::UpdateDBase));
}

} // namespace kasplan
