// The front-end's side of channel records: reading and writing properties through
// I_ChannelInfo, looking channels up through the manager, and listing the recorded channels.
#pragma once
#include <windows.h>

#include <wrl/client.h>

#include <string>
#include <vector>

#include "ZULMan.h"

// One result of a manager or record call: its ZULError, or ZULERR_FAILED when the HRESULT failed
// without one. ret is taken by reference so that it is read after the call in the same
// expression has filled it (`CallResult(x->M(&ret), ret)`): arguments have no set order.
[[nodiscard]] ZULError CallResult(HRESULT hr, const ZULError& ret);

// Each answers the method's ZULError, or ZULERR_FAILED when the call failed without one.
[[nodiscard]] ZULError ReadChannelGuid(I_ChannelInfo* channel, std::string& out);
[[nodiscard]] ZULError ReadChannelProp(I_ChannelInfo* channel, const char* name, std::string& out);
[[nodiscard]] ZULError WriteChannelProp(I_ChannelInfo* channel, const char* name, const std::string& value);
[[nodiscard]] ZULError FlushChannel(I_ChannelInfo* channel);
[[nodiscard]] ZULError OpenChannel(I_ZULManager* manager, const std::string& guid,
                                   Microsoft::WRL::ComPtr<I_ChannelInfo>& out);

// "MenuName", else "Name"; the code of the "Name" read when neither is present.
[[nodiscard]] ZULError ReadChannelMenuName(I_ChannelInfo* channel, std::string& out);

// Names of the sub-keys of HKLM "Software\Tessary\ZUL\Channel", in index order.
std::vector<std::string> RecordedChannelGuids();
