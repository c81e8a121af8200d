// Channel subscription and priority, shared by the subscription methods and the processing of
// Channel blocks.
#pragma once
#include <windows.h>

#include "ZULMan.h"

enum class SubscriptionChange { Unsubscribe = -1, Keep = 0, Subscribe = 1 };

// Sets the channel's "Subscribed" ("1" or "0"; Keep leaves it), gives it a "Priority" when it
// has none, and flushes the record. An unknown channel: ZULERR_NOT_FOUND with S_OK (a channel
// exists only once a response recorded it); a bad id: ZULERR_BAD_GUID with S_FALSE. When no
// priority can be handed out, the counter's code with S_FALSE and nothing is stored.
[[nodiscard]] HRESULT UpdateSubscription(const char* chGuid, SubscriptionChange change, ZULError* ret);

// Hands out the next channel priority from the REG_DWORD "ChannelPriCounter" of the channels'
// key (absent counts as 1) and stores the one after it. ZULERR_OPEN_REG_KEY_FAILED,
// ZULERR_REG_GET_VALUE_FAILED (also for a stored value that is no REG_DWORD, or so large that
// no positive priority follows it) or ZULERR_REG_SET_VALUE_FAILED on failure.
[[nodiscard]] ZULError NextChannelPriority(LONG& priority);
