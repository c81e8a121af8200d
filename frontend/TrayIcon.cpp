#include "frontend/TrayIcon.h"

#include <cstdio>

#include "common/CommaList.h"
#include "frontend/ChannelOptions.h"
#include "frontend/NotificationLauncher.h"
#include "frontend/VelorinCommandLine.h"
#include "common/DiagnosticLog.h"
#include "common/VelorinIds.h"
#include "frontend/resource.h"

namespace {

constexpr char kTrayMutex[] = "ZULVelorin TrayIcon Exclusive Access";
constexpr char kWindowClass[] = "C_TrayIcon Window Class";
constexpr char kWindowTitle[] = "C_TrayIcon Window";
constexpr char kTipFormat[] = "%d New Notification(s) Available";
constexpr char kNewNotificationsText[] = "New Notifications";
constexpr char kExitText[] = "Exit";
constexpr char kAboutText[] = "About";
constexpr UINT_PTR kRebuildTimer = 1;
constexpr UINT kRebuildPeriodMs = 1000;
constexpr int kWindowSize = 100;

// The non-empty entries of the comma-separated pending list, in order.
std::vector<std::string> PendingEntries() { return SplitCommaList(ReadNewNotifications()); }

}  // namespace

C_TrayIcon::~C_TrayIcon() {
    // Destroying the window runs the same clean-up as "Exit"; without one, whatever is left goes.
    m_window.reset();
    HideIcon();
    DestroyMenus();
}

Outcome C_TrayIcon::StartTrayIcon() {
    m_mutex.emplace(kTrayMutex);
    if (!m_mutex->Held()) {
        m_mutex.reset();
        return Outcome{HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS), ZULERR_INVALID_OPERATION};
    }
    Outcome result;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &C_TrayIcon::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TRAY_WINDOW));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kWindowClass;
    (void)RegisterClassExA(&windowClass);  // already registered is fine; creation tells
    HWND window = CreateWindowExA(0, kWindowClass, kWindowTitle, WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                                  kWindowSize, kWindowSize, nullptr, nullptr, instance, this);
    if (!window) result = Outcome{HRESULT_FROM_WIN32(GetLastError()), ZULERR_FAILED};
    m_window.reset(window);

    m_icon.reset(static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_TRAY), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    m_record.cbSize = sizeof m_record;
    m_record.hWnd = window;
    m_record.uID = 0;
    m_record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_record.uCallbackMessage = kTrayCallbackMessage;
    m_record.hIcon = m_icon.get();
    RebuildMenus();
    return result;
}

void C_TrayIcon::Exit() const {
    if (m_window) SendMessageA(m_window.get(), WM_COMMAND, kTrayCmdExit, 0);
}

LRESULT CALLBACK C_TrayIcon::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* tray = reinterpret_cast<C_TrayIcon*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!tray) return DefWindowProcA(window, message, wParam, lParam);
    return tray->HandleMessage(window, message, wParam, lParam);
}

LRESULT C_TrayIcon::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        SetTimer(window, kRebuildTimer, kRebuildPeriodMs, nullptr);
        return 0;
    case WM_TIMER:
        if (!m_menuShowing) RebuildMenus();
        return 0;
    case kTrayCallbackMessage:
        if (LOWORD(lParam) == WM_LBUTTONDOWN || LOWORD(lParam) == WM_RBUTTONDOWN) ShowMenu();
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_NCDESTROY:
        // The window is gone: nothing is left for the owner to destroy.
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        (void)m_window.release();  // the window is destroyed already: nothing to own
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void C_TrayIcon::OnCommand(UINT id) {
    if (id == kTrayCmdExit) {
        if (m_window) DestroyWindow(m_window.get());
    } else if (id == kTrayCmdAbout) {
        (void)C_ChannelOptions(m_manager, m_settings).ShowGeneralAbout();  // it tells the user itself
    } else if (id >= kTrayCmdFirstNotification) {
        const size_t position = id - kTrayCmdFirstNotification;
        if (position >= m_notificationGuids.size()) return;
        // Copied: the rebuild below replaces the list.
        const std::string guid = m_notificationGuids[position];
        LogIfCodeFailed(KeywordName(ValuedKeyword::LaunchNotification), guid.c_str(), LaunchNotification(m_manager, m_settings, guid));
        RebuildMenus();
    }
}

void C_TrayIcon::OnDestroy() {
    if (m_window) KillTimer(m_window.get(), kRebuildTimer);
    HideIcon();
    DestroyMenus();
    m_mutex.reset();
    PostQuitMessage(0);
}

void C_TrayIcon::ShowMenu() {
    if (!m_mainMenu || !m_window) return;
    POINT cursor = {};
    GetCursorPos(&cursor);
    m_menuShowing = true;
    SetForegroundWindow(m_window.get());
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(m_mainMenu.get(), TPM_RIGHTALIGN | TPM_BOTTOMALIGN |
                                                                                TPM_RETURNCMD | TPM_NONOTIFY,
                                                         cursor.x, cursor.y, 0, m_window.get(), nullptr));
    PostMessageA(m_window.get(), WM_NULL, 0, 0);
    if (chosen) PostMessageA(m_window.get(), WM_COMMAND, chosen, 0);
    m_menuShowing = false;
}

void C_TrayIcon::DestroyMenus() {
    m_notificationGuids.clear();
    m_detachedNotifications.reset();
    m_mainMenu.reset();  // takes an attached notifications menu with it
    m_notifications = nullptr;
}

void C_TrayIcon::RebuildMenus() {
    DestroyMenus();
    m_mainMenu.reset(CreatePopupMenu());
    m_detachedNotifications.reset(CreatePopupMenu());
    m_notifications = m_detachedNotifications.get();
    if (!m_mainMenu || !m_notifications) return;
    AppendMenuA(m_mainMenu.get(), MF_STRING, kTrayCmdExit, kExitText);

    for (const std::string& entry : PendingEntries()) {
        std::string name;
        bool callFailed = false;
        const ZULError e = ReadNotificationName(m_manager, entry, name, callFailed);
        // A lost manager ends the tray; an entry that is no GUID is merely skipped.
        if (callFailed && e != ZULERR_BAD_GUID) {
            if (m_window) PostMessageA(m_window.get(), WM_COMMAND, kTrayCmdExit, 0);
            return;
        }
        if (e != ZULERR_SUCCESS) continue;
        const UINT position = static_cast<UINT>(m_notificationGuids.size());
        InsertMenuA(m_notifications, position, MF_BYPOSITION | MF_STRING, kTrayCmdFirstNotification + position,
                    name.c_str());
        m_notificationGuids.push_back(entry);
    }

    const int count = static_cast<int>(m_notificationGuids.size());
    std::snprintf(m_record.szTip, sizeof m_record.szTip, kTipFormat, count);
    ShowIcon();

    HMENU menu = m_mainMenu.get();
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    if (count > 0) {
        InsertMenuA(menu, 0, MF_BYPOSITION | MF_POPUP | MF_STRING,
                    reinterpret_cast<UINT_PTR>(m_detachedNotifications.release()), kNewNotificationsText);
    } else {
        InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, kTrayCmdNotifications, kNewNotificationsText);
        EnableMenuItem(menu, 0, MF_BYPOSITION | MF_DISABLED | MF_GRAYED);
    }
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, kTrayCmdAbout, kAboutText);
    SetMenuDefaultItem(menu, kTrayCmdAbout, FALSE);
}

void C_TrayIcon::ShowIcon() {
    if (!m_record.hWnd) return;
    if (Shell_NotifyIconA(m_iconAdded ? NIM_MODIFY : NIM_ADD, &m_record)) m_iconAdded = true;
}

void C_TrayIcon::HideIcon() {
    if (!m_iconAdded) return;
    Shell_NotifyIconA(NIM_DELETE, &m_record);
    m_iconAdded = false;
}
