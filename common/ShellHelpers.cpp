#include "common/ShellHelpers.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "common/Handles.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kOpenVerb[] = "open";
constexpr int kWidePathSize = MAX_PATH;

bool IsGiven(const char* text) { return text && *text; }

// Fills the link's fields; each must succeed for the next.
HRESULT DescribeLink(IShellLinkA* link, const char* target, const char* arguments, const char* workingDir,
                     const char* description, const char* iconPath, int iconIndex) {
    HRESULT hr = link->SetPath(target);
    if (SUCCEEDED(hr)) hr = link->SetArguments(arguments);
    if (SUCCEEDED(hr)) hr = link->SetWorkingDirectory(workingDir);
    if (SUCCEEDED(hr) && description) hr = link->SetDescription(description);
    if (SUCCEEDED(hr) && IsGiven(iconPath)) hr = link->SetIconLocation(iconPath, iconIndex);
    return hr;
}

HRESULT SaveLink(IShellLinkA* link, const char* shortcutPath) {
    ComPtr<IPersistFile> file;
    HRESULT hr = link->QueryInterface(IID_PPV_ARGS(&file));
    if (FAILED(hr)) return hr;
    wchar_t widePath[kWidePathSize];
    // A path too long for the buffer is refused rather than cut.
    if (!MultiByteToWideChar(CP_ACP, 0, shortcutPath, -1, widePath, kWidePathSize))
        return HRESULT_FROM_WIN32(GetLastError());
    return file->Save(widePath, TRUE);
}

}  // namespace

bool ShellOpen(const char* directory, const char* file, const char* parameters) {
    if (!file) return false;
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_FLAG_DDEWAIT;
    info.lpVerb = kOpenVerb;
    info.lpFile = file;
    info.lpParameters = parameters;
    info.lpDirectory = directory;
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExA(&info) != FALSE;
}

HRESULT CreateShortcut(const char* shortcutPath, const char* target, const char* arguments,
                       const char* workingDir, const char* description, const char* iconPath,
                       int iconIndex) {
    if (!shortcutPath || !target || !arguments || !workingDir) return S_OK;
    ComScope com;
    // A thread already in the multithreaded apartment can use the shell-link object as it is.
    if (FAILED(com.result()) && com.result() != RPC_E_CHANGED_MODE) return com.result();

    ComPtr<IShellLinkA> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                  IID_PPV_ARGS(&link));
    if (SUCCEEDED(hr)) hr = DescribeLink(link.Get(), target, arguments, workingDir, description, iconPath, iconIndex);
    if (SUCCEEDED(hr)) hr = SaveLink(link.Get(), shortcutPath);
    return hr;
}
