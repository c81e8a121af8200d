// Splitting an HTTP URL into host, port and path (portable core).
#pragma once
#include <cstdint>
#include <string>

constexpr uint32_t kDefaultHttpPort = 80;
constexpr uint32_t kDefaultHttpsPort = 443;
constexpr uint32_t kMaxTcpPort = 65535;

struct UrlParts {
    bool secure = false;  // "https://" (any case): TLS, port 443 unless one is named
    std::string host;
    uint32_t port = kDefaultHttpPort;
    std::string path;  // from the first "/" after the host on, query included; may be empty
};

// The host begins after the first "//" (searched from the second character); the scheme is only
// looked at for "https://", which makes the exchange secure. A ":" before any "/" starts a decimal port; the first "/" starts the path.
// False for a URL without "//", an empty host, or a port that is not a number in 1..65535.
bool SplitUrl(const char* url, UrlParts& out);

// Whether url starts with "https://" (any case).
bool IsSecureUrl(const char* url);
