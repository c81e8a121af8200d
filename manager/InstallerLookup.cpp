#include "manager/InstallerLookup.h"

#include <cstring>

#include "common/Handles.h"
#include "common/ProductKeys.h"
#include "common/ComResult.h"
#include "records/RecordStore.h"
#include "records/RegistryRecord.h"

namespace {
constexpr char kClsidProperty[] = "CLSID";
static_assert(sizeof(GuidValue) == sizeof(CLSID));
}  // namespace

bool IsDefaultItemType(const GuidValue& type) {
    GuidValue defaultType;
    return ParseGuidText(ProductIds::kDefaultItemType, defaultType) == kGuidParsed && type == defaultType;
}

HRESULT FindInstallerClass(const GuidValue& type, CLSID& clsid, ZULError* ret) {
    // Built in: a registration record for the default type is not consulted.
    if (IsDefaultItemType(type)) {
        clsid = CLSID_ItemInstaller;
        return Report(ret, ZULERR_SUCCESS);
    }

    GuidTextBuffer typeText;
    FormatGuidText(type, typeText);
    C_RegistryRecord registration(RecordKinds::kItemInstaller);
    ZULError loaded = ZULERR_FAILED;
    registration.SetGUID(typeText.data(), &loaded);
    if (loaded != ZULERR_SUCCESS) return Report(ret, ZULERR_ITEM_TYPE_NOT_SUPPORTED);

    CoTaskMemString clsidText;
    HRESULT hr = registration.GetProp(kClsidProperty, clsidText.put(), ret);
    if (hr != S_OK) return hr;

    GuidValue value;
    const int32_t parsed = ParseGuidText(clsidText.get(), value);
    if (parsed != kGuidParsed) return ReportHr(ret, ZULERR_BAD_GUID, static_cast<HRESULT>(parsed));
    std::memcpy(&clsid, &value, sizeof clsid);
    return Report(ret, ZULERR_SUCCESS);
}

HRESULT CreateInstaller(const CLSID& clsid, I_ItemInstaller** installer, ZULError* ret) {
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_I_ItemInstaller,
                                  reinterpret_cast<void**>(installer));
    if (FAILED(hr)) return ReportHr(ret, ZULERR_CREATE_INSTANCE_FAILED, hr);
    return Report(ret, ZULERR_SUCCESS);
}
