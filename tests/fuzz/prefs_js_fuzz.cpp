// Netscape "prefs.js" proxy reader: any text leaves zero-terminated host and URL fields of at
// most 255 characters from the accepted run.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "transfer/NetscapePrefsText.h"

namespace {

void CheckRun(const char (&field)[kNetscapeTextMax + 1]) {
    const size_t length = strnlen(field, sizeof(field));
    if (length > kNetscapeTextMax) std::abort();
    for (size_t i = 0; i < length; ++i)
        if (field[i] < '.' || field[i] > 'z') std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    NetscapeProxyPrefs prefs;
    ScanNetscapePrefs(std::string_view(reinterpret_cast<const char*>(data), size), prefs);
    CheckRun(prefs.host);
    CheckRun(prefs.autoConfigUrl);
    return 0;
}
