#include "tools/uiauto/UiAuto.h"

#include <cstring>

namespace uiauto {

namespace {

constexpr DWORD kPollMs = 100;
constexpr DWORD kSendTimeoutMs = 5000;
constexpr int kMaxText = 8192;
constexpr DWORD kScreenshotWaitMs = 30000;

struct Search {
    const char* className;
    const char* caption;
    DWORD processId;
    HWND found;
};

bool Matches(HWND window, const Search& search) {
    if (!IsWindowVisible(window)) return false;
    if (search.processId) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != search.processId) return false;
    }
    char name[256] = {};
    if (search.className && (!GetClassNameA(window, name, sizeof name) || std::strcmp(name, search.className) != 0))
        return false;
    return !search.caption || Text(window) == search.caption;
}

BOOL CALLBACK Visit(HWND window, LPARAM parameter) {
    Search& search = *reinterpret_cast<Search*>(parameter);
    if (!Matches(window, search)) return TRUE;
    search.found = window;
    return FALSE;
}

HWND Find(const char* className, const char* caption, DWORD processId) {
    Search search{className, caption, processId, nullptr};
    EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitFor(const char* className, const char* caption, DWORD processId, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = Find(className, caption, processId)) return window;
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        Sleep(kPollMs);
    }
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM parameter) {
    char name[64] = {};
    GetClassNameA(child, name, sizeof name);
    if (_stricmp(name, "Static") == 0) reinterpret_cast<std::vector<std::string>*>(parameter)->push_back(Text(child));
    return TRUE;
}

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) return 0;
    return static_cast<LRESULT>(result);
}

// A Unix path's Windows name (drive Z: is the Unix root).
std::string WindowsNameOf(const std::string& unixPath) {
    std::string name = "Z:" + unixPath;
    for (char& c : name)
        if (c == '/') c = '\\';
    return name;
}

}  // namespace

HWND FindTopWindow(const char* className, const char* caption) { return Find(className, caption, 0); }

HWND WaitForWindow(const char* className, const char* caption, DWORD timeoutMs) {
    return WaitFor(className, caption, 0, timeoutMs);
}

HWND WaitForProcessWindow(DWORD processId, const char* className, DWORD timeoutMs) {
    return WaitFor(className, nullptr, processId, timeoutMs);
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollMs);
    }
    return true;
}

std::string Text(HWND window) {
    if (!window) return std::string();
    std::string text(kMaxText, '\0');
    const LRESULT length = SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

std::string ControlText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

std::string WaitForControlText(HWND dialog, int id, const std::string& wanted, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        std::string text = ControlText(dialog, id);
        if (text.find(wanted) != std::string::npos || GetTickCount() - start >= timeoutMs) return text;
        Sleep(kPollMs);
    }
}

std::vector<std::string> StaticTexts(HWND window) {
    std::vector<std::string> texts;
    EnumChildWindows(window, &CollectStatic, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

std::string MessageText(HWND messageBox) {
    std::string joined;
    for (const std::string& text : StaticTexts(messageBox)) {
        if (text.empty()) continue;
        if (!joined.empty()) joined += "\n";
        joined += text;
    }
    return joined;
}

bool IsControlVisible(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE);
}

bool IsControlEnabled(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowEnabled(control);
}

bool IsChecked(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control && SendWithTimeout(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool ClickButton(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control && PostMessageA(control, BM_CLICK, 0, 0);
}

bool PostMenuCommand(HWND window, UINT commandId) {
    return window && PostMessageA(window, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

bool PickPopupMenuEntry(int position, DWORD timeoutMs) {
    HWND menu = WaitForWindow(kPopupMenuClass, nullptr, timeoutMs);
    if (!menu) return false;
    // The menu's tracking loop reads the keys from its thread's queue: the first "down" selects
    // the first entry.
    for (int i = 0; i <= position; ++i) {
        PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 1);
        PostMessageA(menu, WM_KEYUP, VK_DOWN, 0xC0000001);
    }
    return PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 1) && PostMessageA(menu, WM_KEYUP, VK_RETURN, 0xC0000001);
}

bool ClickTrayIcon(HWND iconOwner, UINT callbackMessage) {
    return iconOwner && PostMessageA(iconOwner, callbackMessage, 0, WM_RBUTTONDOWN);
}

std::string FirstTrayIconTip(DWORD timeoutMs) {
    // Without a desktop, Wine keeps the icons in a window of its own, in a row from the left.
    HWND tray = WaitForWindow("__winex11_standalone_tray", nullptr, timeoutMs);
    if (!tray) return "";
    POINT point = {GetSystemMetrics(SM_CXSMICON) / 2 + 2, GetSystemMetrics(SM_CYSMICON) / 2 + 2};
    ClientToScreen(tray, &point);
    SetCursorPos(point.x, point.y);
    HWND icon = WindowFromPoint(point);
    POINT inIcon = point;
    ScreenToClient(icon, &inIcon);
    // The tip follows the mouse moves its tool window receives.
    for (int i = 0; i < 3; ++i) {
        PostMessageA(icon, WM_MOUSEMOVE, 0, MAKELPARAM(inIcon.x, inIcon.y));
        Sleep(100);
    }
    HWND tip = WaitForWindow("tooltips_class32", nullptr, timeoutMs);
    return tip ? Text(tip) : "";
}

bool PressMenuKeys(const std::vector<WORD>& keys, DWORD timeoutMs) {
    HWND menu = WaitForWindow(kPopupMenuClass, nullptr, timeoutMs);
    if (!menu) return false;
    for (WORD key : keys) {
        PostMessageA(menu, WM_KEYDOWN, key, 1);
        PostMessageA(menu, WM_KEYUP, key, 0xC0000001);
    }
    return true;
}

bool PressEscape(HWND window) {
    if (!window) return false;
    return PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 1) && PostMessageA(window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
}

bool CloseWithCloseBox(HWND window) { return window && PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool SaveScreenshot(const std::string& unixPngPath) {
    // A picture left from an earlier run must not count as this one.
    const std::string windowsPath = WindowsNameOf(unixPngPath);
    DeleteFileA(windowsPath.c_str());
    // Wine starts a Unix program given by its Unix path; it inherits DISPLAY from the harness.
    std::string command = "/usr/bin/import -window root \"" + unixPngPath + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    // Wine hands back a stand-in process for a Unix program, so the file itself is awaited.
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kScreenshotWaitMs) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        if (GetFileAttributesExA(windowsPath.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeLow > 0) {
            Sleep(kPollMs * 5);  // let import finish writing
            return true;
        }
        Sleep(kPollMs);
    }
    return false;
}

}  // namespace uiauto
