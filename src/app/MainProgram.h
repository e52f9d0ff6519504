#pragma once

#include "TKPglobalDmod.h"

#include <memory>

class QMainWindow;

namespace kasplan {

class StandInMainWindow;

// The program's long-lived objects, created in their fixed order and
// destroyed in the reverse order. An error in one creation step is shown in
// the error box and the next step follows.
class MainProgram
{
public:
    static constexpr const char* ApplicationTitle = "Kasplan";

    explicit MainProgram(TKPglobalDmodHooks hooks = {});
    ~MainProgram();
    MainProgram(const MainProgram&) = delete;
    MainProgram& operator=(const MainProgram&) = delete;

    // Sets the application title and creates the main window, the settings
    // store (installed as the program's store) and the global data module.
    void Create();

    QMainWindow* MainWindow() const;
    TKPglobalDmod* KPglobalDmod() const { return m_globalDmod.get(); }

private:
    template <class Step> void CreationStep(Step step);

    TKPglobalDmodHooks m_hooks;
    std::unique_ptr<StandInMainWindow> m_mainForm;
    bool m_storeInstalled = false;
    std::unique_ptr<TKPglobalDmod> m_globalDmod;
};

} // namespace kasplan
