#include "installhelper/HtmlPane.h"

#include "installhelper/InstallTexts.h"

namespace {

constexpr int kMargin = 5;
constexpr int kGapAboveStatus = 15;

bool IsNavigationKey(WPARAM key) { return key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE; }

}  // namespace

LRESULT CALLBACK C_HtmlPane::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Keyboard navigation belongs to the dialog; everything else is the window's default.
    if ((message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR) && IsNavigationKey(wParam))
        return DefDlgProcA(GetParent(window), message, wParam, lParam);
    if (message == WM_SIZE) {
        auto* host = reinterpret_cast<C_BrowserHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (host) host->Resize();
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool C_HtmlPane::Create(HWND dialog, int statusId, bool scroll) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    const HINSTANCE module = GetModuleHandleA(nullptr);
    if (!GetClassInfoExA(module, InstallTexts::kHtmlPaneClass, &windowClass)) {
        windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &C_HtmlPane::Procedure;
        windowClass.hInstance = module;
        windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = InstallTexts::kHtmlPaneClass;
        if (!RegisterClassExA(&windowClass)) return false;
    }
    RECT client = {};
    GetClientRect(dialog, &client);
    RECT status = {};
    HWND statusLine = GetDlgItem(dialog, statusId);
    if (!statusLine || !GetWindowRect(statusLine, &status)) return false;
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&status), 2);
    const int left = client.left + kMargin;
    const int width = client.right - client.left - 2 * kMargin;
    const int height = status.top - kGapAboveStatus;
    const DWORD style = WS_CHILD | WS_TABSTOP | WS_CLIPCHILDREN | (scroll ? WS_VSCROLL : 0);
    m_window.reset(CreateWindowExA(WS_EX_CLIENTEDGE, InstallTexts::kHtmlPaneClass, "", style, left, kMargin, width,
                                   height, dialog, nullptr, module, nullptr));
    return static_cast<bool>(m_window);
}

HRESULT C_HtmlPane::Show(const std::string& page) {
    if (!m_window) return E_HANDLE;
    ShowWindow(m_window.get(), SW_SHOW);
    const HRESULT hr = C_BrowserHost::Create(m_window.get(), page, m_pHost);
    if (SUCCEEDED(hr)) SetWindowLongPtrA(m_window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(m_pHost.Get()));
    return hr;
}

void C_HtmlPane::Destroy() {
    if (m_window) SetWindowLongPtrA(m_window.get(), GWLP_USERDATA, 0);
    if (m_pHost) {
        m_pHost->Close();
        m_pHost.Reset();
    }
    m_window.reset();
}
