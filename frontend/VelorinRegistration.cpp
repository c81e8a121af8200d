#include "frontend/VelorinRegistration.h"

#include "common/ComServerRegistration.h"
#include "common/InterfaceText.h"
#include "frontend/ChannelRecord.h"
#include "frontend/PartnerMigration.h"
#include "frontend/StartMenuBuilder.h"
#include "frontend/VelorinIds.h"
#include "frontend/VelorinServer.h"
#include "frontend/VelorinUpdater.h"

namespace {

ZULError RegisterItemType(I_ZULManager* manager, const char* itemType) {
    ZULError ret = ZULERR_SUCCESS;
    return CallResult(manager->RegisterItemInstaller(InText(itemType), InText(VelorinIds::kItemInstallerClsid), &ret), ret);
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
    C_StartMenuBuilder(settings).CleanUpChannelMenus(manager);
    for (const char* itemType : VelorinIds::kItemTypes) {
        ZULError ret = ZULERR_SUCCESS;
        manager->UnregisterItemInstaller(InText(itemType), InText(VelorinIds::kItemInstallerClsid), &ret);
    }
    return UnregisterComServer(VelorinServer());
}
