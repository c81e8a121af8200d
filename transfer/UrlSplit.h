// Splitting an HTTP URL into host, port and path (portable core).
#pragma once
#include <cstdint>
#include <string>

struct UrlParts {
    std::string host;
    uint32_t port = 80;
    std::string path;  // from the first "/" after the host on, query included; may be empty
};

// The host begins after the first "//" (searched from the second character; the scheme is not
// looked at). A ":" before any "/" starts a decimal port; the first "/" starts the path.
// False for a URL without "//", an empty host, or a port that is not a number in 1..65535.
bool SplitUrl(const char* url, UrlParts& out);
