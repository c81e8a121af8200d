#include "common/LeftoverRegistrations.h"

#include <windows.h>

#include "common/Handles.h"
#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"
#include "common/TextCompare.h"
#include "common/VelorinIds.h"

namespace {

constexpr char kClassesKey[] = "Software\\Classes\\";
constexpr char kProxyLibrary[] = "ZULManps.dll";

// Keys under "Software\Classes" that the two programs' registrations write.
constexpr const char* kComKeys[] = {
    "CLSID\\{A8A29C11-24A3-2E3D-2CDA-E9F333B92BB5}", "CLSID\\{17179814-FAD5-235E-BC1A-1306E659E09B}",
    "CLSID\\{4E59C901-9B5D-696D-8AA0-72B505A594B0}", "CLSID\\{1E43FD7B-E567-202F-9675-EBFC99A584C9}",
    "AppID\\{4A4724EA-E7FE-68E6-7AC9-BF18DEC0FC20}", "AppID\\ZULMan.EXE",
    "AppID\\{AB1D659E-3CD2-13E8-5A8D-E6EABF0E0DB4}", "AppID\\ZULVelorin.EXE",
    "ZULMan.ZULManager.1", "ZULMan.ZULManager", "ZULMan.DownloadMgr.1", "ZULMan.DownloadMgr",
    "ZULMan.ItemInstaller.1", "ZULMan.ItemInstaller", "ZULVelorin.ItemInstaller_Velo.1",
    "ZULVelorin.ItemInstaller_Velo", "TypeLib\\{A61098A6-5B86-7FFB-191D-AB5448C5830D}",
    "TypeLib\\{D584FC7E-C938-2AC4-74AA-AAFB56FDF393}"};

bool KeyExists(const std::string& path) {
    UniqueRegKey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

bool DeleteKeyIfPresent(const std::string& path) {
    return KeyExists(path) && RegDeleteKeyTree(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS;
}

bool DeleteValueIfPresent(const char* key, const char* name) {
    char value[2048];
    return RegReadValue(HKEY_LOCAL_MACHINE, key, name, value, sizeof value) == ERROR_SUCCESS &&
           RegDeleteValueOf(HKEY_LOCAL_MACHINE, key, name) == ERROR_SUCCESS;
}

std::string DefaultValue(const std::string& key) {
    char value[MAX_PATH * 2] = {};
    return RegReadValue(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, value, sizeof value) == ERROR_SUCCESS ? value : "";
}

bool EndsWithNoCase(const std::string& text, const char* tail) {
    const std::string_view wanted(tail);
    return text.size() >= wanted.size() && EqualsNoCase(std::string_view(text).substr(text.size() - wanted.size()), wanted);
}

// Interfaces whose proxy/stub class is served by the system's proxy/stub library, and that class.
bool DeleteProxyRegistrations() {
    const std::string interfaces = std::string(kClassesKey) + "Interface";
    std::vector<std::string> iids, proxyClasses;
    UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, interfaces.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        const std::string proxy = DefaultValue(interfaces + "\\" + name + "\\ProxyStubClsid32");
        const std::string server = DefaultValue(std::string(kClassesKey) + "CLSID\\" + proxy + "\\InprocServer32");
        if (!proxy.empty() && EndsWithNoCase(server, kProxyLibrary)) {
            iids.emplace_back(name);
            proxyClasses.push_back(proxy);
        }
    }
    key.reset();
    for (const std::string& iid : iids) (void)DeleteKeyIfPresent(interfaces + "\\" + iid);
    for (const std::string& proxy : proxyClasses) (void)DeleteKeyIfPresent(std::string(kClassesKey) + "CLSID\\" + proxy);
    return !iids.empty();
}

}  // namespace

std::vector<std::string> RemoveLeftoverRegistrations() {
    std::vector<std::string> removed;
    if (DeleteKeyIfPresent(ProductKeys::kUninstallZUL)) removed.emplace_back(leftover_text::kEntry);
    const bool manager = DeleteValueIfPresent(ProductKeys::kRun, "ZULM");
    const bool frontEnd = DeleteValueIfPresent(ProductKeys::kRun, VelorinIds::kProgramName);
    if (manager || frontEnd) removed.emplace_back(leftover_text::kRunValues);
    bool classes = false;
    for (const char* key : kComKeys) classes = DeleteKeyIfPresent(std::string(kClassesKey) + key) || classes;
    classes = DeleteProxyRegistrations() || classes;
    if (classes) removed.emplace_back(leftover_text::kClasses);
    return removed;
}
