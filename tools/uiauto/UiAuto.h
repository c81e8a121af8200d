// UI automation for tests under Wine: finds top-level windows and message boxes, reads their
// texts and controls, presses buttons, posts menu commands, closes windows and saves
// screenshots of the X display. Linked into test programs (see README.md).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace uiauto {

// The dialog class of message boxes and dialogs from resources.
inline constexpr char kDialogClass[] = "#32770";
// The class of an open pop-up menu.
inline constexpr char kPopupMenuClass[] = "#32768";

// A visible top-level window of className (null: any) with exactly caption (null: any), or null.
HWND FindTopWindow(const char* className, const char* caption);
// The same, waiting up to timeoutMs for it to appear.
HWND WaitForWindow(const char* className, const char* caption, DWORD timeoutMs);
// Waits up to timeoutMs for window to be gone; whether it went.
bool WaitForWindowGone(HWND window, DWORD timeoutMs);
// A visible top-level window of className belonging to processId (any caption), waiting up to
// timeoutMs.
HWND WaitForProcessWindow(DWORD processId, const char* className, DWORD timeoutMs);

// A window's or control's text (read across processes with WM_GETTEXT).
std::string Text(HWND window);
std::string ControlText(HWND dialog, int id);
// Waits up to timeoutMs until the control's text contains wanted; the last text read.
std::string WaitForControlText(HWND dialog, int id, const std::string& wanted, DWORD timeoutMs);
// Texts of the window's static controls in child order (a message box's text among them).
std::vector<std::string> StaticTexts(HWND window);
// A message box's message: its static texts that are not empty, joined with "\n".
std::string MessageText(HWND messageBox);

bool IsControlVisible(HWND dialog, int id);
bool IsControlEnabled(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);

// Presses a button (BM_CLICK). The message is posted, so the caller never blocks on what the
// press starts.
bool ClickButton(HWND dialog, int id);
// Posts WM_COMMAND with a menu item's identifier to window: picks an entry of a window's or a
// tray icon's pop-up menu without showing it.
bool PostMenuCommand(HWND window, UINT commandId);
// Waits up to timeoutMs for a pop-up menu (a tray icon's, say) to be open and picks its entry at
// position (0 = the first entry; separators count) with the keyboard, as a user would. The
// menu's owner then gets the entry's command. Whether a menu was open.
bool PickPopupMenuEntry(int position, DWORD timeoutMs);
// Clicks a tray icon as the system tray does: posts the icon's callback message with a
// right-button press to the window that owns the icon.
bool ClickTrayIcon(HWND iconOwner, UINT callbackMessage);
// Points the mouse at the first icon of the system tray's window and answers the tip it shows
// (empty when no tray window or no tip appeared within timeoutMs).
std::string FirstTrayIconTip(DWORD timeoutMs);
// Waits up to timeoutMs for a pop-up menu to be open and presses keys in it (VK_DOWN, VK_RIGHT
// to open a sub-menu, VK_RETURN, ...), as a user would. Whether a menu was open.
bool PressMenuKeys(const std::vector<WORD>& keys, DWORD timeoutMs);
// Presses Escape in window as the keyboard would (key down and up through its message loop).
bool PressEscape(HWND window);
// Asks window to close as its close box does (WM_SYSCOMMAND SC_CLOSE).
bool CloseWithCloseBox(HWND window);

// Saves a picture of the whole X display as a PNG file (a Unix path) with ImageMagick's
// "import -window root"; whether the file was written.
bool SaveScreenshot(const std::string& unixPngPath);

}  // namespace uiauto
