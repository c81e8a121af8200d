#include "installhelper/BrowserHost.h"

#include <oleauto.h>

#include <new>
#include <vector>

#include "common/Handles.h"

using Microsoft::WRL::ComPtr;

namespace {

// The system's HTML document class (the engine the browser control shows pages with).
constexpr CLSID kHtmlDocumentClass = {0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};

// The page's text as a BSTR, owned; none when it cannot be made.
UniqueBstr BstrText(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) return UniqueBstr();
    std::vector<wchar_t> wide(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    return UniqueBstr(SysAllocString(wide.data()));
}

// The browser control shows pages through the system's HTML engine; without the engine no
// control can be made that shows anything.
HRESULT HtmlEngineAvailable() {
    ComPtr<IUnknown> document;
    return CoCreateInstance(kHtmlDocumentClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                            reinterpret_cast<void**>(document.GetAddressOf()));
}

}  // namespace

HRESULT C_BrowserHost::Create(HWND window, const std::string& page, ComPtr<C_BrowserHost>& host) {
    host.Reset();
    ComPtr<C_BrowserHost> made;
    made.Attach(new (std::nothrow) C_BrowserHost(window));
    if (!made) return E_OUTOFMEMORY;
    const HRESULT hr = made->Start(page);
    if (FAILED(hr)) {
        made->Close();
        return hr;
    }
    host = made;
    return S_OK;
}

HRESULT C_BrowserHost::Start(const std::string& page) {
    HRESULT hr = HtmlEngineAvailable();
    if (FAILED(hr)) return hr;
    hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                          reinterpret_cast<void**>(m_pObject.GetAddressOf()));
    if (FAILED(hr)) return hr;
    if (FAILED(hr = m_pObject->SetClientSite(this))) return hr;
    RECT area = {};
    GetClientRect(m_hWindow, &area);
    if (FAILED(hr = m_pObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, m_hWindow, &area))) return hr;
    if (FAILED(hr = m_pObject.As(&m_pBrowser))) return hr;
    Resize();
    const UniqueBstr url = BstrText(page);
    if (!url.get()) return E_OUTOFMEMORY;
    VARIANT empty;
    VariantInit(&empty);
    return m_pBrowser->Navigate(url.get(), &empty, &empty, &empty, &empty);
}

void C_BrowserHost::Close() {
    if (m_pBrowser) m_pBrowser.Reset();
    if (m_pObject) {
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(m_pObject.As(&inPlace))) inPlace->InPlaceDeactivate();
        m_pObject->Close(OLECLOSE_NOSAVE);
        m_pObject->SetClientSite(nullptr);
        m_pObject.Reset();
    }
}

void C_BrowserHost::Resize() {
    if (!m_pBrowser) return;
    RECT area = {};
    GetClientRect(m_hWindow, &area);
    m_pBrowser->put_Left(0);
    m_pBrowser->put_Top(0);
    m_pBrowser->put_Width(area.right);
    m_pBrowser->put_Height(area.bottom);
}

STDMETHODIMP C_BrowserHost::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite) *ppv = static_cast<IOleClientSite*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) *ppv = static_cast<IOleInPlaceSite*>(this);
    else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame) *ppv = static_cast<IOleInPlaceFrame*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) C_BrowserHost::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_nRefs)); }

STDMETHODIMP_(ULONG) C_BrowserHost::Release() {
    const LONG left = InterlockedDecrement(&m_nRefs);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP C_BrowserHost::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP C_BrowserHost::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = m_hWindow;
    return S_OK;
}

STDMETHODIMP C_BrowserHost::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                             LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (!frame || !document || !position || !clip || !info) return E_POINTER;
    *frame = this;
    AddRef();
    *document = nullptr;
    GetClientRect(m_hWindow, position);
    GetClientRect(m_hWindow, clip);
    info->fMDIApp = FALSE;
    info->hwndFrame = GetParent(m_hWindow);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}
