// The install window's HTML pane: a child window above the status line that hosts the browser
// control showing the page of "HTML".
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include <string>

#include "installhelper/BrowserHost.h"
#include "ui/UiHandles.h"

class C_HtmlPane {
public:
    C_HtmlPane() = default;
    C_HtmlPane(const C_HtmlPane&) = delete;
    C_HtmlPane& operator=(const C_HtmlPane&) = delete;
    ~C_HtmlPane() { Destroy(); }

    // Makes the pane in dialog (above the control statusId), with a vertical scroll bar when
    // scroll; false when its window class or window could not be made.
    bool Create(HWND dialog, int statusId, bool scroll);
    // Shows page in the pane; the HRESULT of making the browser control.
    [[nodiscard]] HRESULT Show(const std::string& page);
    // Closes the control and the window (before the dialog and COM go).
    void Destroy();

    HWND Window() const { return m_window.get(); }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    ui::UniqueWindow m_window;
    Microsoft::WRL::ComPtr<C_BrowserHost> m_pHost;
};
