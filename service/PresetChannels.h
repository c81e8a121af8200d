// Channels preset by an installer in "SubscribedChannels" of the product key.
#pragma once
#include "ZULMan.h"

// Reads and deletes the preset list (the value is gone afterwards, also when empty or
// unreadable) and subscribes each channel of it in the order of the text.
void SubscribePresetChannels(I_ZULManager* manager);
