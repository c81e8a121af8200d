// The item installer the front-end serves for its item types (notifications, applications and
// demos); the channel manager activates it across processes.
#pragma once
#include "ZULMan.h"
#include "common/ComObject.h"

class ItemInstaller_Velo final : public ComObject<I_ItemInstaller> {
public:
    // Installing and uninstalling the front-end's items is not built yet: both answer S_FALSE
    // with ZULERR_ITEM_TYPE_NOT_SUPPORTED.
    STDMETHODIMP InstallItem(I_ZULItem* item, ZULError* ret) override;
    STDMETHODIMP UninstallItem(I_ZULItem* item, ZULError* ret) override;
};
