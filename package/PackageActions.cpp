// Custom actions of the installation package (a DLL carried inside the package, never installed).
//   HandOverPresets      before the manager registers: records its directory as "Path", and
//                        hands over the package's SUBSCRIBEDCHANNELS and DISTID properties where
//                        the registration reads them ("SubscribedChannels", "distid.dat").
//   RemoveRegistrationLeftovers  on removal, after both programs unregistered: deletes what their
//                        unregistration leaves for the installer, the uninstall entry "TessaryZUL"
//                        and the front-end's Run value.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

#include "common/Handles.h"
#include "common/JoinedPath.h"
#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"
#include "frontend/VelorinIds.h"
#include "package/PresetsData.h"

namespace {

constexpr char kDistIdFile[] = "distid.dat";

// The deferred action's data: the text that the package formatted for it when it scheduled it.
std::string CustomActionData(MSIHANDLE install) {
    DWORD length = 0;
    char empty[1] = "";
    if (MsiGetPropertyA(install, "CustomActionData", empty, &length) != ERROR_MORE_DATA) return {};
    std::string data(length + 1, '\0');
    length = static_cast<DWORD>(data.size());
    if (MsiGetPropertyA(install, "CustomActionData", data.data(), &length) != ERROR_SUCCESS) return {};
    data.resize(length);
    return data;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall HandOverPresets(MSIHANDLE install) {
    const PresetsData presets = ParsePresetsData(CustomActionData(install));
    if (presets.directory.empty()) return ERROR_INSTALL_FAILURE;
    if (RegWriteString(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, ProductKeys::kPath, presets.directory.c_str()) !=
        ERROR_SUCCESS)
        return ERROR_INSTALL_FAILURE;
    if (!presets.channels.empty() &&
        RegWriteString(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, ProductKeys::kSubscribedChannels,
                       presets.channels.c_str()) != ERROR_SUCCESS)
        return ERROR_INSTALL_FAILURE;
    if (!presets.distId.empty()) {
        std::string distIdPath;
        if (!JoinedPath(presets.directory, kDistIdFile, distIdPath) || !WriteTextFile(distIdPath, presets.distId))
            return ERROR_INSTALL_FAILURE;
    }
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall RemoveRegistrationLeftovers(MSIHANDLE) {
    const auto gone = [](LONG result) { return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND; };
    const bool entryGone = gone(RegDeleteKeyTree(HKEY_LOCAL_MACHINE, ProductKeys::kUninstallZUL));
    const bool runValueGone = gone(RegDeleteValueOf(HKEY_LOCAL_MACHINE, ProductKeys::kRun, VelorinIds::kProgramName));
    return entryGone && runValueGone ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}
