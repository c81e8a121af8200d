#include "frontend/ChannelRecord.h"

#include <string_view>

#include "common/Handles.h"
#include "common/InterfaceText.h"
#include "common/ProductKeys.h"
#include "common/RecordProperties.h"

using Microsoft::WRL::ComPtr;

ZULError CallResult(HRESULT hr, const ZULError& ret) {
    if (ret != ZULERR_SUCCESS) return ret;
    return hr == S_OK ? ZULERR_SUCCESS : ZULERR_FAILED;
}

ZULError ReadChannelGuid(I_ChannelInfo* channel, std::string& out) {
    CoTaskMemString text;
    ZULError ret = ZULERR_SUCCESS;
    const ZULError result = CallResult(channel->GetGUID(text.put(), &ret), ret);
    if (result == ZULERR_SUCCESS) out = text.c_str();
    return result;
}

ZULError ReadChannelProp(I_ChannelInfo* channel, const char* name, std::string& out) {
    CoTaskMemString text;
    ZULError ret = ZULERR_SUCCESS;
    const ZULError result = CallResult(channel->GetProp(InText(name), text.put(), &ret), ret);
    if (result == ZULERR_SUCCESS) out = text.c_str();
    return result;
}

ZULError WriteChannelProp(I_ChannelInfo* channel, const char* name, const std::string& value) {
    ZULError ret = ZULERR_SUCCESS;
    return CallResult(channel->SetProp(InText(name), InText(value.c_str()), &ret), ret);
}

ZULError FlushChannel(I_ChannelInfo* channel) {
    ZULError ret = ZULERR_SUCCESS;
    return CallResult(channel->Flush(&ret), ret);
}

ZULError OpenChannel(I_ZULManager* manager, const std::string& guid, ComPtr<I_ChannelInfo>& out) {
    out.Reset();
    ZULError ret = ZULERR_SUCCESS;
    const ZULError result = CallResult(manager->GetChannelInfo(InText(guid.c_str()), out.ReleaseAndGetAddressOf(), &ret), ret);
    if (result != ZULERR_SUCCESS || !out) {
        out.Reset();
        return result != ZULERR_SUCCESS ? result : ZULERR_FAILED;
    }
    return ZULERR_SUCCESS;
}

ZULError ReadChannelMenuName(I_ChannelInfo* channel, std::string& out) {
    if (ReadChannelProp(channel, RecordProps::kMenuName, out) == ZULERR_SUCCESS) return ZULERR_SUCCESS;
    return ReadChannelProp(channel, RecordProps::kName, out);
}

std::vector<std::string> RecordedChannelGuids() {
    std::vector<std::string> guids;
    UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKeys::kChannels, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return guids;
    for (DWORD index = 0;; ++index) {
        char name[MAX_PATH];
        DWORD length = sizeof name;
        LONG status = RegEnumKeyExA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) break;
        guids.emplace_back(name, length);
    }
    return guids;
}
