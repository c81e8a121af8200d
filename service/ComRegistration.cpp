#include "service/ComRegistration.h"

#include <oleauto.h>

#include <string>

#include "ZULMan.h"
#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"

namespace {

struct ServedClassEntry {
    const char* clsid;
    const char* progId;
    const char* versionIndependentProgId;
    const char* displayText;
};

const ServedClassEntry kClasses[] = {
    {ProductIds::kZULManagerClsid, "ZULMan.ZULManager.1", "ZULMan.ZULManager", "ZULManager Class"},
    {ProductIds::kDownloadMgrClsid, "ZULMan.DownloadMgr.1", "ZULMan.DownloadMgr", "DownloadMgr Class"},
    {ProductIds::kItemInstallerClsid, "ZULMan.ItemInstaller.1", "ZULMan.ItemInstaller", "ItemInstaller Class"},
};

constexpr char kAppName[] = "ZULMan";
constexpr char kExeName[] = "ZULMan.EXE";

std::string Key(const char* a, const char* b = nullptr, const char* c = nullptr) {
    std::string key = a;
    for (const char* part : {b, c})
        if (part) (key += '\\') += part;
    return key;
}

LONG WriteDefault(const std::string& key, const char* text) {
    return RegWriteString(HKEY_CLASSES_ROOT, key.c_str(), nullptr, text);
}

std::string ShortPath(const char* path) {
    char buffer[MAX_PATH];
    DWORD length = GetShortPathNameA(path, buffer, sizeof buffer);
    return (length > 0 && length < sizeof buffer) ? std::string(buffer, length) : std::string(path);
}

LONG RegisterClassEntries(const ServedClassEntry& entry, const std::string& module) {
    LONG result = ERROR_SUCCESS;
    auto check = [&result](LONG r) { if (r != ERROR_SUCCESS && result == ERROR_SUCCESS) result = r; };

    check(WriteDefault(entry.progId, entry.displayText));
    check(WriteDefault(Key(entry.progId, "CLSID"), entry.clsid));

    check(WriteDefault(entry.versionIndependentProgId, entry.displayText));
    check(WriteDefault(Key(entry.versionIndependentProgId, "CLSID"), entry.clsid));
    check(WriteDefault(Key(entry.versionIndependentProgId, "CurVer"), entry.progId));

    const std::string clsidKey = Key("CLSID", entry.clsid);
    RegDeleteKeyTree(HKEY_CLASSES_ROOT, clsidKey.c_str());
    check(WriteDefault(clsidKey, entry.displayText));
    check(RegWriteString(HKEY_CLASSES_ROOT, clsidKey.c_str(), "AppID", ProductIds::kZULManAppId));
    check(WriteDefault(Key(clsidKey.c_str(), "ProgID"), entry.progId));
    check(WriteDefault(Key(clsidKey.c_str(), "VersionIndependentProgID"), entry.versionIndependentProgId));
    check(WriteDefault(Key(clsidKey.c_str(), "LocalServer32"), module.c_str()));
    check(WriteDefault(Key(clsidKey.c_str(), "TypeLib"), ProductIds::kZULManTypeLib));
    return result;
}

HRESULT RegisterTypeLibrary(const char* modulePath) {
    wchar_t widePath[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, modulePath, -1, widePath, MAX_PATH)) return HRESULT_FROM_WIN32(GetLastError());
    ITypeLib* typeLib = nullptr;
    HRESULT hr = LoadTypeLibEx(widePath, REGKIND_REGISTER, &typeLib);
    if (typeLib) typeLib->Release();
    return hr;
}

HRESULT UnregisterTypeLibrary() {
    return UnRegisterTypeLib(LIBID_ZULMANLib, 1, 0, LOCALE_NEUTRAL, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
}

}  // namespace

HRESULT RegisterComEntries(const char* modulePath) {
    const std::string appIdKey = Key("AppID", ProductIds::kZULManAppId);
    LONG result = WriteDefault(appIdKey, kAppName);
    if (result == ERROR_SUCCESS)
        result = RegWriteString(HKEY_CLASSES_ROOT, Key("AppID", kExeName).c_str(), "AppID", ProductIds::kZULManAppId);
    if (result != ERROR_SUCCESS) return HRESULT_FROM_WIN32(result);

    const std::string module = ShortPath(modulePath);
    for (const ServedClassEntry& entry : kClasses) {
        result = RegisterClassEntries(entry, module);
        if (result != ERROR_SUCCESS) return HRESULT_FROM_WIN32(result);
    }
    return RegisterTypeLibrary(modulePath);
}

HRESULT UnregisterComEntries(const char*) {
    RegDeleteKeyTree(HKEY_CLASSES_ROOT, Key("AppID", ProductIds::kZULManAppId).c_str());
    RegDeleteKeyTree(HKEY_CLASSES_ROOT, Key("AppID", kExeName).c_str());
    for (const ServedClassEntry& entry : kClasses) {
        RegDeleteKeyTree(HKEY_CLASSES_ROOT, entry.progId);
        RegDeleteKeyTree(HKEY_CLASSES_ROOT, entry.versionIndependentProgId);
        RegDeleteKeyTree(HKEY_CLASSES_ROOT, Key("CLSID", entry.clsid).c_str());
    }
    return UnregisterTypeLibrary();
}
