// The manager methods around item installers: registering, unregistering and finding the
// installer of an item type, and uninstalling an item through its type's installer.
#include <windows.h>
#include <wrl/client.h>

#include <cstring>
#include <string>

#include "common/Handles.h"
#include "common/RegistryHelpers.h"
#include "common/ComResult.h"
#include "manager/InstallerLookup.h"
#include "common/InterfaceText.h"
#include "manager/ZULManager.h"
#include "records/RecordFactory.h"
#include "records/RecordStore.h"
#include "records/RegistryRecord.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kClsidProperty[] = "CLSID";
constexpr char kTypeProperty[] = "Type";

// A type text that names exactly one registration key below the installers' key. An empty
// text, or one with a separator, would name the installers' key itself (or another one) and
// take every registration with it.
bool IsSingleKeyName(const char* type) { return type && *type && !std::strchr(type, '\\'); }

}  // namespace

STDMETHODIMP ZULManager::RegisterItemInstaller(char* sItemTypeGuid, char* sCLSID, ZULError* ret) {
    if (!sItemTypeGuid) return Report(ret, ZULERR_BAD_GUID);
    C_RegistryRecord registration(RecordKinds::kItemInstaller);
    // "GUID" binds the record to the type without loading it.
    HRESULT hr = registration.SetProp(kGuidKey.data(), sItemTypeGuid, ret);
    if (hr != S_OK) return hr;
    hr = registration.SetProp(kClsidProperty, sCLSID, ret);
    if (hr != S_OK) return hr;
    return registration.Flush(ret);
}

STDMETHODIMP ZULManager::UnregisterItemInstaller(char* sItemTypeGuid, char* /*sCLSID*/, ZULError* ret) {
    if (!IsSingleKeyName(sItemTypeGuid)) return Report(ret, ZULERR_INVALID_ARGUMENT);
    std::string key;
    if (!RecordKindKeyPath(RecordKinds::kItemInstaller, key)) return Report(ret, ZULERR_OUT_OF_MEMORY);
    // The type is taken as given: only the braced form that registration wrote matches.
    key += '\\';
    key += sItemTypeGuid;
    if (RegDeleteKeyTree(HKEY_LOCAL_MACHINE, key.c_str()) != ERROR_SUCCESS) return Report(ret, ZULERR_FAILED);
    return Report(ret, ZULERR_SUCCESS);
}

STDMETHODIMP ZULManager::GetItemInstaller(char* sGuid, I_ItemInstaller** pItemInstaller, ZULError* ret) {
    if (!pItemInstaller) return Report(ret, ZULERR_INVALID_ARGUMENT);
    *pItemInstaller = nullptr;
    GuidValue type;
    const int32_t parsed = sGuid ? ParseGuidText(sGuid, type) : kGuidWrongLength;
    if (parsed != kGuidParsed) return ReportHr(ret, ZULERR_ITEM_TYPE_NOT_SUPPORTED, static_cast<HRESULT>(parsed));

    CLSID clsid;
    HRESULT hr = FindInstallerClass(type, clsid, ret);
    if (hr != S_OK) return hr;
    return CreateInstaller(clsid, pItemInstaller, ret);
}

STDMETHODIMP ZULManager::UninstallItem(char* sGuid, ZULError* retIn) {
    ResultSlot ret(retIn);
    if (!sGuid || !IsGuidText(sGuid)) return Report(ret, ZULERR_BAD_GUID);

    ComPtr<I_ZULItem> item;
    HRESULT hr = OpenItemInfo(sGuid, &item, ret);
    if (*ret != ZULERR_SUCCESS) return hr;

    CoTaskMemString type;
    if (item->GetProp(InText(kTypeProperty), type.put(), ret) != S_OK)
        return Report(ret, ZULERR_ITEM_TYPE_NOT_SUPPORTED);

    ComPtr<I_ItemInstaller> installer;
    if ((hr = GetItemInstaller(type.get(), &installer, ret)) != S_OK) return hr;
    // What goes (files, shortcuts, the record) is the installer's business.
    return installer->UninstallItem(item.Get(), ret);
}
