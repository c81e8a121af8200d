// Channel subscription: the manager's subscription methods and the record update behind them.
#include "manager/Subscription.h"

#include <wrl/client.h>

#include <cstdio>
#include <cstring>

#include "common/Handles.h"
#include "common/ComResult.h"
#include "common/InterfaceText.h"
#include "manager/ZULManager.h"
#include "records/GuidText.h"
#include "records/RecordFactory.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kSubscribed[] = "Subscribed";
constexpr char kPriority[] = "Priority";
constexpr char kYes[] = "1";
constexpr char kNo[] = "0";

// Gives the channel its permanent priority; S_OK when it had one or got one.
HRESULT EnsurePriority(I_ChannelInfo* channel, ZULError* ret) {
    CoTaskMemString existing;
    ZULError found = ZULERR_FAILED;
    if (channel->GetProp(InText(kPriority), existing.put(), &found) == S_OK) return Report(ret, ZULERR_SUCCESS);

    LONG priority = 0;
    const ZULError counted = NextChannelPriority(priority);
    if (counted != ZULERR_SUCCESS) return Report(ret, counted);
    char text[16];
    std::snprintf(text, sizeof text, "%ld", priority);
    return channel->SetProp(InText(kPriority), text, ret);
}

}  // namespace

HRESULT UpdateSubscription(const char* chGuid, SubscriptionChange change, ZULError* retIn) {
    ResultSlot ret(retIn);
    // A null id would open a blank record; a malformed one is reported like the record's own.
    if (!chGuid || !IsGuidText(chGuid)) return Report(ret, ZULERR_BAD_GUID);

    ComPtr<I_ChannelInfo> channel;
    HRESULT hr = OpenChannelInfo(chGuid, &channel, ret);
    if (*ret != ZULERR_SUCCESS) return hr;

    ZULError unchecked = ZULERR_SUCCESS;
    if (change == SubscriptionChange::Subscribe) channel->SetProp(InText(kSubscribed), InText(kYes), &unchecked);
    if (change == SubscriptionChange::Unsubscribe) channel->SetProp(InText(kSubscribed), InText(kNo), &unchecked);

    if ((hr = EnsurePriority(channel.Get(), ret)) != S_OK) return hr;
    return channel->Flush(ret);
}

STDMETHODIMP ZULManager::SubscribeChannel(char* chguid, ZULError* ret) {
    return UpdateSubscription(chguid, SubscriptionChange::Subscribe, ret);
}

STDMETHODIMP ZULManager::UnSubscribeChannel(char* chguid, ZULError* ret) {
    return UpdateSubscription(chguid, SubscriptionChange::Unsubscribe, ret);
}

STDMETHODIMP ZULManager::IsChannelSubscribed(char* sChGuid, LONG* bSubscribed, ZULError* ret) {
    if (!bSubscribed) return Report(ret, ZULERR_INVALID_ARGUMENT);
    *bSubscribed = 0;
    // An unknown channel, a bad id or a missing value all read as not subscribed.
    ComPtr<I_ChannelInfo> channel;
    ZULError opened = ZULERR_FAILED;
    if (sChGuid && OpenChannelInfo(sChGuid, &channel, &opened) == S_OK && opened == ZULERR_SUCCESS) {
        CoTaskMemString value;
        ZULError read = ZULERR_FAILED;
        if (channel->GetProp(InText(kSubscribed), value.put(), &read) == S_OK && std::strcmp(value.c_str(), kYes) == 0)
            *bSubscribed = 1;
    }
    return Report(ret, ZULERR_SUCCESS);
}
