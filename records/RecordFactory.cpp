#include "records/RecordFactory.h"

#include <wrl/client.h>

#include "common/ComResult.h"
#include "records/ChannelInfo.h"
#include "records/FS_Info.h"
#include "records/ItemEnum.h"
#include "records/ResponseData.h"
#include "records/ZULItem.h"

using Microsoft::WRL::ComPtr;

namespace {

template <class Object, class Interface>
HRESULT CreateObject(ComPtr<Interface>& object, ZULError* ret) {
    HRESULT hr = ComObject<Interface>::template Create<Object>(__uuidof(Interface),
                                                               reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(hr)) return ReportHr(ret, ZULERR_CREATE_INSTANCE_FAILED, hr);
    return S_OK;
}

template <class Object, class Interface>
HRESULT OpenRecord(const char* sGuid, Interface** out, ZULError* ret) {
    if (!out) return Report(ret, ZULERR_INVALID_ARGUMENT);
    *out = nullptr;
    ComPtr<Interface> object;
    HRESULT hr = CreateObject<Object>(object, ret);
    if (hr != S_OK) return hr;
    ZULError code = ZULERR_SUCCESS;
    if (sGuid) {
        // The object was made here, so its class is known.
        hr = static_cast<Object*>(object.Get())->Record().SetGUID(sGuid, &code);
        if (hr != S_OK) return ReportHr(ret, ZULERR_BAD_GUID, hr);
    }
    *out = object.Detach();
    return ReportHr(ret, code, S_OK);
}

template <class Object, class Interface>
HRESULT CreateEmpty(Interface** out, ZULError* ret) {
    if (!out) return Report(ret, ZULERR_INVALID_ARGUMENT);
    *out = nullptr;
    ComPtr<Interface> object;
    HRESULT hr = CreateObject<Object>(object, ret);
    if (hr != S_OK) return hr;
    *out = object.Detach();
    return Report(ret, ZULERR_SUCCESS);
}

}  // namespace

HRESULT OpenChannelInfo(const char* sGuid, I_ChannelInfo** ppInfo, ZULError* ret) {
    return OpenRecord<ChannelInfo>(sGuid, ppInfo, ret);
}

HRESULT OpenFileSetInfo(const char* sGuid, I_FS_Info** ppInfo, ZULError* ret) {
    return OpenRecord<FS_Info>(sGuid, ppInfo, ret);
}

HRESULT OpenItemInfo(const char* sGuid, I_ZULItem** ppItem, ZULError* ret) {
    return OpenRecord<ZULItem>(sGuid, ppItem, ret);
}

HRESULT CreateItemEnum(I_ItemEnum** ppItemEnum, ZULError* ret) { return CreateEmpty<ItemEnum>(ppItemEnum, ret); }

HRESULT CreateResponseData(I_ResponseData** ppIResp, ZULError* ret) {
    return CreateEmpty<ResponseData>(ppIResp, ret);
}
