// uiauto.exe: the UI-automation helper as a console program, for scripts (the demo):
//   uiauto wait CAPTION [MS]          waits for the dialog or message box CAPTION (default 30 s)
//   uiauto wait-text CAPTION ID TEXT [MS]  waits until control ID's text contains TEXT; prints it
//   uiauto text CAPTION [ID]          prints a control's text (without ID: the message text)
//   uiauto click CAPTION ID           presses button ID
//   uiauto close CAPTION              the close box
//   uiauto menu POSITION [MS]         picks the entry at POSITION of an open pop-up menu
//   uiauto tray-menu CLASS MESSAGE [KEYS] [MS]  opens the menu of the tray icon owned by the
//                                     window of CLASS (waiting for it, default 30 s) through the
//                                     icon's callback MESSAGE, then presses KEYS in it
//   uiauto menu-keys KEYS [MS]        presses KEYS in an open pop-up menu
//   uiauto screenshot UNIX-PATH.png   the whole X display
// KEYS is a word of d (down), u (up), r (right), l (left), e (enter), x (escape): "ddr" goes to
// the third entry and opens its sub-menu.
// Exit code 0 on success, 1 when the window or control is not there, 2 on a bad command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/uiauto/UiAuto.h"

namespace {

constexpr DWORD kDefaultWaitMs = 30000;

DWORD Milliseconds(int argc, char** argv, int index) {
    return index < argc ? static_cast<DWORD>(std::strtoul(argv[index], nullptr, 10)) : kDefaultWaitMs;
}

HWND Dialog(const char* caption, DWORD waitMs) { return uiauto::WaitForWindow(uiauto::kDialogClass, caption, waitMs); }

// A top-level window of className, shown or not (a tray icon's owner is never shown), waiting up
// to timeoutMs for it.
HWND WaitForHiddenWindow(const char* className, DWORD timeoutMs) {
    for (DWORD waited = 0;; waited += 100) {
        if (HWND window = FindWindowA(className, nullptr)) return window;
        if (waited >= timeoutMs) return nullptr;
        Sleep(100);
    }
}

// The keys a KEYS word stands for; false on a letter without a meaning.
bool MenuKeys(const char* word, std::vector<WORD>& keys) {
    for (const char* letter = word; *letter; ++letter) {
        switch (*letter) {
        case 'd': keys.push_back(VK_DOWN); break;
        case 'u': keys.push_back(VK_UP); break;
        case 'r': keys.push_back(VK_RIGHT); break;
        case 'l': keys.push_back(VK_LEFT); break;
        case 'e': keys.push_back(VK_RETURN); break;
        case 'x': keys.push_back(VK_ESCAPE); break;
        default: return false;
        }
    }
    return true;
}

int OpenTrayMenu(int argc, char** argv) {
    if (argc < 4) return 2;
    std::vector<WORD> keys;
    if (argc >= 5 && !MenuKeys(argv[4], keys)) return 2;
    const DWORD waitMs = Milliseconds(argc, argv, 5);
    HWND owner = WaitForHiddenWindow(argv[2], waitMs);
    // The menu opens at the mouse: put it in the middle of the screen, clear of the tray.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
    if (!uiauto::ClickTrayIcon(owner, static_cast<UINT>(std::strtoul(argv[3], nullptr, 0)))) return 1;
    return uiauto::PressMenuKeys(keys, waitMs) ? 0 : 1;
}

int PressKeys(int argc, char** argv) {
    std::vector<WORD> keys;
    if (!MenuKeys(argv[2], keys)) return 2;
    return uiauto::PressMenuKeys(keys, Milliseconds(argc, argv, 3)) ? 0 : 1;
}

int Print(const std::string& text) {
    std::printf("%s\n", text.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string command = argv[1];
    if (command == "screenshot") return uiauto::SaveScreenshot(argv[2]) ? 0 : 1;
    if (command == "tray-menu") return OpenTrayMenu(argc, argv);
    if (command == "menu-keys") return PressKeys(argc, argv);
    if (command == "menu") return uiauto::PickPopupMenuEntry(std::atoi(argv[2]), Milliseconds(argc, argv, 3)) ? 0 : 1;
    const bool waits = command == "wait" || command == "wait-text";
    HWND window = Dialog(argv[2], waits ? Milliseconds(argc, argv, command == "wait" ? 3 : 5) : 2000);
    if (!window) return 1;
    if (command == "wait") return 0;
    if (command == "close") return uiauto::CloseWithCloseBox(window) ? 0 : 1;
    if (command == "text" && argc == 3) return Print(uiauto::MessageText(window));
    if (argc < 4) return 2;
    const int id = std::atoi(argv[3]);
    if (command == "text") return Print(uiauto::ControlText(window, id));
    if (command == "click") return uiauto::ClickButton(window, id) ? 0 : 1;
    if (command == "wait-text" && argc >= 5) {
        const std::string text = uiauto::WaitForControlText(window, id, argv[4], Milliseconds(argc, argv, 5));
        Print(text);
        return text.find(argv[4]) != std::string::npos ? 0 : 1;
    }
    return 2;
}
