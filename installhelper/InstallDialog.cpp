#include "installhelper/InstallDialog.h"

#include <shlobj.h>

#include "common/DiagnosticLog.h"
#include "common/JoinedPath.h"
#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"
#include "common/Settings.h"
#include "common/ShellHelpers.h"
#include "installhelper/HtmlPageText.h"
#include "installhelper/InstallTexts.h"
#include "installhelper/InstallWork.h"
#include "installhelper/OutcomeText.h"
#include "installhelper/resource.h"
#include "records/GuidText.h"
#include "ui/MessageBoxes.h"

namespace {

constexpr int kStatusFontHeight = 14;
constexpr int kDoneFontHeight = 16;
constexpr int kFontWeight = 600;
constexpr char kFontFace[] = "MS Sans Serif";
constexpr char kNoKsInstArgument[] = "-NoKSInst";
constexpr char kDesktopShortcutValue[] = "DesktopShortcut";

HFONT MakeFont(int height) {
    return CreateFontA(height, 0, 0, 0, kFontWeight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, kFontFace);
}

// The desktop of all users, else the user's own; empty when neither is found.
std::string DesktopFolder() {
    char folder[MAX_PATH] = {};
    if (SHGetSpecialFolderPathA(nullptr, folder, CSIDL_COMMON_DESKTOPDIRECTORY, FALSE) && folder[0]) return folder;
    if (SHGetSpecialFolderPathA(nullptr, folder, CSIDL_DESKTOPDIRECTORY, FALSE) && folder[0]) return folder;
    return std::string();
}

}  // namespace

C_InstallDialog::C_InstallDialog(const InstallOptions& options, InstallSteps steps)
    : m_options(options), m_pWork(std::make_shared<InstallWork>()) {
    m_pWork->steps = std::move(steps);
    m_pWork->hasTitle = options.hasTitle;
    m_pWork->title = options.title;
}

C_InstallDialog::~C_InstallDialog() = default;

int C_InstallDialog::Run() {
    const INT_PTR ended = RunModal(nullptr, IDD_INSTALL);
    if (ended == kClosedResult || !m_bChoicesMade) return kClosedResult;
    CarryOutChoices(m_bViewHelp, m_bLaunch, m_bDesktopShortcut);
    return static_cast<int>(m_nResult);
}

BOOL C_InstallDialog::OnInitDialog() {
    CreateFonts();
    ui::CentreInWorkArea(Window());
    if (m_options.hasTitle) SetWindowTextA(Window(), m_options.title.c_str());
    if (m_options.hasHtml) CreateHtmlPane();
    if (!StartWorker()) ShowOutcome(S_FALSE, ZULERR_CREATE_THREAD_FAILED);
    return TRUE;
}

void C_InstallDialog::CreateFonts() {
    m_hStatusFont.reset(MakeFont(kStatusFontHeight));
    m_hDoneFont.reset(MakeFont(kDoneFontHeight));
    const auto setFont = [this](int id, HFONT font) {
        if (font) SendDlgItemMessageA(Window(), id, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    };
    setFont(IDC_STATUS, m_hStatusFont.get());
    setFont(IDC_START_MENU_TEXT, m_hStatusFont.get());
    setFont(IDOK, m_hDoneFont.get());
}

void C_InstallDialog::CreateHtmlPane() {
    if (!m_htmlPane.Create(Window(), IDC_STATUS, m_options.scroll)) return;
    const std::string page = HtmlPageLocation(m_options.html, m_pWork->steps.packageDirectory());
    if (FAILED(m_htmlPane.Show(page)))
        // The message only informs; the window closes after it whatever is pressed.
        (void)ui::ShowMessage(Window(), InstallTexts::kCreateControlFailed, InstallTexts::kErrorCaption, MB_OK);
}

bool C_InstallDialog::StartWorker() {
    m_pWork->window = Window();
    return StartInstallWorker(m_pWork);
}

bool C_InstallDialog::OnCommand(WORD id, WORD, HWND) {
    if (id == IDOK) OnDone();
    // Every other command, Escape's among them, does nothing.
    return true;
}

bool C_InstallDialog::OnClose() {
    m_htmlPane.Destroy();
    End(kClosedResult);
    return true;
}

bool C_InstallDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
    if (message == WM_DESTROY) {
        m_htmlPane.Destroy();
        return false;
    }
    if (message != kInstallDoneMessage) return false;
    ShowOutcome(static_cast<HRESULT>(wParam), static_cast<ZULError>(lParam));
    *result = 0;
    return true;
}

void C_InstallDialog::ShowOutcome(HRESULT hr, ZULError code) {
    HWND dialog = Window();
    HWND done = GetDlgItem(dialog, IDOK);
    EnableWindow(done, TRUE);
    SendMessageA(dialog, DM_SETDEFID, IDOK, 0);
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(done), TRUE);
    m_hrResult = hr;
    m_nResult = code;

    const InstallWork& work = *m_pWork;
    if (IsInstallFailure(hr, code)) {
        ui::SetControlText(dialog, IDC_STATUS, FailureText(Settings::SupportURL(), hr, code).c_str());
        return;
    }
    const std::optional<std::string> startMenu = StartMenuText(work.hasMenuDir ? work.menuDir.c_str() : nullptr);
    ui::SetControlText(dialog, IDC_STATUS, CompletionText(code, work.itemName).c_str());
    const bool alreadyInstalled = code == ZULERR_ALREADY_INSTALLED || code == ZULERR_ALREADY_INSTALLED_FAM ||
                                  code == ZULERR_ALREADY_INSTALLED_DEMO;
    if (!alreadyInstalled && startMenu) {
        ui::SetControlText(dialog, IDC_START_MENU_TEXT, startMenu->c_str());
        ui::ShowControl(dialog, IDC_START_MENU_TEXT, true);
        ui::ShowControl(dialog, IDC_START_MENU_GROUP, true);
    }
    ui::SetControlText(dialog, IDC_LAUNCH, LaunchCheckText(work.itemName).c_str());
    ui::SetControlText(dialog, IDC_DESKTOP_SHORTCUT, DesktopCheckText(work.itemName).c_str());
    if (code == ZULERR_SUCCESS && !work.path.empty() && !work.launchFile.empty()) {
        for (int id : {IDC_LAUNCH, IDC_DESKTOP_SHORTCUT}) {
            ui::ShowControl(dialog, id, true);
            ui::SetControlChecked(dialog, id, true);
        }
    }
}

void C_InstallDialog::OnDone() {
    m_bViewHelp = ui::IsControlChecked(Window(), IDC_VIEW_HELP);
    m_bLaunch = ui::IsControlChecked(Window(), IDC_LAUNCH);
    m_bDesktopShortcut = ui::IsControlChecked(Window(), IDC_DESKTOP_SHORTCUT);
    m_bChoicesMade = true;
    m_htmlPane.Destroy();
    End(static_cast<INT_PTR>(m_nResult));
}

// Failures here are not reported: the installation itself is over.
void C_InstallDialog::CarryOutChoices(bool viewHelp, bool launch, bool desktopShortcut) const {
    const InstallWork& work = *m_pWork;
    if (viewHelp) LogIfFalse("view help", work.helpFile.c_str(), ShellOpen(work.path.c_str(), work.helpFile.c_str(), nullptr));
    if (launch) {
        const char* arguments = m_options.noKsInst ? kNoKsInstArgument : work.launchArgs.c_str();
        LogIfFalse("launch", work.launchFile.c_str(), ShellOpen(work.path.c_str(), work.launchFile.c_str(), arguments));
    }
    if (!desktopShortcut) return;
    const std::string desktop = DesktopFolder();
    if (desktop.empty()) return;
    std::string shortcut, target;
    const std::string name = InstallTexts::kShortcutLead + work.itemName + InstallTexts::kShortcutExtension;
    if (!JoinedPath(desktop, name.c_str(), shortcut) || !JoinedPath(work.path, work.launchFile.c_str(), target)) return;
    if (FAILED(CreateShortcut(shortcut.c_str(), target.c_str(), work.launchArgs.c_str(), work.path.c_str(), nullptr,
                              target.c_str(), 0)))
        return;
    // The record's key is the canonical GUID, whatever form "ItemInfo.dat" wrote it in.
    GuidValue guid;
    if (ParseGuidText(work.itemGuid, guid) != kGuidParsed) return;
    const std::string itemKey = std::string(ProductKeys::kZUL) + "\\Item\\" + GuidToText(guid);
    // Unrecorded, the uninstall leaves the shortcut on the desktop: it is logged.
    LogIfWin32Failed("record desktop shortcut", shortcut.c_str(),
                     RegWriteString(HKEY_LOCAL_MACHINE, itemKey.c_str(), kDesktopShortcutValue, shortcut.c_str()));
}
