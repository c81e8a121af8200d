// The install progress window: the dialog resource IDD_INSTALL, an optional HTML pane, and a
// worker thread of its own apartment that installs through the channel manager and reports
// with kInstallDoneMessage.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "installhelper/HtmlPane.h"
#include "installhelper/InstallFlow.h"
#include "installhelper/InstallOptions.h"
#include "ui/Dialog.h"
#include "ui/UiHandles.h"

// Posted by the worker: wParam = the HRESULT, lParam = the ZULError of the installation.
constexpr UINT kInstallDoneMessage = WM_APP + 0x20;
// The dialog's result when it is closed with its close box.
constexpr int kClosedResult = -1;

// What the worker learns and hands to the window; shared, so that a worker still running when
// the window has gone touches nothing that went with it.
struct InstallWork;

class C_InstallDialog final : public ui::Dialog {
public:
    C_InstallDialog(const InstallOptions& options, InstallSteps steps);
    ~C_InstallDialog() override;

    // Shows the window until "Done" or the close box; the program's exit code.
    int Run();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnClose() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

private:
    void CreateFonts();
    void CreateHtmlPane();
    bool StartWorker();
    void ShowOutcome(HRESULT hr, ZULError code);
    void OnDone();
    void CarryOutChoices(bool viewHelp, bool launch, bool desktopShortcut) const;

    InstallOptions m_options;
    std::shared_ptr<InstallWork> m_pWork;
    ui::UniqueFont m_hStatusFont;
    ui::UniqueFont m_hDoneFont;
    C_HtmlPane m_htmlPane;
    ZULError m_nResult = ZULERR_SUCCESS;
    HRESULT m_hrResult = S_OK;
    bool m_bChoicesMade = false;
    bool m_bViewHelp = false;
    bool m_bLaunch = false;
    bool m_bDesktopShortcut = false;
};
