#include "MainProgram.h"

#include "DModSizeRecord.h"
#include "OldTablesOffer.h"

#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "cultivars/TCSelectDlg.h"
#include "cultivars/TCdataForm.h"
#include "cultivars/TNewCultivarForm.h"
#include "cultivars/TSizeSelDlg.h"
#include "db/StandardDatabase.h"
#include "db/TDMod.h"
#include "db/engine/EngineSession.h"
#include "reports/preview/TFormPreview.h"
#include "schedule/mainwindow/MainFormArt.h"
#include "schedule/mainwindow/TKMmainform.h"
#include "settings/TBroeiDataOptDlg.h"
#include "settings/TKPInstAlgForm.h"
#include "widgets/ProgressBoxDisplay.h"
#include "widgets/TRadioGroup.h"

#include <QApplication>
#include <QGroupBox>
#include <QScopeGuard>

#include <exception>

namespace kasplan {

MainProgram::MainProgram() = default;

MainProgram::~MainProgram()
{
    // The last created first. The data module forgets the cultivar data
    // window before it goes.
    m_broeiDataOptDlg.reset();
    m_instAlgForm.reset();
    if (m_dmod) {
        m_dmod->CultivarWindowExistsHook = nullptr;
        m_dmod->CultivarWindowVisibleHook = nullptr;
        m_dmod->HoofdgroepChoiceHook = nullptr;
    }
    m_cdataForm.reset();
    m_formPreview.reset();
    m_cselectDlg.reset();
    m_sizeRecord.reset();
    m_dmod.reset();
    m_globalDmod.reset();
    if (m_storeInstalled)
        TZHRegistry::install(nullptr);
    m_mainForm.reset();
    if (m_session)
        m_session->closeDatabases();
}

template <class Step> void MainProgram::CreationStep(Step step)
{
    try {
        step();
    } catch (const std::exception& error) {
        UserPrompts::current().showError(QString::fromUtf8(error.what()));
    }
}

TKPglobalDmodHooks MainProgram::EngineHooks()
{
    TKPglobalDmodHooks hooks;
    hooks.SetPrivateDir = [this](const QString& dir) { m_session->setPrivateDir(dir); };
    // The standard database is made on the first start, where it is missing;
    // old cultivar tables in its folder are offered for taking over first.
    hooks.AliasPath = [this](const QString& alias) {
        if (alias != QLatin1String(TKPglobalDmod::StdAlias))
            return m_session->aliasPath(alias);
        OldTablesOffer(*m_session, TZHRegistry::current()).Run();
        return StandardDatabase::prepare(*m_session);
    };
    hooks.OpenDatabase = [this](const QString& alias) { m_session->database(alias); };
    hooks.SetNetFileDir = [this](const QString& dir) { m_session->setNetFileDir(dir); };
    hooks.Session = [this] { return m_session.get(); };
    return hooks;
}

void MainProgram::Create()
{
    QApplication::setApplicationName(QLatin1String(ApplicationTitle));
    // The desktop shows the windows under the installed menu entry, whose
    // icon is this same logo.
    QGuiApplication::setDesktopFileName(QStringLiteral("kasplan"));
    QApplication::setWindowIcon(KasplanIcon());
    m_session = std::make_unique<db::EngineSession>();
    // Other copies must know this one has the database open before they
    // change its layout.
    m_session->setAnnounceUse(true);

    CreationStep([this] { m_mainForm = std::make_unique<TKMmainform>(); });
    CreationStep([this] {
        auto store = std::make_unique<TZHRegistry>();
        TZHRegistry& created = *store;
        TZHRegistry::install(std::move(store));
        m_storeInstalled = true;
        created.Initialise();
    });
    CreationStep([this] {
        m_globalDmod = std::make_unique<TKPglobalDmod>(TZHRegistry::current(), EngineHooks());
        m_globalDmod->KPglobalDmodCreate();
    });
    // The selection dialog browses the data module's views, so they exist
    // from here on; the database is opened in the data module's own step.
    CreationStep([this] {
        m_dmod = std::make_unique<TDMod>(*m_session);
        m_sizeRecord = std::make_unique<DModSizeRecord>(*m_dmod);
        if (m_mainForm) {
            QObject::connect(m_dmod.get(), &TDMod::PeriodUnitsChanged, m_mainForm.get(),
                             &TKMmainform::SetPeriodUnitCaptions);
        }
        m_cselectDlg = std::make_unique<TCSelectDlg>(*m_dmod, m_mainForm.get());
        // The dialogs of the additions and copies, made anew for each use:
        // an insert into the cultivar list anywhere asks the new cultivar's
        // name.
        m_dmod->NewCultivarDialogHook = [this] {
            return TNewCultivarForm::Confirm(*m_dmod, m_mainForm.get());
        };
        m_dmod->SizeSelDialogHook = [this] {
            return TSizeSelDlg::Choose(*m_dmod, m_mainForm.get());
        };
    });
    CreationStep([this] { m_formPreview = std::make_unique<TFormPreview>(m_mainForm.get()); });
    CreationStep([this] {
        if (!m_dmod)
            return;
        // The import of the old table shows its progress in the global data
        // module's progress window.
        std::unique_ptr<ProgressBoxDisplay> progress;
        if (m_globalDmod && m_globalDmod->ProgressBox()) {
            progress = std::make_unique<ProgressBoxDisplay>(*m_globalDmod->ProgressBox());
            m_dmod->setProgressDisplay(progress.get());
        }
        const auto detach = qScopeGuard([this] { m_dmod->setProgressDisplay(nullptr); });
        m_dmod->DataModuleCreate(m_globalDmod && m_globalDmod->ImportPending());
    });
    CreationStep([this] {
        if (!m_dmod)
            return;
        m_cdataForm = std::make_unique<TCdataForm>(*m_dmod, m_formPreview.get());
        TCdataForm* form = m_cdataForm.get();
        m_dmod->CultivarWindowExistsHook = [] { return true; };
        m_dmod->CultivarWindowVisibleHook = [form] { return form->isVisible(); };
        m_dmod->HoofdgroepChoiceHook = [form] { return form->HoofdgroepIndex(); };
        // The main window shows its cultivar data again when it is activated.
        if (m_mainForm)
            m_mainForm->CultivarGegBox->hide();
    });
    CreationStep([this] {
        m_instAlgForm = std::make_unique<TKPInstAlgForm>(m_mainForm.get());
        if (m_cdataForm) {
            TKPInstAlgForm* general = m_instAlgForm.get();
            m_cdataForm->ApplyCurrencyHook = [general] {
                general->SetCurrencySymbol(general->StdCurrencyRGroup->ItemIndex());
            };
        }
    });
    CreationStep([this] {
        if (m_dmod)
            m_broeiDataOptDlg = std::make_unique<TBroeiDataOptDlg>(*m_dmod, m_mainForm.get());
    });

    if (m_mainForm && m_sizeRecord) {
        m_mainForm->setRecordSource(m_sizeRecord.get());
        TKMmainformWindows windows;
        windows.SelectCultivar = [this] { m_cselectDlg->exec(); };
        if (m_cdataForm) {
            windows.ShowCdata = [this] {
                m_cdataForm->show();
                m_cdataForm->raise();
                m_cdataForm->activateWindow();
            };
            windows.CloseCdata = [this] {
                return !m_cdataForm->isVisible() || m_cdataForm->close();
            };
        }
        if (m_instAlgForm)
            windows.ShowOptions = [this] { m_instAlgForm->exec(); };
        m_mainForm->setWindows(std::move(windows));
    }
}

TKMmainform* MainProgram::MainWindow() const
{
    return m_mainForm.get();
}

} // namespace kasplan
