#include "ui/Dialog.h"

namespace ui {

INT_PTR Dialog::RunModal(HINSTANCE module, int templateId, HWND owner) {
    if (!module) module = GetModuleHandleA(nullptr);
    return DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), owner, &Dialog::Procedure,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK Dialog::Procedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->m_hWnd = hWnd;
        SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hWnd, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT among them) get the default handling.
    return self ? self->Dispatch(message, wParam, lParam) : FALSE;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_CLOSE: return OnClose() ? TRUE : FALSE;
    case WM_NCDESTROY: {
        SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
        m_hWnd = nullptr;
        return FALSE;
    }
    default: {
        INT_PTR result = 0;
        if (!OnMessage(message, wParam, lParam, &result)) return FALSE;
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    }
}

void SetControlText(HWND dialog, int id, const char* text) { SetDlgItemTextA(dialog, id, text ? text : ""); }

bool IsControlChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void SetControlChecked(HWND dialog, int id, bool checked) {
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void ShowControl(HWND dialog, int id, bool visible) {
    if (HWND control = GetDlgItem(dialog, id)) ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
}

void CentreInWorkArea(HWND window) {
    RECT area = {};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0))
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT own = {};
    if (!GetWindowRect(window, &own)) return;
    const LONG width = own.right - own.left;
    const LONG height = own.bottom - own.top;
    LONG left = area.left + (area.right - area.left - width) / 2;
    LONG top = area.top + (area.bottom - area.top - height) / 2;
    if (left < area.left) left = area.left;
    if (top < area.top) top = area.top;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace ui
