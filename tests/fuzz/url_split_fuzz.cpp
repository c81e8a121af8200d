// URL splitting of the HTTP engine: any text either splits into a sound host, port and path or
// is refused.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "transfer/UrlSplit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);  // zero-terminated copy
    UrlParts parts;
    if (!SplitUrl(url.c_str(), parts)) return 0;
    if (parts.host.empty() || parts.host.find_first_of(":/") != std::string::npos) std::abort();
    if (parts.port == 0 || parts.port > 65535) std::abort();
    if (!parts.path.empty() && parts.path[0] != '/') std::abort();
    return 0;
}
