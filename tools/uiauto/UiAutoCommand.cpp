// uiauto.exe: the UI-automation helper as a console program, for scripts (the demo):
//   uiauto wait CAPTION [MS]          waits for the dialog or message box CAPTION (default 30 s)
//   uiauto wait-text CAPTION ID TEXT [MS]  waits until control ID's text contains TEXT; prints it
//   uiauto text CAPTION [ID]          prints a control's text (without ID: the message text)
//   uiauto click CAPTION ID           presses button ID
//   uiauto close CAPTION              the close box
//   uiauto menu POSITION [MS]         picks the entry at POSITION of an open pop-up menu
//   uiauto screenshot UNIX-PATH.png   the whole X display
// Exit code 0 on success, 1 when the window or control is not there, 2 on a bad command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/uiauto/UiAuto.h"

namespace {

constexpr DWORD kDefaultWaitMs = 30000;

DWORD Milliseconds(int argc, char** argv, int index) {
    return index < argc ? static_cast<DWORD>(std::strtoul(argv[index], nullptr, 10)) : kDefaultWaitMs;
}

HWND Dialog(const char* caption, DWORD waitMs) { return uiauto::WaitForWindow(uiauto::kDialogClass, caption, waitMs); }

int Print(const std::string& text) {
    std::printf("%s\n", text.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string command = argv[1];
    if (command == "screenshot") return uiauto::SaveScreenshot(argv[2]) ? 0 : 1;
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
