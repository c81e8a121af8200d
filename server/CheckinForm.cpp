#include "server/CheckinForm.h"

#include "records/GuidText.h"

namespace {

constexpr size_t kShortTextLimit = 64;
constexpr size_t kNonceDigits = 32;

bool IsPrintable(char c) { return c > ' ' && c < 0x7f; }

bool IsShortText(std::string_view text) {
    if (text.empty() || text.size() > kShortTextLimit) return false;
    for (char c : text)
        if (!IsPrintable(c)) return false;
    return true;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

bool Canonical(std::string_view text, std::string& canonical) {
    GuidValue guid;
    if (ParseGuidText(text, guid) != kGuidParsed) return false;
    canonical = GuidToText(guid);
    return true;
}

// Reads "name=" at the front of rest and the value up to the next "&" (or the end).
bool TakeField(std::string_view& rest, std::string_view name, bool first, std::string_view& value) {
    if (!first) {
        if (rest.empty() || rest.front() != '&') return false;
        rest.remove_prefix(1);
    }
    if (rest.substr(0, name.size()) != name || rest.size() <= name.size() || rest[name.size()] != '=') return false;
    rest.remove_prefix(name.size() + 1);
    const size_t end = rest.find('&');
    value = rest.substr(0, end);
    rest.remove_prefix(value.size());
    return true;
}

// Calls onEntry(first, second) for every "first,second;" entry; false on a malformed one.
template <typename OnEntry>
bool ForEachPair(std::string_view list, OnEntry onEntry) {
    while (!list.empty()) {
        const size_t end = list.find(';');
        if (end == std::string_view::npos) return false;
        const std::string_view entry = list.substr(0, end);
        const size_t comma = entry.find(',');
        if (comma == std::string_view::npos) return false;
        if (!onEntry(entry.substr(0, comma), entry.substr(comma + 1))) return false;
        list.remove_prefix(end + 1);
    }
    return true;
}

CheckinFormResult Refuse(std::string reason) {
    CheckinFormResult result;
    result.reason = std::move(reason);
    return result;
}

}  // namespace

CheckinFormResult ParseCheckinForm(std::string_view body) {
    if (body.size() > kCheckinBodyLimit) return Refuse("request body over 1 MiB");
    CheckinFormResult result;
    CheckinForm& form = result.form;
    std::string_view rest = body, value;

    if (!TakeField(rest, "clversion", true, value) || !IsShortText(value)) return Refuse("bad or missing clversion");
    form.clversion = value;
    if (!TakeField(rest, "checkintype", false, value) || !IsShortText(value)) return Refuse("bad or missing checkintype");
    form.checkinType = value;
    if (!TakeField(rest, "machineguid", false, value)) return Refuse("missing machineguid");
    if (!Canonical(value, form.machine)) return Refuse("machineguid is not a GUID");

    if (!TakeField(rest, "channels", false, value)) return Refuse("missing channels");
    const bool channelsOk = ForEachPair(value, [&](std::string_view guid, std::string_view distId) {
        ListedChannel channel;
        if (!Canonical(guid, channel.guid) || !IsShortText(distId)) return false;
        channel.distId = distId;
        form.channels.push_back(std::move(channel));
        return true;
    });
    if (!channelsOk) return Refuse("malformed channels entry");

    if (!TakeField(rest, "installed", false, value)) return Refuse("missing installed");
    const bool installedOk = ForEachPair(value, [&](std::string_view item, std::string_view channel) {
        ReportedInstall install;
        if (!Canonical(item, install.item)) return false;
        if (!channel.empty() && !Canonical(channel, install.channel)) return false;
        form.installed.push_back(std::move(install));
        return true;
    });
    if (!installedOk) return Refuse("malformed installed entry");

    if (!rest.empty()) {
        if (!TakeField(rest, "nonce", false, value) || !rest.empty()) return Refuse("unexpected field after installed");
        if (value.size() != kNonceDigits) return Refuse("nonce is not 32 hexadecimal digits");
        for (char c : value)
            if (!IsHexDigit(c)) return Refuse("nonce is not 32 hexadecimal digits");
        form.nonce = std::string(value);
    }
    result.ok = true;
    return result;
}
