#include "transfer/NetscapePrefsText.h"

#include <cstring>

#include "common/PathText.h"

namespace {

enum Key { kType, kHost, kPort, kAutoConfig, kKeyCount };

struct PrefKey {
    std::string_view pattern;  // quoted key name followed by a comma
    size_t valueOffset;        // from the start of the pattern to the value: comma + one blank
};

constexpr PrefKey kKeys[kKeyCount] = {
    {"\"network.proxy.type\",", 22},
    {"\"network.proxy.http\",", 22},
    {"\"network.proxy.http_port\",", 27},
    {"\"network.proxy.autoconfig_url\",", 32},
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Blanks, an optional "+", then digits; the value must not exceed limit.
bool ScanUnsigned(std::string_view text, uint32_t limit, uint32_t& out) {
    size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos])) ++pos;
    if (pos < text.size() && text[pos] == '+') ++pos;
    const size_t start = pos;
    uint64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10 + static_cast<uint64_t>(text[pos] - '0');
        if (value > limit) return false;
    }
    if (pos == start) return false;
    out = static_cast<uint32_t>(value);
    return true;
}

// A double quote, then one or more characters in the range "." to "z"; stored with a zero.
bool ScanQuotedRun(std::string_view text, char (&out)[kNetscapeTextMax + 1]) {
    if (text.empty() || text[0] != '"') return false;
    size_t end = 1;
    while (end < text.size() && text[end] >= '.' && text[end] <= 'z') ++end;
    const size_t length = end - 1;
    if (length == 0 || length > kNetscapeTextMax) return false;
    std::memcpy(out, text.data() + 1, length);
    out[length] = '\0';
    return true;
}

void ReadValue(Key key, std::string_view value, NetscapeProxyPrefs& prefs) {
    uint32_t number = 0;
    switch (key) {
    case kType:
        if (ScanUnsigned(value, 0xFFFFFFFFu, number)) prefs.type = number;
        break;
    case kPort:
        if (ScanUnsigned(value, 0xFFFFu, number)) prefs.port = static_cast<uint16_t>(number);
        break;
    case kHost:
        ScanQuotedRun(value, prefs.host);
        break;
    case kAutoConfig:
        ScanQuotedRun(value, prefs.autoConfigUrl);
        break;
    default:
        break;
    }
}

}  // namespace

void ScanNetscapePrefs(std::string_view text, NetscapeProxyPrefs& prefs) {
    // The piece (from the key on) in which each key was first found.
    std::string_view found[kKeyCount];
    bool seen[kKeyCount] = {};

    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of(";\n", pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view piece = text.substr(pos, end - pos);
        for (int k = 0; k < kKeyCount; ++k) {
            if (seen[k]) continue;
            const size_t at = piece.find(kKeys[k].pattern);
            if (at == std::string_view::npos) continue;
            seen[k] = true;
            found[k] = piece.substr(at);
        }
        pos = end + 1;
    }

    for (int k = 0; k < kKeyCount; ++k) {
        if (!seen[k] || found[k].size() < kKeys[k].valueOffset) continue;
        ReadValue(static_cast<Key>(k), found[k].substr(kKeys[k].valueOffset), prefs);
    }
}

bool NetscapeUsersDirFromExe(const char* exePath, char* out, size_t outSize) {
    if (!exePath || !out || outSize == 0) return false;
    size_t length = std::strlen(exePath);
    if (length >= outSize) return false;
    std::memcpy(out, exePath, length + 1);

    // Executable name, program directory, product directory.
    for (int cut = 0; cut < 3; ++cut) {
        char* last = std::strrchr(out, '\\');
        if (!last) return false;
        *last = '\0';
    }
    length = std::strlen(out);
    constexpr size_t kUsersSuffix = 5;  // "\" and "Users"
    if (length + kUsersSuffix + 1 >= outSize) return false;
    return JoinPath(out, "Users") != 0;
}
