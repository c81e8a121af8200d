#include "service/PresetChannels.h"

#include <windows.h>

#include <wrl/client.h>

#include <string>
#include <vector>

#include "common/CommaList.h"
#include "common/Handles.h"
#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"

namespace {

// Longest list read; a longer value is dropped whole rather than cut in the middle of a GUID.
constexpr DWORD kMaxPresetBytes = 1 << 20;

// Reads the whole value, however long (up to kMaxPresetBytes), so that no channel is lost.
bool ReadPresetList(std::string& text) {
    UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), ProductKeys::kSubscribedChannels, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    if (size > kMaxPresetBytes) return false;
    std::vector<char> buffer(size + 1, '\0');
    if (RegQueryValueExA(key.get(), ProductKeys::kSubscribedChannels, nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return false;
    text.assign(buffer.data(), strnlen(buffer.data(), size));
    return true;
}

// A channel this machine has no record of yet is recorded subscribed, so that the first check-in
// names it and the server's answer fills it in: subscribing alone would drop it, and the list is
// gone once read.
void RecordSubscribedChannel(I_ZULManager* manager, const std::string& channel) {
    Microsoft::WRL::ComPtr<I_ResponseData> response;
    ZULError ret = ZULERR_FAILED;
    if (manager->GetResponseData(response.GetAddressOf(), &ret) != S_OK || !response) return;
    std::string block = "Channel\r\n{\r\nGuid=" + channel + "\r\nSubscribe=1\r\n}\r\n";
    if (response->LoadMem(block.data(), &ret) != S_OK) return;
    (void)manager->ProcessResponseData(response.Get(), &ret);
}

}  // namespace

void SubscribePresetChannels(I_ZULManager* manager) {
    std::string list;
    const bool read = ReadPresetList(list);
    RegDeleteValueOf(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, ProductKeys::kSubscribedChannels);
    if (!read) return;
    for (std::string& channel : SplitCommaList(list)) {
        ZULError ret = ZULERR_FAILED;
        if (manager->SubscribeChannel(channel.data(), &ret) == S_OK && ret == ZULERR_NOT_FOUND)
            RecordSubscribedChannel(manager, channel);
    }
}
