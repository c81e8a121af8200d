#include "service/Registration.h"

#include <wrl/client.h>

#include <string>

#include "ZULMan.h"
#include "common/CommaList.h"
#include "common/Handles.h"
#include "common/JoinedPath.h"
#include "common/PathHelpers.h"
#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"
#include "common/SelfRegistration.h"
#include "common/ComServerRegistration.h"
#include "service/ManagerServer.h"
#include "service/DistIdText.h"
#include "service/PresetChannels.h"
#include "service/UpdaterRegistration.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kProxyStubLibrary[] = "ZULManps.dll";
constexpr char kUninstallProgram[] = "Uninstall.exe";
constexpr char kDistIdFile[] = "distid.dat";

std::string ModulePath() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return (length > 0 && length < sizeof path) ? std::string(path, length) : std::string();
}

std::string SiblingOfModule(const std::string& modulePath, const char* name) {
    size_t separator = modulePath.find_last_of("\\/");
    return separator == std::string::npos ? std::string(name) : JoinedPath(modulePath.substr(0, separator), name);
}

void WriteRunValue(const std::string& managerDir) {
    std::string command(1, '"');
    command += JoinedPath(managerDir, kManagerProgramFile);
    command += "\" -Background";
    RegWriteString(HKEY_LOCAL_MACHINE, ProductKeys::kRun, "ZULM", command.c_str());
}

void WriteUninstallEntry(const std::string& managerDir) {
    const std::string uninstaller = JoinedPath(managerDir, kUninstallProgram);
    RegWriteString(HKEY_LOCAL_MACHINE, ProductKeys::kUninstallZUL, "DisplayName", "Tessary Channel Manager");
    // Quoted: the manager directory normally lies under "Program Files", and an unquoted path
    // with blanks lets the list of installed programs start "C:\Program.exe" first.
    RegWriteString(HKEY_LOCAL_MACHINE, ProductKeys::kUninstallZUL, "UninstallString", ("\"" + uninstaller + "\"").c_str());
    RegWriteString(HKEY_LOCAL_MACHINE, ProductKeys::kUninstallZUL, "DisplayIcon", (uninstaller + ",0").c_str());
}

// Stores the trimmed text of "distid.dat" as "DistID"; the file is deleted also when it could not
// be read.
void ImportDistId(const std::string& managerDir) {
    const std::string path = JoinedPath(managerDir, kDistIdFile);
    if (!FileExists(path.c_str())) return;
    std::unique_ptr<char[]> text;
    if (ReadWholeFile(path.c_str(), text)) {
        const std::string distId = TrimDistIdText(std::string_view(text.get(), strlen(text.get())));
        RegWriteString(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, ProductKeys::kDistID, distId.c_str());
    }
    DeleteFileA(path.c_str());
}

std::string ManagerDirectoryOf(I_ZULManager* manager) {
    CoTaskMemString dir;
    ZULError ret = ZULERR_FAILED;
    if (manager->GetZULManagerDir(dir.put(), &ret) != S_OK || ret != ZULERR_SUCCESS) return std::string();
    return dir.c_str();
}

}  // namespace

HRESULT RegisterServer() {
    const std::string modulePath = ModulePath();
    HRESULT hr = RegisterFile(SiblingOfModule(modulePath, kProxyStubLibrary).c_str());
    if (FAILED(hr)) return hr;

    const HRESULT result = RegisterComServer(ManagerServer(), modulePath.c_str());

    ComPtr<I_ZULManager> manager;
    if (FAILED(CreateServedObject(ManagerServer(), CLSID_ZULManager, IID_I_ZULManager, &manager))) return result;
    const std::string managerDir = ManagerDirectoryOf(manager.Get());
    ZULError ret = ZULERR_FAILED;
    manager->RegisterItemInstaller(const_cast<char*>(ProductIds::kDefaultItemType),
                                   const_cast<char*>(ProductIds::kZULManagerClsid), &ret);
    SubscribePresetChannels(manager.Get());
    manager.Reset();

    WriteRunValue(managerDir);
    WriteUninstallEntry(managerDir);
    ImportDistId(managerDir);
    return result;
}

HRESULT UnregisterServer() {
    const std::string modulePath = ModulePath();
    RegDeleteValueOf(HKEY_LOCAL_MACHINE, ProductKeys::kRun, "ZULM");
    LeaveUpdater();

    ComPtr<I_ZULManager> manager;
    if (SUCCEEDED(CreateServedObject(ManagerServer(), CLSID_ZULManager, IID_I_ZULManager, &manager))) {
        ZULError ret = ZULERR_FAILED;
        manager->UnregisterItemInstaller(const_cast<char*>(ProductIds::kDefaultItemType),
                                         const_cast<char*>(ProductIds::kZULManagerClsid), &ret);
        manager.Reset();
    }

    // The exit code is the proxy/stub library's unregistration, not this one.
    (void)UnregisterComServer(ManagerServer());
    return UnregisterFile(SiblingOfModule(modulePath, kProxyStubLibrary).c_str());
}
