#include "manager/ItemInstaller.h"

#include "manager/ComResult.h"

STDMETHODIMP ItemInstaller::InstallItem(I_ZULItem*, ZULError* ret) { return Report(ret, ZULERR_INVALID_OPERATION); }
STDMETHODIMP ItemInstaller::UninstallItem(I_ZULItem*, ZULError* ret) { return Report(ret, ZULERR_INVALID_OPERATION); }
