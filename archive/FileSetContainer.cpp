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

// The cabinet's own size ("cbCabinet", a little-endian 32-bit field at offset 8 of its header)
// when the header is whole and the size fits the block; 0 otherwise.
size_t HeaderCabinetSize(const unsigned char* cabinet, size_t available) {
    if (available < kCabinetHeaderSize) return 0;
    const size_t size = size_t{cabinet[8]} | size_t{cabinet[9]} << 8 | size_t{cabinet[10]} << 16 |
                        size_t{cabinet[11]} << 24;
    return size >= kCabinetHeaderSize && size <= available ? size : 0;
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

    // A payload may itself hold the delimiter text (a file set carrying this program does), so
    // the header's size decides where the cabinet ends; the next delimiter only when the header
    // gives no usable size.
    const size_t headerSize = HeaderCabinetSize(block + start, length - start);
    span->offset = start;
    span->length = headerSize ? headerSize : FindDelimiter(block, start, length) - start;
    return ZULERR_SUCCESS;
}
