#include "frontend/NotificationLauncher.h"

#include <wrl/client.h>

#include "common/DiagnosticLog.h"
#include "common/Handles.h"
#include "common/InterfaceText.h"
#include "common/JoinedPath.h"
#include "common/RecordProperties.h"
#include "common/RegistryHelpers.h"
#include "common/ShellHelpers.h"
#include "frontend/ChannelRecord.h"
#include "frontend/ItemRecord.h"
#include "frontend/StartMenuBuilder.h"
#include "common/VelorinIds.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kNotificationPage[] = "index.html";

// The item record; callFailed tells a failed call apart from a reported ZULError.
ZULError OpenItem(I_ZULManager* manager, const std::string& guid, ComPtr<I_ZULItem>& item, bool& callFailed) {
    ZULError ret = ZULERR_SUCCESS;
    const HRESULT hr = manager->GetItemInfo(InText(guid.c_str()), item.ReleaseAndGetAddressOf(), &ret);
    callFailed = FAILED(hr);
    if (hr == S_OK && ret == ZULERR_SUCCESS && !item) return ZULERR_FAILED;
    return CallResult(hr, ret);
}

}  // namespace

ZULError ReadNotificationName(I_ZULManager* manager, const std::string& itemGuid, std::string& name,
                              bool& callFailed) {
    ComPtr<I_ZULItem> item;
    if (ZULError e = OpenItem(manager, itemGuid, item, callFailed)) return e;
    if (ZULError e = ReadItemProp(item.Get(), RecordProps::kShortcutName, name)) return e;
    return name.empty() ? ZULERR_NOT_FOUND : ZULERR_SUCCESS;
}

ZULError LaunchNotification(I_ZULManager* manager, const VelorinSettings& settings, const std::string& itemGuid) {
    ComPtr<I_ZULItem> item;
    bool callFailed = false;
    if (ZULError e = OpenItem(manager, itemGuid, item, callFailed)) return e;
    std::string folder;
    if (ZULError e = ReadItemProp(item.Get(), RecordProps::kPath, folder)) return e;

    std::string page;
    if (JoinedPath(folder, kNotificationPage, page))
        LogIfFalse("open notification page", page.c_str(), ShellOpen(folder.c_str(), page.c_str(), ""));
    // Still listed, the notification is only announced once more.
    LogIfWin32Failed("unlist notification", itemGuid.c_str(),
                     RegRemoveFromString(VelorinIds::kSettingsKey, VelorinIds::kNewNotificationsValue, (itemGuid + ",").c_str()));

    std::string channel;
    if (ReadItemProp(item.Get(), RecordProps::kChannel, channel) == ZULERR_SUCCESS && !channel.empty())
        LogIfCodeFailed("unmark channel updated", channel.c_str(),
                        static_cast<uint32_t>(C_StartMenuBuilder(settings).MarkChannelUpdated(manager, channel, false)));
    return ZULERR_SUCCESS;
}
