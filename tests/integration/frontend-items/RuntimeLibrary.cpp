// A runtime file of the front-end's item tests: a library whose version resource carries
// RUNTIME_VERSION and whose DllRegisterServer records that version under HKLM
// "Software\Tessary\RuntimeTest", value "Registered" (appended, one "VERSION;" per call).
#include <windows.h>

#include <string>

#define RUNTIME_TEXT2(x) #x
#define RUNTIME_TEXT(x) RUNTIME_TEXT2(x)

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tessary\\RuntimeTest", 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return E_FAIL;
    char old[256] = {};
    DWORD size = sizeof old - 1;
    if (RegQueryValueExA(key, "Registered", nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) != ERROR_SUCCESS)
        old[0] = '\0';
    const std::string text = std::string(old) + RUNTIME_TEXT(RUNTIME_VERSION_TEXT) + ";";
    RegSetValueExA(key, "Registered", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
    return S_OK;
}
