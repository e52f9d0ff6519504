#pragma once

#include "TKPglobalDmod.h"

#include <memory>

namespace kasplan {

namespace db {
class EngineSession;
}

class DModSizeRecord;
class TCSelectDlg;
class TCdataForm;
class TBroeiDataOptDlg;
class TDMod;
class TFormPreview;
class TKMmainform;
class TKPInstAlgForm;

// The program's long-lived objects, created in their fixed order and
// destroyed in the reverse order. An error in one creation step is shown in
// the error box and the next step follows.
class MainProgram
{
public:
    static constexpr const char* ApplicationTitle = "Kasplan";

    MainProgram();
    ~MainProgram();
    MainProgram(const MainProgram&) = delete;
    MainProgram& operator=(const MainProgram&) = delete;

    // Sets the application title and creates the main window, the settings
    // store (installed as the program's store), the global data module, the
    // cultivar selection dialog, the print preview window and the cultivar
    // data module, which opens the database, and the two settings dialogs;
    // the general settings set the currency symbol of money values. The main
    // window then shows the current size record.
    void Create();

    TKMmainform* MainWindow() const;
    TKPglobalDmod* KPglobalDmod() const { return m_globalDmod.get(); }
    TDMod* DMod() const { return m_dmod.get(); }
    TCSelectDlg* CSelectDlg() const { return m_cselectDlg.get(); }
    TFormPreview* FormPreview() const { return m_formPreview.get(); }
    TCdataForm* CdataForm() const { return m_cdataForm.get(); }
    TKPInstAlgForm* KPInstAlgForm() const { return m_instAlgForm.get(); }
    TBroeiDataOptDlg* BroeiDataOptDlg() const { return m_broeiDataOptDlg.get(); }

private:
    template <class Step> void CreationStep(Step step);
    // What the global data module asks of the engine session.
    TKPglobalDmodHooks EngineHooks();

    std::unique_ptr<db::EngineSession> m_session;
    std::unique_ptr<TKMmainform> m_mainForm;
    bool m_storeInstalled = false;
    std::unique_ptr<TKPglobalDmod> m_globalDmod;
    std::unique_ptr<TDMod> m_dmod;
    std::unique_ptr<DModSizeRecord> m_sizeRecord;
    std::unique_ptr<TCSelectDlg> m_cselectDlg;
    std::unique_ptr<TFormPreview> m_formPreview;
    std::unique_ptr<TCdataForm> m_cdataForm;
    std::unique_ptr<TKPInstAlgForm> m_instAlgForm;
    std::unique_ptr<TBroeiDataOptDlg> m_broeiDataOptDlg;
};

} // namespace kasplan
