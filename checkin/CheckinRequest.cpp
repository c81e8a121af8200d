#include "checkin/CheckinRequest.h"

#include <cstdint>
#include <cstdlib>

#include "common/TextCompare.h"

namespace {

constexpr char kHead[] = "clversion=1.1.1&checkintype=2&machineguid=";
constexpr char kChannels[] = "&channels=";
constexpr char kInstalled[] = "&installed=";
constexpr char kNonce[] = "&nonce=";

// A priority read as a decimal number; text that is not a number counts as 0.
uint32_t PriorityValue(const std::string& text) { return static_cast<uint32_t>(std::strtol(text.c_str(), nullptr, 10)); }

// The longest prefix of list made of whole ";"-terminated entries that fits into room bytes.
std::string_view WholeEntries(std::string_view list, size_t room) {
    if (list.size() <= room) return list;
    size_t end = list.rfind(';', room == 0 ? std::string_view::npos : room - 1);
    if (room == 0 || end == std::string_view::npos) return std::string_view();
    return list.substr(0, end + 1);
}

}  // namespace

std::vector<const CheckinChannel*> ListedChannels(const std::vector<CheckinChannel>& channels) {
    std::vector<const CheckinChannel*> listed;
    uint32_t lowerBound = 0;
    for (;;) {
        const CheckinChannel* chosen = nullptr;
        uint32_t chosenPriority = 0;
        for (const CheckinChannel& channel : channels) {
            if (!EqualsNoCase(channel.subscribed, "1") || !channel.priority) continue;
            const uint32_t priority = PriorityValue(*channel.priority);
            if (priority <= lowerBound) continue;
            if (!chosen || priority <= chosenPriority) {  // ties: the last enumerated wins
                chosen = &channel;
                chosenPriority = priority;
            }
        }
        if (!chosen) return listed;
        listed.push_back(chosen);
        lowerBound = chosenPriority;
    }
}

std::string ChannelEntry(const CheckinChannel& channel) {
    return channel.guid + "," + (channel.distId ? *channel.distId : std::string("no-distid")) + ";";
}

CheckinRequest BuildCheckinRequest(std::string_view machineGuid, const std::vector<const CheckinChannel*>& channels,
                                   std::string_view installed, std::string_view nonce) {
    CheckinRequest request;
    request.body.reserve(kCheckinRequestLimit);
    request.body += kHead;
    request.body += machineGuid;
    request.body += kChannels;
    const size_t nonceTail = nonce.empty() ? 0 : sizeof kNonce - 1 + nonce.size();
    const size_t fixedTail = sizeof kInstalled - 1 + nonceTail;
    for (const CheckinChannel* channel : channels) {
        const std::string entry = ChannelEntry(*channel);
        if (request.body.size() + entry.size() + fixedTail > kCheckinRequestLimit) break;
        request.body += entry;
        request.anyChannel = true;
    }
    request.body += kInstalled;
    const size_t used = request.body.size() + nonceTail;
    const size_t room = kCheckinRequestLimit > used ? kCheckinRequestLimit - used : 0;
    request.reportedInstalled = std::string(WholeEntries(installed, room));
    request.body += request.reportedInstalled;
    if (!nonce.empty()) (request.body += kNonce) += nonce;
    return request;
}
