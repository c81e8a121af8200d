#include "ui/MessageBoxes.h"

namespace ui {

int ShowMessage(HWND owner, const std::string& text, const char* caption, UINT style) {
    const int pressed = MessageBoxA(owner, text.c_str(), caption, style);
    return pressed > 0 ? pressed : 0;
}

}  // namespace ui
