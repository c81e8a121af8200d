// Finding and creating the installer of an item type: the default item type is always served
// by the manager's own ItemInstaller class; any other type by the class named in "CLSID" of
// its "ItemInstaller" record.
#pragma once
#include <windows.h>

#include "ZULMan.h"
#include "records/GuidText.h"

// The installer class of `type`. No registration: ZULERR_ITEM_TYPE_NOT_SUPPORTED with S_FALSE;
// a registration without "CLSID": ZULERR_NOT_FOUND with S_FALSE; a "CLSID" that is no GUID:
// ZULERR_BAD_GUID with the GUID parser's HRESULT.
[[nodiscard]] HRESULT FindInstallerClass(const GuidValue& type, CLSID& clsid, ZULError* ret);

// Creates the class (in-process, local or remote server) for I_ItemInstaller. Failure:
// ZULERR_CREATE_INSTANCE_FAILED with the creation's HRESULT.
[[nodiscard]] HRESULT CreateInstaller(const CLSID& clsid, I_ItemInstaller** installer, ZULError* ret);

// Whether type is the default item type.
bool IsDefaultItemType(const GuidValue& type);
