// The "Range" header of a file request: one byte range ("bytes=A-B", "bytes=A-", "bytes=-N").
#pragma once
#include <cstdint>
#include <string_view>

struct ByteRange {
    enum Kind { Whole, Part, Unsatisfiable } kind = Whole;
    uint64_t first = 0, last = 0;  // inclusive, for Part
};

// A header that is absent, malformed or names several ranges asks for the whole file.
ByteRange ParseRange(std::string_view header, uint64_t size);
