#include "frontend/ApplicationItems.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "common/DiagnosticLog.h"
#include "common/JoinedPath.h"
#include "common/PathHelpers.h"
#include "common/ProductKeys.h"
#include "common/RecordProperties.h"
#include "common/RegistryHelpers.h"
#include "common/SelfRegistration.h"
#include "common/ShellHelpers.h"
#include "common/TextCompare.h"
#include "frontend/Agreements.h"
#include "frontend/ChannelRecord.h"
#include "frontend/FolderPlaces.h"
#include "frontend/InternetShortcut.h"
#include "frontend/ItemRecord.h"
#include "frontend/ItemTexts.h"
#include "frontend/MenuText.h"
#include "frontend/NotificationItems.h"
#include "frontend/RuntimeFiles.h"
#include "frontend/ServerPaths.h"
#include "frontend/StartMenuBuilder.h"
#include "common/VelorinIds.h"
#include "ui/MessageBoxes.h"

using Microsoft::WRL::ComPtr;
using namespace ItemTexts;

namespace {

std::string FillName(const char* format, const std::string& name) {
    std::vector<char> text(std::strlen(format) + name.size() + 1);
    std::snprintf(text.data(), text.size(), format, name.c_str());
    return text.data();
}

bool AskYesNo(const std::string& text, const std::string& caption) {
    return ui::ShowMessage(nullptr, text, caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool Present(I_ZULItem* item, const char* name, std::string& value) {
    return ReadItemProp(item, name, value) == ZULERR_SUCCESS && !value.empty();
}

// The games folder + the channel's display name + the item's name.
bool InstallationFolder(const std::string& channelName, const std::string& itemName, std::string& out) {
    std::string games;
    if (!GamesFolder(games)) return false;
    out = JoinedPath(JoinedPath(games, channelName), itemName);
    return true;
}

// Removes the folders an installation created above its own, from the channel's folder up to the
// games folder, as long as each is empty.
void RemoveEmptyGameFolders(const std::string& installDir) {
    std::string games;
    if (!GamesFolder(games)) return;
    std::string folder = installDir;
    for (;;) {
        const size_t cut = folder.find_last_of("\\/");
        if (cut == std::string::npos) return;
        folder.resize(cut);
        if (!StartsWithNoCase(folder, games) || (folder.size() > games.size() && folder[games.size()] != '\\'))
            return;
        if (!RemoveDirectoryA(folder.c_str()) || folder.size() == games.size()) return;
    }
}

// The hand-written form, for a system without the Internet-shortcut object.
bool WriteInternetShortcutFile(const std::string& path, const std::string& url) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "[InternetShortcut]\r\nURL=" << url << "\r\n";
    return static_cast<bool>(out.flush());
}

bool WriteInternetShortcut(const std::string& path, const std::string& url) {
    const HRESULT hr = CreateInternetShortcut(path.c_str(), url.c_str());
    if (hr == REGDB_E_CLASSNOTREG || hr == CLASS_E_CLASSNOTAVAILABLE || hr == CO_E_SERVER_EXEC_FAILURE)
        return WriteInternetShortcutFile(path, url);
    return SUCCEEDED(hr);
}

// The Play, Help and web-site shortcuts, each under its condition, in that order.
bool CreateItemShortcuts(I_ZULItem* item, const std::string& name, const std::string& itemDir,
                         const std::string& installDir) {
    std::string launchFile, helpFile, website;
    if (Present(item, RecordProps::kLaunchFile, launchFile)) {
        std::string launchArgs;
        if (ReadItemProp(item, RecordProps::kLaunchArgs, launchArgs) != ZULERR_SUCCESS) launchArgs.clear();
        const std::string target = JoinedPath(installDir, launchFile);
        if (FAILED(CreateShortcut(JoinedPath(itemDir, "Play " + name + ".lnk").c_str(), target.c_str(), launchArgs.c_str(),
                                  installDir.c_str(), nullptr, target.c_str(), 0)))
            return false;
    }
    if (Present(item, RecordProps::kHelpFile, helpFile)) {
        const std::string target = JoinedPath(installDir, helpFile);
        if (FAILED(CreateShortcut(JoinedPath(itemDir, "Help.lnk").c_str(), target.c_str(), "", installDir.c_str(), nullptr,
                                  nullptr, 0)))
            return false;
    }
    if (Present(item, RecordProps::kWebsiteURL, website) && !WriteInternetShortcut(JoinedPath(itemDir, "Visit Website.url"), website))
        return false;
    return true;
}

// "tyinstall": the runtime installer brought by the item, else the maker's, else empty.
void RecordRuntimeInstaller(I_ZULItem* item, const std::string& installDir) {
    std::string setKey;
    const bool wanted = ReadItemProp(item, RecordProps::kSetKSInstallKey, setKey) != ZULERR_SUCCESS || !EqualsNoCase(setKey, "0");
    if (wanted) {
        std::string found = JoinedPath(installDir, kRuntimeInstaller);
        if (!FileExists(found.c_str())) {
            found = JoinedPath(GetMakerDirectory(), kMakerRuntimeInstaller);
            if (!FileExists(found.c_str())) found.clear();
        }
        LogIfCodeFailed("record runtime installer", found.c_str(), WriteItemProp(item, RecordProps::kTyInstall, found));
    }
    // A leftover request only repeats the choice made above at the next install.
    LogIfCodeFailed("remove item property SetKSInstallKey", nullptr, RemoveItemPropIfPresent(item, RecordProps::kSetKSInstallKey));
}

void SetDefault(I_ZULItem* item, const char* name, const char* value) {
    std::string current;
    if (ReadItemProp(item, name, current) != ZULERR_SUCCESS)
        LogIfCodeFailed("write item default", name, WriteItemProp(item, name, value));
}

// The item's Start-menu folder: "MenuDir" when it is a folder the front-end made for the item,
// else the folder holding the item's marker file; empty when there is none.
std::string ItemMenuFolder(I_ZULItem* item, const std::string& guid) {
    std::string menuDir, marked;
    const std::string markerName = MenuText::MarkerFileNameFor(guid);
    if (ReadItemProp(item, RecordProps::kMenuDir, menuDir) == ZULERR_SUCCESS && IsMarkedMenuFolder(menuDir, markerName))
        return menuDir;
    const std::string startMenu = StartMenuDirectory();
    if (!startMenu.empty() && FindMarkedFolder(startMenu, guid, marked)) return marked;
    return std::string();
}

}  // namespace

Outcome ResolveFamilyConflicts(I_ZULManager* manager, I_ZULItem* item, const std::string& name) {
    std::string family, guid;
    if (ZULError e = ReadItemProp(item, RecordProps::kFamily, family)) return e == ZULERR_NOT_FOUND ? Succeeded() : Failed(e);
    // Without its id the item only cannot recognise its own record below.
    LogIfCodeFailed("read item property Guid", nullptr, ReadItemProp(item, RecordProps::kGuid, guid));

    struct Walk {
        const char* type;
        const char* question;
        ZULError refused;
    };
    const Walk walks[] = {{VelorinIds::kDemoItemType, kDemoConflictQuestion, ZULERR_ALREADY_INSTALLED_DEMO},
                          {VelorinIds::kApplicationItemType, kFamilyConflictQuestion, ZULERR_ALREADY_INSTALLED_FAM}};
    for (const Walk& walk : walks) {
        bool refused = false;
        // A walk that fails part-way finds fewer conflicts; the install goes on as it would without them.
        LogIfCodeFailed("walk items of type", walk.type, ForEachItemOfType(manager, walk.type, [&](I_ZULItem* other) {
            std::string otherFamily, otherGuid;
            if (ReadItemProp(other, RecordProps::kFamily, otherFamily) != ZULERR_SUCCESS || !EqualsNoCase(otherFamily, family))
                return true;
            // A reinstall finds the item's own record: that is no other version.
            if (ReadItemProp(other, RecordProps::kGuid, otherGuid) == ZULERR_SUCCESS && EqualsNoCase(otherGuid, guid)) return true;
            if (!AskYesNo(walk.question, name)) {
                refused = true;
                return false;
            }
            const Outcome removed = UninstallApplicationItem(other, true);
            if (!ItemDone(removed)) LogIfCodeFailed("uninstall other version", family.c_str(), removed.ret);
            return true;
        }));
        if (refused) return Failed(walk.refused);
    }
    return Succeeded();
}

Outcome InstallApplicationItem(I_ZULManager* manager, const VelorinSettings& settings, I_ZULItem* item,
                                   bool silent) {
    std::string name, guid, installed;
    if (ZULError e = ReadItemProp(item, RecordProps::kName, name)) return Failed(e);
    if (ZULError e = ReadItemProp(item, RecordProps::kGuid, guid)) return Failed(e);
    // Both end up in folder names and in the folder trees an uninstall deletes.
    if (!ServerPaths::IsPlainName(name) || !ServerPaths::IsPlainName(guid)) return Failed(ZULERR_INVALID_ARGUMENT);
    if (ReadItemProp(item, RecordProps::kInstalled, installed) == ZULERR_SUCCESS) {
        if (!silent && !AskYesNo(kReinstallQuestion, name)) return Failed(ZULERR_ALREADY_INSTALLED);
        // The record is written anew below.
        LogIfCodeFailed("delete item record", guid.c_str(), DeleteItemInfo(item));
    }

    std::string channelGuid, channelDir, menuName;
    if (ZULError e = ReadItemProp(item, RecordProps::kChannel, channelGuid)) return Failed(e);
    ComPtr<I_ChannelInfo> channel;
    if (ZULError e = C_StartMenuBuilder(settings).GetChannelMenuDir(manager, channelGuid, channelDir, &channel))
        return Failed(e);
    if (ZULError e = ReadChannelMenuName(channel.Get(), menuName)) return Failed(e);

    std::string installDir;
    if (!InstallationFolder(MenuText::DisplayName(menuName), name, installDir)) return Failed(ZULERR_REG_GET_VALUE_FAILED);

    const Outcome conflicts = ResolveFamilyConflicts(manager, item, name);
    if (!ItemDone(conflicts)) return conflicts;

    std::string fileSets;
    if (ZULError e = ReadItemProp(item, RecordProps::kFileSets, fileSets)) return Failed(e);
    ZULError ret = ZULERR_SUCCESS;
    if (ZULError e = CallResult(manager->InstallFileSets(fileSets.data(), installDir.data(), &ret), ret))
        return Failed(e);

    std::string showEula;
    const bool hasShowEula = ReadItemProp(item, RecordProps::kShowEULA, showEula) == ZULERR_SUCCESS;
    if (!hasShowEula || (!EqualsNoCase(showEula, "0") && !silent)) {
        if (ShowItemAgreement(settings.path.value_or(std::string()), installDir) != 0) {
            ui::ShowError(nullptr, kAgreementRefused, kAgreementRefusedCaption);
            DeleteDirectoryTree(installDir.c_str());
            return Failed(ZULERR_EULA_NOT_ACCEPTED);
        }
    }

    // The item runs with the system's own runtime files when its copies are missing.
    LogIfCodeFailed("install runtime files", installDir.c_str(), InstallRuntimeFiles(installDir));

    const std::string itemDir = JoinedPath(channelDir, name);
    if (WriteItemProp(item, RecordProps::kMenuDir, itemDir) != ZULERR_SUCCESS) return Failed(ZULERR_FAILED);
    if (!CreateDirectoryTree(itemDir.c_str(), false)) return Failed(ZULERR_FAILED);
    WriteFolderMarker(itemDir, guid);
    if (!CreateItemShortcuts(item, name, itemDir, installDir)) return Failed(ZULERR_FAILED);

    const std::string exe = settings.exe.value_or(std::string());
    const std::string uninstallKey = std::string(ProductKeys::kUninstallRoot) + guid;
    const std::string uninstallString = "\"" + exe + "\" " + kUninstallKeyword + guid;
    if (RegWriteString(HKEY_LOCAL_MACHINE, uninstallKey.c_str(), "DisplayName", name.c_str()) != ERROR_SUCCESS ||
        RegWriteString(HKEY_LOCAL_MACHINE, uninstallKey.c_str(), "UninstallString", uninstallString.c_str()) !=
            ERROR_SUCCESS)
        return Failed(ZULERR_REG_SET_VALUE_FAILED);

    const bool uninstallInMenu = ItemFlagIs(item, RecordProps::kUninstInMenu, "1");
    LogIfCodeFailed("remove item property UninstInMenu", guid.c_str(), RemoveItemPropIfPresent(item, RecordProps::kUninstInMenu));
    if (uninstallInMenu &&
        FAILED(CreateShortcut(JoinedPath(itemDir, "Uninstall " + name + ".lnk").c_str(), exe.c_str(),
                              (kUninstallKeyword + guid).c_str(), installDir.c_str(), nullptr, exe.c_str(),
                              kUninstallIconIndex)))
        return Failed(ZULERR_FAILED);

    RecordRuntimeInstaller(item, installDir);

    // Without "Path" the uninstall leaves the files: it is logged.
    LogIfCodeFailed("write item property Path", guid.c_str(), WriteItemProp(item, RecordProps::kPath, installDir));
    SetDefault(item, RecordProps::kAllowReporting, "true");
    SetDefault(item, RecordProps::kUserName, "demo");
    SetDefault(item, RecordProps::kUserEmail, "none");
    if (WriteItemProp(item, RecordProps::kInstalled, "1") != ZULERR_SUCCESS) return Failed(ZULERR_FAILED);
    if (ZULError e = FlushItem(item)) return Failed(e);

    // The notifications stay announced; the item is installed all the same.
    LogIfCodeFailed("remove family notifications", guid.c_str(), RemoveFamilyNotifications(manager, settings, item, false));
    return Succeeded();
}

Outcome UninstallApplicationItem(I_ZULItem* item, bool quiet) {
    std::string name;
    const bool named = ReadItemProp(item, RecordProps::kName, name) == ZULERR_SUCCESS;
    if (!quiet && named && !AskYesNo(FillName(kUninstallQuestionFormat, name), kUninstallQuestionCaption))
        return Succeeded(ZULERR_CANCELLED);

    std::string guid, path, desktopShortcut;
    if (ZULError e = ReadItemProp(item, RecordProps::kGuid, guid)) return Failed(e);
    if (ZULError e = ReadItemProp(item, RecordProps::kPath, path)) return Failed(e);
    if (path.empty()) return Failed(ZULERR_NOT_FOUND);
    // The GUID names the uninstall entry's key and the marker file.
    if (!ServerPaths::IsPlainName(guid)) return Failed(ZULERR_INVALID_ARGUMENT);

    // A recorded value may come from any server answer: only the places an installation makes go.
    if (IsGameInstallFolder(path)) {
        const std::string params = JoinedPath(path, kParamsLibrary);
        if (FileExists(params.c_str())) LogIfHrFailed("unregister library", params.c_str(), UnregisterFile(params.c_str()));
        DeleteDirectoryTree(path.c_str());
        RemoveEmptyGameFolders(path);
    }

    // "MenuDir" goes stale when the channel's folder is renamed (the updated mark, the user): the
    // marker file still finds the folder then.
    const std::string menuFolder = ItemMenuFolder(item, guid);
    if (!menuFolder.empty()) DeleteDirectoryTree(menuFolder.c_str());

    const std::string uninstallKey = std::string(ProductKeys::kUninstallRoot) + guid;
    LogIfWin32Failed("delete uninstall entry", uninstallKey.c_str(), RegDeleteKeyTree(HKEY_LOCAL_MACHINE, uninstallKey.c_str()));
    if (ReadItemProp(item, RecordProps::kDesktopShortcut, desktopShortcut) == ZULERR_SUCCESS &&
        IsDesktopShortcutPath(desktopShortcut) && FileExists(desktopShortcut.c_str()))
        DeleteFileA(desktopShortcut.c_str());

    const ZULError deleted = DeleteItemInfo(item);
    // A record that stays is no successful uninstall: the message is left out then.
    if (!quiet && deleted == ZULERR_SUCCESS) ui::ShowMessage(nullptr, FillName(kUninstalledFormat, name), kUninstalledCaption, MB_OK | MB_ICONINFORMATION);
    return deleted == ZULERR_SUCCESS ? Succeeded() : Failed(deleted);
}
