#include "transfer/UrlSplit.h"

#include <cstring>

namespace {

// Decimal port text: optional blanks, optional "+", digits; trailing text after the digits is
// ignored as a formatted scan would. False when no digit is present or the value is no port.
bool ParsePort(const std::string& text, uint32_t& port) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && text[i] == '+') ++i;
    uint32_t value = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        value = value * 10 + static_cast<uint32_t>(text[i] - '0');
        if (value > kMaxTcpPort) return false;
    }
    if (digits == 0 || value == 0) return false;
    port = value;
    return true;
}

}  // namespace

bool IsSecureUrl(const char* url) {
    constexpr char kSecureScheme[] = "https://";
    if (!url) return false;
    for (size_t i = 0; i < sizeof kSecureScheme - 1; ++i) {
        const char c = url[i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != kSecureScheme[i]) return false;
    }
    return true;
}

bool SplitUrl(const char* url, UrlParts& out) {
    if (!url || !url[0]) return false;
    const char* slashes = std::strstr(url + 1, "//");
    if (!slashes) return false;
    const char* authority = slashes + 2;
    const char* pathStart = std::strchr(authority, '/');
    const char* authorityEnd = pathStart ? pathStart : authority + std::strlen(authority);
    const char* colon = static_cast<const char*>(
        std::memchr(authority, ':', static_cast<size_t>(authorityEnd - authority)));

    const char* hostEnd = colon ? colon : authorityEnd;
    if (hostEnd == authority) return false;

    const bool secure = IsSecureUrl(url);
    uint32_t port = secure ? kDefaultHttpsPort : kDefaultHttpPort;
    if (colon && !ParsePort(std::string(colon + 1, authorityEnd), port)) return false;

    out.secure = secure;
    out.host.assign(authority, hostEnd);
    out.port = port;
    out.path.assign(pathStart ? pathStart : "");
    return true;
}
