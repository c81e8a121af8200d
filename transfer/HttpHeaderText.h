// Reading the answer headers that steer a transfer (portable core): the status classes, the
// "Content-Range" of a partial answer and the "Content-Length".
#pragma once
#include <cstdint>
#include <string_view>

// The statuses that end a transfer as a server error: 300, 400 to 415 and 500 to 505. Every
// other status is read like a success (416 included: a range past the end of the file).
bool IsErrorStatus(uint32_t status);

constexpr uint32_t kStatusPartialContent = 206;
constexpr uint32_t kStatusRangeNotSatisfiable = 416;

struct ContentRange {
    uint32_t first = 0;
    uint32_t last = 0;
    uint32_t total = 0;
};

// "bytes FIRST-LAST/TOTAL" with three unsigned 32-bit decimal numbers (blanks allowed before
// each number). False when a number is missing or too large, when LAST < FIRST, or when
// LAST >= TOTAL: such an answer cannot describe a part of the file.
bool ParseContentRange(std::string_view text, ContentRange& out);

// A "Content-Length" value: optional blanks, then decimal digits up to the end or to blanks.
// False for anything else (signs, garbage, no digits) and for values above 2^63.
bool ParseContentLength(std::string_view text, uint64_t& out);
