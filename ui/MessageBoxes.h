// Message boxes with the system's own text and caption, owned by a window or by none.
#pragma once
#include <windows.h>

#include <string>

namespace ui {

// Shows a message box; the button pressed (IDOK, ...), or 0 when it could not be shown.
int ShowMessage(HWND owner, const std::string& text, const char* caption, UINT style);

inline int ShowError(HWND owner, const std::string& text, const char* caption) {
    return ShowMessage(owner, text, caption, MB_OK | MB_ICONERROR);
}

}  // namespace ui
