#include "frontend/VelorinRegistration.h"

#include <wrl/client.h>

#include <vector>

#include "common/ComServerRegistration.h"
#include "common/DiagnosticLog.h"
#include "common/InterfaceText.h"
#include "frontend/ChannelRecord.h"
#include "frontend/ItemRecord.h"
#include "frontend/NotificationItems.h"
#include "frontend/PartnerMigration.h"
#include "frontend/StartMenuBuilder.h"
#include "common/VelorinIds.h"
#include "frontend/VelorinServer.h"
#include "frontend/VelorinUpdater.h"

namespace {

ZULError RegisterItemType(I_ZULManager* manager, const char* itemType) {
    ZULError ret = ZULERR_SUCCESS;
    return CallResult(manager->RegisterItemInstaller(InText(itemType), InText(VelorinIds::kItemInstallerClsid), &ret), ret);
}

// Notifications are shortcuts that start the front-end: they go with it. Collected first, so that
// the walk does not run over records being deleted.
void RemoveNotifications(I_ZULManager* manager, const VelorinSettings& settings) {
    std::vector<Microsoft::WRL::ComPtr<I_ZULItem>> notifications;
    // What cannot be walked or removed stays recorded; the unregistration goes on.
    LogIfCodeFailed("walk items of type", VelorinIds::kNotificationItemType,
                    ForEachItemOfType(manager, VelorinIds::kNotificationItemType, [&](I_ZULItem* item) {
                        notifications.emplace_back(item);
                        return true;
                    }));
    for (const auto& item : notifications) {
        const Outcome removed = UninstallNotificationItem(manager, settings, item.Get());
        if (!ItemDone(removed)) LogIfCodeFailed("uninstall notification", nullptr, removed.ret);
    }
}

}  // namespace

long RegisterVelorin(I_ZULManager* manager, const VelorinSettings& settings) {
    const HRESULT hr = RegisterComServer(VelorinServer(), ModuleFileName().c_str());
    if (FAILED(hr)) return hr;
    for (const char* itemType : VelorinIds::kItemTypes)
        if (ZULError e = RegisterItemType(manager, itemType)) return e;
    return MigratePartnerMenus(manager, settings);
}

long UnregisterVelorin(I_ZULManager* manager, const VelorinSettings& settings) {
    LeaveUpdater();
    RemoveNotifications(manager, settings);
    C_StartMenuBuilder(settings).CleanUpChannelMenus(manager);
    for (const char* itemType : VelorinIds::kItemTypes) {
        ZULError ret = ZULERR_SUCCESS;
        manager->UnregisterItemInstaller(InText(itemType), InText(VelorinIds::kItemInstallerClsid), &ret);
    }
    return UnregisterComServer(VelorinServer());
}
