// The item installer the front-end serves for its item types (notifications, applications and
// demos); the channel manager activates it across processes, and a "-UninstallItem" start uses
// it in-process.
#pragma once
#include <string>

#include "ZULMan.h"
#include "common/ComObject.h"

class ItemInstaller_Velo final : public ComObject<I_ItemInstaller> {
public:
    // Both read "Type" (its failing read is answered as is), then dispatch: S_OK on success,
    // S_FALSE with the reason otherwise; 16 for a malformed type, 20 for a type not served, 15
    // when no connection to the channel manager can be made.
    STDMETHODIMP InstallItem(I_ZULItem* item, ZULError* ret) override;
    STDMETHODIMP UninstallItem(I_ZULItem* item, ZULError* ret) override;
};

// The "-UninstallItem GUID" job: the recorded item uninstalled through an in-process installer.
// The uninstall's ZULError, or the code of the item lookup.
[[nodiscard]] ZULError UninstallItemByGuid(I_ZULManager* manager, const std::string& itemGuid);
