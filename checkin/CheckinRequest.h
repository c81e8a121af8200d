// The body of a check-in request: the machine identifier, the subscribed channels in ascending
// priority and the pending installed items, as form data with nothing escaped.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A channel record as the check-in sees it.
struct CheckinChannel {
    std::string guid;                    // canonical text
    std::string subscribed;              // "Subscribed" ("" when absent)
    std::optional<std::string> priority; // "Priority"
    std::optional<std::string> distId;   // "DistID"
};

// The channels to list, in the order of the request: subscribed ("1", any case) with a priority
// above 0, ascending; of channels with equal priorities only the last in enumeration order.
std::vector<const CheckinChannel*> ListedChannels(const std::vector<CheckinChannel>& channels);

// "{GUID},DISTID;" ("no-distid" when the channel has none).
std::string ChannelEntry(const CheckinChannel& channel);

// The request is kept within this many bytes, as servers expect.
constexpr size_t kCheckinRequestLimit = 16384;

struct CheckinRequest {
    std::string body;
    bool anyChannel = false;
    // The part of the pending installed list the body carries: whole entries from its start.
    std::string reportedInstalled;
};

// Builds the request within kCheckinRequestLimit bytes (without a terminating zero). Channel
// entries come first and the pending list after them; what does not fit is left out by whole
// entries, never cut in the middle, so that it can be sent by a later check-in. A nonce (asked
// for when answers must be signed) ends the body as "&nonce=" and its text; its room is kept.
CheckinRequest BuildCheckinRequest(std::string_view machineGuid, const std::vector<const CheckinChannel*>& channels,
                                   std::string_view installed, std::string_view nonce = {});
