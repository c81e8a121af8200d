#include "frontend/NotificationItems.h"

#include <windows.h>

#include <memory>
#include <string>

#include "common/DiagnosticLog.h"
#include "common/InterfaceText.h"
#include "common/JoinedPath.h"
#include "common/PathHelpers.h"
#include "common/ProcessHelpers.h"
#include "common/RecordProperties.h"
#include "common/RegistryHelpers.h"
#include "common/ShellHelpers.h"
#include "common/TextCompare.h"
#include "frontend/ChannelRecord.h"
#include "frontend/FolderPlaces.h"
#include "frontend/ItemRecord.h"
#include "frontend/ItemTexts.h"
#include "frontend/ServerPaths.h"
#include "frontend/StartMenuBuilder.h"
#include "common/VelorinIds.h"

namespace {

std::string Stripped(const std::string& text) {
    constexpr char kBlanks[] = " \t\r\n";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Whether an item of the type with the same "Family" is recorded (other than the item itself).
bool FamilyMemberOfType(I_ZULManager* manager, const char* type, const std::string& family, const std::string& guid) {
    bool found = false;
    // A walk that fails part-way finds fewer members: the caller then keeps what it would remove.
    LogIfCodeFailed("walk items of type", type, ForEachItemOfType(manager, type, [&](I_ZULItem* other) {
        std::string otherFamily, otherGuid;
        if (ReadItemProp(other, RecordProps::kFamily, otherFamily) != ZULERR_SUCCESS || !EqualsNoCase(otherFamily, family))
            return true;
        if (ReadItemGuid(other, otherGuid) == ZULERR_SUCCESS && EqualsNoCase(otherGuid, guid)) return true;
        found = true;
        return false;
    }));
    return found;
}

}  // namespace

bool FamilyApplicationPresent(I_ZULManager* manager, I_ZULItem* item) {
    std::string family, guid;
    if (ReadItemProp(item, RecordProps::kFamily, family) != ZULERR_SUCCESS) return false;
    // Without its id the item only cannot tell its own record from the others.
    LogIfCodeFailed("read item guid", family.c_str(), ReadItemGuid(item, guid));
    return FamilyMemberOfType(manager, VelorinIds::kApplicationItemType, family, guid) ||
           FamilyMemberOfType(manager, VelorinIds::kDemoItemType, family, guid);
}

ZULError RemoveFamilyNotifications(I_ZULManager* manager, const VelorinSettings& settings, I_ZULItem* item,
                                   bool checkOnly) {
    std::string family, guid;
    // Without a family no other notification can be of it: nothing found, nothing to remove.
    if (ReadItemProp(item, RecordProps::kFamily, family) != ZULERR_SUCCESS) return checkOnly ? ZULERR_NOT_FOUND : ZULERR_SUCCESS;
    LogIfCodeFailed("read item guid", family.c_str(), ReadItemGuid(item, guid));
    if (checkOnly)
        return FamilyMemberOfType(manager, VelorinIds::kNotificationItemType, family, guid) ? ZULERR_SUCCESS
                                                                                             : ZULERR_NOT_FOUND;
    // What cannot be walked stays announced; the caller goes on.
    LogIfCodeFailed("walk items of type", VelorinIds::kNotificationItemType,
                    ForEachItemOfType(manager, VelorinIds::kNotificationItemType, [&](I_ZULItem* other) {
        std::string otherFamily;
        if (ReadItemProp(other, RecordProps::kFamily, otherFamily) == ZULERR_SUCCESS && EqualsNoCase(otherFamily, family)) {
            const Outcome removed = UninstallNotificationItem(manager, settings, other);
            if (!ItemDone(removed)) LogIfCodeFailed("uninstall family notification", family.c_str(), removed.ret);
        }
        return true;
    }));
    return ZULERR_SUCCESS;
}

Outcome InstallNotificationItem(I_ZULManager* manager, const VelorinSettings& settings, I_ZULItem* item) {
    // No notification for a game the user already has, nor a second one of the same family.
    if (FamilyApplicationPresent(manager, item)) return Succeeded();
    if (RemoveFamilyNotifications(manager, settings, item, true) == ZULERR_SUCCESS) return Succeeded();
    std::string installed;
    if (ReadItemProp(item, RecordProps::kInstalled, installed) == ZULERR_SUCCESS) return Succeeded();

    std::string guid, channelGuid, channelDir, fileSets;
    if (ZULError e = ReadItemGuid(item, guid)) return Failed(e);
    if (!ServerPaths::IsPlainName(guid)) return Failed(ZULERR_INVALID_ARGUMENT);
    if (ZULError e = ReadItemProp(item, RecordProps::kChannel, channelGuid)) return Failed(e);
    const C_StartMenuBuilder menus(settings);
    if (ZULError e = menus.GetChannelMenuDir(manager, channelGuid, channelDir)) return Failed(e);
    const std::string frontEndDir = settings.path.value_or(std::string());
    const std::string installDir = JoinedPath(frontEndDir, guid);
    if (ZULError e = ReadItemProp(item, RecordProps::kFileSets, fileSets)) return Failed(e);
    ZULError ret = ZULERR_SUCCESS;
    if (ZULError e = CallResult(manager->InstallFileSets(fileSets.data(), InText(installDir.c_str()), &ret), ret))
        return Failed(e);

    std::unique_ptr<char[]> content;
    if (!ReadWholeFile(JoinedPath(installDir, ItemTexts::kShortcutNameFile).c_str(), content))
        return Failed(ZULERR_FILE_OPEN_FAILED);
    const std::string shortcutName = Stripped(content.get());
    // The name becomes a file in the channel's folder, removed again on uninstall.
    if (!ServerPaths::IsPlainName(shortcutName)) return Failed(ZULERR_INVALID_ARGUMENT);

    const std::string exe = settings.exe.value_or(std::string());
    const std::string arguments = "-LaunchNotification " + guid;
    const std::string icon = JoinedPath(installDir, guid + ".ico");
    if (FAILED(CreateShortcut(JoinedPath(channelDir, shortcutName + ".lnk").c_str(), exe.c_str(), arguments.c_str(),
                              frontEndDir.c_str(), nullptr, icon.c_str(), 0)))
        return Failed(ZULERR_FAILED);

    // Without them the uninstall leaves the folder or the shortcut: they are logged.
    LogIfCodeFailed("write item property Path", guid.c_str(), WriteItemProp(item, RecordProps::kPath, installDir));
    LogIfCodeFailed("write item property ShortcutName", guid.c_str(), WriteItemProp(item, RecordProps::kShortcutName, shortcutName));
    if (WriteItemProp(item, RecordProps::kInstalled, "1") != ZULERR_SUCCESS) return Failed(ZULERR_FAILED);
    if (ZULError e = FlushItem(item)) return Failed(e);

    // The announcement (tray, updated mark) is a courtesy: the notification is installed without it.
    LogIfWin32Failed("announce notification", guid.c_str(),
                     RegAppendToString(VelorinIds::kSettingsKey, VelorinIds::kNewNotificationsValue, (guid + ",").c_str()));
    LogIfCodeFailed("mark channel updated", channelGuid.c_str(), static_cast<uint32_t>(menus.MarkChannelUpdated(manager, channelGuid, true)));

    const bool trayWanted = !ItemFlagIs(item, RecordProps::kShowTrayIcon, "0");
    LogIfCodeFailed("remove item property ShowTrayIcon", guid.c_str(), RemoveItemPropIfPresent(item, RecordProps::kShowTrayIcon));
    LogIfCodeFailed("flush item", guid.c_str(), FlushItem(item));
    if (trayWanted && !exe.empty()) LogIfFalse("start tray", exe.c_str(), StartProgram(exe.c_str(), "-TrayIcon", nullptr, false));
    return Succeeded();
}

Outcome UninstallNotificationItem(I_ZULManager* manager, const VelorinSettings& settings, I_ZULItem* item) {
    std::string channelGuid, channelDir, shortcutName, path;
    if (ZULError e = ReadItemProp(item, RecordProps::kChannel, channelGuid)) return Failed(e);
    if (ZULError e = C_StartMenuBuilder(settings).GetChannelMenuDir(manager, channelGuid, channelDir)) return Failed(e);
    if (ZULError e = ReadItemProp(item, RecordProps::kShortcutName, shortcutName)) return Succeeded(e);
    if (ServerPaths::IsPlainName(shortcutName)) DeleteFileA(JoinedPath(channelDir, shortcutName + ".lnk").c_str());
    if (ZULError e = ReadItemProp(item, RecordProps::kPath, path)) return Succeeded(e);
    // Only the folder an installation makes goes: the front-end's folder joined with the GUID.
    std::string guid;
    const std::string frontEndDir = settings.path.value_or(std::string());
    if (!path.empty() && !frontEndDir.empty() && ReadItemGuid(item, guid) == ZULERR_SUCCESS &&
        ServerPaths::IsPlainName(guid) && SamePlace(path, JoinedPath(frontEndDir, guid)))
        DeleteDirectoryTree(path.c_str());
    const ZULError deleted = DeleteItemInfo(item);
    return deleted == ZULERR_SUCCESS ? Succeeded() : Failed(deleted);
}
