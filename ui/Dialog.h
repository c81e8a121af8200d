// A modal dialog from a dialog resource whose messages go to a C++ object: the dialog
// procedure is a trampoline that finds the object through the window's user data.
#pragma once
#include <windows.h>

namespace ui {

class Dialog {
public:
    Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog() = default;

    // Runs the dialog resource templateId of module (null: this program) modally; the result
    // of EndDialog, or -1 when the dialog could not be created.
    INT_PTR RunModal(HINSTANCE module, int templateId, HWND owner = nullptr);

    HWND Window() const { return m_hWnd; }

protected:
    // WM_INITDIALOG; the answer is the dialog procedure's (TRUE: default focus).
    virtual BOOL OnInitDialog() { return TRUE; }
    // WM_COMMAND; true when handled.
    virtual bool OnCommand(WORD /*id*/, WORD /*code*/, HWND /*control*/) { return false; }
    // WM_CLOSE; true when handled.
    virtual bool OnClose() { return false; }
    // Any other message; true when handled (result in *result).
    virtual bool OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/, INT_PTR* /*result*/) { return false; }

    void End(INT_PTR result) { EndDialog(m_hWnd, result); }

private:
    static INT_PTR CALLBACK Procedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
};

// Sets a control's text, check state or visibility by identifier.
void SetControlText(HWND dialog, int id, const char* text);
bool IsControlChecked(HWND dialog, int id);
void SetControlChecked(HWND dialog, int id, bool checked);
void ShowControl(HWND dialog, int id, bool visible);

// Moves a window to the centre of the desktop's work area (the whole screen when the work
// area cannot be read), never above or left of the work area's origin.
void CentreInWorkArea(HWND window);

}  // namespace ui
