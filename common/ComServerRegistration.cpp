#include "common/ComServerRegistration.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <string>

#include "common/RegistryHelpers.h"

namespace {

std::string Key(const char* a, const char* b = nullptr, const char* c = nullptr) {
    std::string key = a;
    for (const char* part : {b, c})
        if (part) (key += '\\') += part;
    return key;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
std::string RegistryGuidText(const GUID& guid) {
    wchar_t wide[40];
    const int length = StringFromGUID2(guid, wide, 40);
    std::string text;
    for (int i = 0; i + 1 < length; ++i) text += static_cast<char>(wide[i]);
    return text;
}

LONG WriteDefault(const std::string& key, const char* text) {
    return RegWriteString(HKEY_CLASSES_ROOT, key.c_str(), nullptr, text);
}

std::string ShortPath(const char* path) {
    char buffer[MAX_PATH];
    DWORD length = GetShortPathNameA(path, buffer, sizeof buffer);
    return (length > 0 && length < sizeof buffer) ? std::string(buffer, length) : std::string(path);
}

LONG RegisterAppId(const LocalServerTable& server) {
    LONG result = WriteDefault(Key("AppID", server.appId), server.appName);
    if (result == ERROR_SUCCESS)
        result = RegWriteString(HKEY_CLASSES_ROOT, Key("AppID", server.exeName).c_str(), "AppID", server.appId);
    return result;
}

LONG RegisterClassEntries(const LocalServerTable& server, const ServedClass& entry, const std::string& module) {
    LONG result = ERROR_SUCCESS;
    auto check = [&result](LONG r) { if (r != ERROR_SUCCESS && result == ERROR_SUCCESS) result = r; };
    const std::string clsid = RegistryGuidText(*entry.clsid);
    const std::string typeLib = RegistryGuidText(*server.typeLibrary.libId);

    check(WriteDefault(entry.progId, entry.displayText));
    check(WriteDefault(Key(entry.progId, "CLSID"), clsid.c_str()));

    check(WriteDefault(entry.versionIndependentProgId, entry.displayText));
    check(WriteDefault(Key(entry.versionIndependentProgId, "CLSID"), clsid.c_str()));
    check(WriteDefault(Key(entry.versionIndependentProgId, "CurVer"), entry.progId));

    const std::string clsidKey = Key("CLSID", clsid.c_str());
    RegDeleteKeyTree(HKEY_CLASSES_ROOT, clsidKey.c_str());
    check(WriteDefault(clsidKey, entry.displayText));
    check(RegWriteString(HKEY_CLASSES_ROOT, clsidKey.c_str(), "AppID", server.appId));
    check(WriteDefault(Key(clsidKey.c_str(), "ProgID"), entry.progId));
    check(WriteDefault(Key(clsidKey.c_str(), "VersionIndependentProgID"), entry.versionIndependentProgId));
    check(WriteDefault(Key(clsidKey.c_str(), "LocalServer32"), module.c_str()));
    check(WriteDefault(Key(clsidKey.c_str(), "TypeLib"), typeLib.c_str()));
    return result;
}

HRESULT LoadAndRegister(const std::string& path) {
    wchar_t widePath[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH)) return HRESULT_FROM_WIN32(GetLastError());
    Microsoft::WRL::ComPtr<ITypeLib> typeLib;
    return LoadTypeLibEx(widePath, REGKIND_REGISTER, &typeLib);
}

// The program's own resources first, then the ".tlb" file beside it.
HRESULT RegisterTypeLibrary(const char* modulePath) {
    const HRESULT fromResources = LoadAndRegister(modulePath);
    if (SUCCEEDED(fromResources)) return fromResources;
    std::string tlbPath = modulePath;
    const size_t dot = tlbPath.find_last_of('.');
    const size_t separator = tlbPath.find_last_of("\\/");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return fromResources;
    tlbPath.replace(dot, std::string::npos, ".tlb");
    if (GetFileAttributesA(tlbPath.c_str()) == INVALID_FILE_ATTRIBUTES) return fromResources;
    return LoadAndRegister(tlbPath);
}

}  // namespace

HRESULT RegisterComServer(const LocalServerTable& server, const char* modulePath) {
    LONG result = RegisterAppId(server);
    if (result != ERROR_SUCCESS) return HRESULT_FROM_WIN32(result);

    const std::string module = ShortPath(modulePath);
    for (const ServedClass& entry : server.classes) {
        result = RegisterClassEntries(server, entry, module);
        if (result != ERROR_SUCCESS) return HRESULT_FROM_WIN32(result);
    }
    return RegisterTypeLibrary(modulePath);
}

HRESULT UnregisterComServer(const LocalServerTable& server) {
    RegDeleteKeyTree(HKEY_CLASSES_ROOT, Key("AppID", server.appId).c_str());
    RegDeleteKeyTree(HKEY_CLASSES_ROOT, Key("AppID", server.exeName).c_str());
    for (const ServedClass& entry : server.classes) {
        RegDeleteKeyTree(HKEY_CLASSES_ROOT, entry.progId);
        RegDeleteKeyTree(HKEY_CLASSES_ROOT, entry.versionIndependentProgId);
        RegDeleteKeyTree(HKEY_CLASSES_ROOT, Key("CLSID", RegistryGuidText(*entry.clsid).c_str()).c_str());
    }
    const ServedTypeLibrary& library = server.typeLibrary;
    return UnRegisterTypeLib(*library.libId, library.majorVersion, library.minorVersion, LOCALE_NEUTRAL,
                             sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
}
