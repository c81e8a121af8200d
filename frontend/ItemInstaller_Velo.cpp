#include "frontend/ItemInstaller_Velo.h"

STDMETHODIMP ItemInstaller_Velo::InstallItem(I_ZULItem*, ZULError* ret) {
    if (ret) *ret = ZULERR_ITEM_TYPE_NOT_SUPPORTED;
    return S_FALSE;
}

STDMETHODIMP ItemInstaller_Velo::UninstallItem(I_ZULItem*, ZULError* ret) {
    if (ret) *ret = ZULERR_ITEM_TYPE_NOT_SUPPORTED;
    return S_FALSE;
}
