// Answer headers of the HTTP engine: "Content-Range" and "Content-Length" values either parse
// into consistent numbers or are refused.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "transfer/HttpHeaderText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ContentRange range;
    if (ParseContentRange(text, range) && (range.last < range.first || range.last >= range.total))
        std::abort();
    uint64_t length = 0;
    if (ParseContentLength(text, length) && length > (uint64_t{1} << 63)) std::abort();
    if (size >= 4) {
        uint32_t status;
        __builtin_memcpy(&status, data, sizeof(status));
        (void)IsErrorStatus(status);
    }
    return 0;
}
