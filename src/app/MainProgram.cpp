#include "MainProgram.h"

#include "StandInMainWindow.h"

#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"

#include <QApplication>

#include <exception>

namespace kasplan {

MainProgram::MainProgram(TKPglobalDmodHooks hooks) : m_hooks(std::move(hooks)) {}

MainProgram::~MainProgram()
{
    // The last created first.
    m_globalDmod.reset();
    if (m_storeInstalled)
        TZHRegistry::install(nullptr);
    m_mainForm.reset();
}

template <class Step> void MainProgram::CreationStep(Step step)
{
    try {
        step();
    } catch (const std::exception& error) {
        UserPrompts::current().showError(QString::fromUtf8(error.what()));
    }
}

void MainProgram::Create()
{
    QApplication::setApplicationName(QLatin1String(ApplicationTitle));

    CreationStep([this] { m_mainForm = std::make_unique<StandInMainWindow>(); });
    CreationStep([this] {
        auto store = std::make_unique<TZHRegistry>();
        TZHRegistry& created = *store;
        TZHRegistry::install(std::move(store));
        m_storeInstalled = true;
        created.Initialise();
    });
    CreationStep([this] {
        m_globalDmod = std::make_unique<TKPglobalDmod>(TZHRegistry::current(), m_hooks);
        m_globalDmod->KPglobalDmodCreate();
    });
    // The cultivar selection dialog, the print preview, the cultivar data
    // module and window and the two settings dialogs follow here, in this
    // order, as they are built.
}

QMainWindow* MainProgram::MainWindow() const
{
    return m_mainForm.get();
}

} // namespace kasplan
