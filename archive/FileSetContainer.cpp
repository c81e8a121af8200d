#include "archive/FileSetContainer.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

// Offset of the first delimiter at or after `from`, or `length` when there is none.
size_t FindDelimiter(const unsigned char* block, size_t from, size_t length) {
    if (length < kFileSetDelimiterLength || from > length - kFileSetDelimiterLength) return length;
    const auto* pattern = reinterpret_cast<const unsigned char*>(kFileSetDelimiter);
    std::boyer_moore_horspool_searcher searcher(pattern, pattern + kFileSetDelimiterLength);
    const unsigned char* end = block + length;
    const unsigned char* hit = std::search(block + from, end, searcher);
    return static_cast<size_t>(hit - block);
}

}  // namespace

ZULError FindFileSetCabinet(const unsigned char* block, size_t length, FileSetCabinetSpan* span) {
    if (!block || !span) return ZULERR_INVALID_ARGUMENT;
    size_t delimiter = FindDelimiter(block, 0, length);
    if (delimiter == length) return ZULERR_NOT_FOUND;

    size_t start = delimiter + kFileSetDelimiterLength;
    if (length - start < kCabinetSignatureLength ||
        std::memcmp(block + start, kCabinetSignature, kCabinetSignatureLength) != 0)
        return ZULERR_PARSE_ERROR;

    size_t next = FindDelimiter(block, start, length);
    span->offset = start;
    span->length = next - start;
    return ZULERR_SUCCESS;
}
