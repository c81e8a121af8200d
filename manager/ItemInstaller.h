// The manager's own item installer, for the default item type.
#pragma once
#include <windows.h>

#include "ZULMan.h"
#include "common/ComObject.h"

class ItemInstaller final : public ComObject<I_ItemInstaller> {
public:
    STDMETHODIMP InstallItem(I_ZULItem* pItem, ZULError* ret) override;
    STDMETHODIMP UninstallItem(I_ZULItem* pItem, ZULError* ret) override;
};
