#include "frontend/PartnerMigration.h"

#include <windows.h>

#include <wrl/client.h>

#include <optional>
#include <string>

#include "common/DiagnosticLog.h"
#include "common/Handles.h"
#include "common/InterfaceText.h"
#include "common/JoinedPath.h"
#include "common/PathHelpers.h"
#include "common/RegistryHelpers.h"
#include "frontend/ChannelRecord.h"
#include "frontend/FolderPlaces.h"
#include "frontend/ProgramWaits.h"
#include "frontend/StartMenuBuilder.h"

using Microsoft::WRL::ComPtr;

namespace {

// Block text of a preset: the first "%s" takes "1" or "0" (subscribe), the second the
// front-end's own folder.
constexpr char kDesktopPreset[] =
    "DP\n{\n   GUID={926F069D-86ED-D25A-62DE-04BFF8258257}\n   Name=KV Desktop\n}\n"
    "Channel\n{\n   GUID={9D406394-BD56-70FD-BC9D-878734DB1AB6}\n   Name=KV Desktop Games Channel\n"
    "   MenuName=Programs\\Ludora\n   DP={926F069D-86ED-D25A-62DE-04BFF8258257}\n"
    "   FileSets={1BE3A785-8017-545C-62F3-D5C10ACC50BD}\n   Subscribe=%s\n   DistID=RVN-migration\n}\n"
    "FileSet\n{\n   GUID={1BE3A785-8017-545C-62F3-D5C10ACC50BD}\n   Name=KV Desktop Games Channel Files\n"
    "   SourceURL=%s\\Migration\\{1BE3A785-8017-545C-62F3-D5C10ACC50BD}.fileset\n}\n";
constexpr char kLaptopPreset[] =
    "DP\n{\n   GUID={491DAF3F-7C1E-2006-73A7-AE0ED8B87D68}\n   Name=KV Laptop\n}\n"
    "Channel\n{\n   GUID={44C3F1E5-A415-41C4-568A-B08BD4CE11A5}\n   Name=KV Laptop Ludora\n"
    "   MenuName=Programs\\Ludora\n   DP={491DAF3F-7C1E-2006-73A7-AE0ED8B87D68}\n"
    "   FileSets={13798FCF-C5C1-F702-640D-B7BA53A1B88A}\n   Subscribe=%s\n   DistID=RVN-migration\n}\n"
    "FileSet\n{\n   GUID={13798FCF-C5C1-F702-640D-B7BA53A1B88A}\n   Name=KV Laptop Ludora Files\n"
    "   SourceURL=%s\\Migration\\{13798FCF-C5C1-F702-640D-B7BA53A1B88A}.fileset\n}\n";

struct PartnerPreset {
    const char* oldKey;
    const char* oldUpdaterApp;
    const char* channelGuid;
    const char* presetText;
};

constexpr PartnerPreset kPresets[] = {
    {"Software\\Tessary\\Velorin\\KV\\Games", "KVGamesVelorin", "{9D406394-BD56-70FD-BC9D-878734DB1AB6}", kDesktopPreset},
    {"Software\\Tessary\\Velorin\\KVLaptop\\Games", "KVLaptopGamesVelorin", "{44C3F1E5-A415-41C4-568A-B08BD4CE11A5}",
     kLaptopPreset},
};

std::optional<std::string> ReadOld(const char* key, const char* name) {
    std::string value;
    if (RegReadString(HKEY_LOCAL_MACHINE, key, name, value) != ERROR_SUCCESS) return std::nullopt;
    return value;
}

// The preset with its two placeholders filled, in order.
std::string FillPreset(const char* text, const char* subscribe, const std::string& ownPath) {
    std::string filled = text;
    for (const std::string& piece : {std::string(subscribe), ownPath}) {
        size_t at = filled.find("%s");
        if (at == std::string::npos) break;
        filled.replace(at, 2, piece);
    }
    return filled;
}

void RecordPresetChannel(I_ZULManager* manager, const std::string& text) {
    ComPtr<I_ResponseData> response;
    ZULError ret = ZULERR_SUCCESS;
    if (manager->GetResponseData(response.GetAddressOf(), &ret) != S_OK || ret != ZULERR_SUCCESS || !response) return;
    if (response->LoadMem(InText(text.c_str()), &ret) != S_OK || ret != ZULERR_SUCCESS) return;
    manager->ProcessResponseData(response.Get(), &ret);
}

void DeleteOldShortcuts(const std::string& mainMenu) {
    WIN32_FIND_DATAA entry;
    UniqueFindHandle find(FindFirstFileA(JoinedPath(mainMenu, "*.lnk").c_str(), &entry));
    if (!find) return;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            const std::string link = JoinedPath(mainMenu, entry.cFileName);
            SetFileAttributesA(link.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(link.c_str());
        }
    } while (FindNextFileA(find.get(), &entry));
}

// Whether deleting folder would delete the front-end's own folder or the running program's (an
// old install overwritten in place, or one that held the new one).
bool HoldsOwnFolder(const std::string& folder, const VelorinSettings& settings) {
    std::string running = ModuleFileName();
    running.resize(running.find_last_of("\\/") == std::string::npos ? 0 : running.find_last_of("\\/"));
    for (const std::string& own : {settings.path.value_or(std::string()), running}) {
        if (!own.empty() && (SamePlace(folder, own) || IsInsidePlace(own, folder))) return true;
    }
    return false;
}

}  // namespace

int MigratePartnerMenus(I_ZULManager* manager, const VelorinSettings& settings) {
    const C_StartMenuBuilder builder(settings);
    bool subscribe = true;  // shared by both presets: one old front-end with updates off clears it
    for (const PartnerPreset& preset : kPresets) {
        const std::optional<std::string> oldExe = ReadOld(preset.oldKey, "Exe");
        if (!oldExe) continue;

        const std::string oldPath = ReadOld(preset.oldKey, "Path").value_or("");
        // The old front-end only tidies its folders first; the migration does not need it.
        LogIfFalse("old front-end check directories", oldExe->c_str(), RunProgramBounded(*oldExe, "-CheckDirectories"));
        const std::string mainMenu = ReadOld(preset.oldKey, "MainMenu").value_or("");

        char updatesEnabled[64] = {};
        GetPrivateProfileStringA("Velorin", "UpdatesEnabled", "true", updatesEnabled, sizeof updatesEnabled,
                                 JoinedPath(oldPath, "Velorin.ini").c_str());
        if (lstrcmpiA(updatesEnabled, "false") == 0) subscribe = false;

        RecordPresetChannel(manager, FillPreset(preset.presetText, subscribe ? "1" : "0", settings.path.value_or("")));
        ComPtr<I_ChannelInfo> channel;
        if (OpenChannel(manager, preset.channelGuid, channel) == ZULERR_SUCCESS)
            LogIfCodeFailed("ensure channel menu", preset.channelGuid, builder.EnsureChannelMenu(channel.Get()));

        if (!mainMenu.empty()) {
            DeleteDirectoryTree(JoinedPath(mainMenu, "Options").c_str());
            DeleteOldShortcuts(mainMenu);
        }
        LogIfCodeFailed("updater unregister old front-end", preset.oldUpdaterApp,
                        static_cast<uint32_t>(RunUpdaterBounded("-unregisterapp " + std::string(preset.oldUpdaterApp))));
        if (!oldPath.empty() && !HoldsOwnFolder(oldPath, settings)) DeleteDirectoryTree(oldPath.c_str());
        RegDeleteKeyTree(HKEY_LOCAL_MACHINE, preset.oldKey);
    }
    return 0;
}
