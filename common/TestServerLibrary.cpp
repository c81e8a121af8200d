// Library of the self-registration tests: its DllRegisterServer answers S_OK only when it is
// called with COM initialised (single-threaded) and with its own directory current. It has no
// DllUnregisterServer.
#include <windows.h>
#include <objbase.h>

#include <cstring>

namespace {

HMODULE g_module = nullptr;

bool ComIsInitialised() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(hr)) CoUninitialize();
    return hr == S_FALSE;
}

bool OwnDirectoryIsCurrent() {
    char module[MAX_PATH];
    char current[MAX_PATH];
    if (!GetModuleFileNameA(g_module, module, sizeof module)) return false;
    if (!GetCurrentDirectoryA(sizeof current, current)) return false;
    char* separator = std::strrchr(module, '\\');
    if (!separator) return false;
    *separator = '\0';
    return lstrcmpiA(module, current) == 0;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
    if (!ComIsInitialised()) return CO_E_NOTINITIALIZED;
    if (!OwnDirectoryIsCurrent()) return HRESULT_FROM_WIN32(ERROR_CURRENT_DIRECTORY);
    return S_OK;
}
