#include "frontend/InternetShortcut.h"

#include <intshcut.h>
#include <wrl/client.h>

#include <vector>

#include "common/Handles.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr CLSID kInternetShortcutClass = {0xFBF23B40, 0xE3F0, 0x101B, {0x84, 0x88, 0x00, 0xAA, 0x00, 0x3E, 0x56, 0xF8}};
constexpr IID kUniformResourceLocatorA = {0xFBF23B80, 0xE3F0, 0x101B, {0x84, 0x88, 0x00, 0xAA, 0x00, 0x3E, 0x56, 0xF8}};
constexpr int kLinkPathChars = 1024;

}  // namespace

HRESULT CreateInternetShortcut(const char* link, const char* url) {
    if (!link || !url) return E_INVALIDARG;
    ComScope com;
    if (FAILED(com.result()) && com.result() != RPC_E_CHANGED_MODE) return com.result();

    ComPtr<IUniformResourceLocatorA> locator;
    HRESULT hr = CoCreateInstance(kInternetShortcutClass, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                  kUniformResourceLocatorA, reinterpret_cast<void**>(locator.GetAddressOf()));
    if (FAILED(hr)) return hr;
    if (FAILED(hr = locator->SetURL(url, 0))) return hr;
    ComPtr<IPersistFile> file;
    if (FAILED(hr = locator->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.GetAddressOf()))))
        return hr;
    std::vector<wchar_t> wide(kLinkPathChars, L'\0');
    if (!MultiByteToWideChar(CP_ACP, 0, link, -1, wide.data(), kLinkPathChars)) return HRESULT_FROM_WIN32(GetLastError());
    return file->Save(wide.data(), TRUE);
}
