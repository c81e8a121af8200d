// Reading a number stored as decimal text, the way the C runtime's "%lu" conversion reads it.
#pragma once
#include <cstdint>
#include <string_view>

#include "common/ZULErrorCodes.h"

// Reads the unsigned number at the start of `text`: leading white space is skipped, an optional
// "+" or "-" follows (a "-" negates the number modulo 2^32), then one or more decimal digits;
// whatever follows them is ignored ("12abc" reads as 12). A magnitude beyond 32 bits reads as
// 0xFFFFFFFF. Text that does not begin with a number gives ZULERR_PARSE_ERROR and leaves
// `value` unchanged.
[[nodiscard]] ZULError ParseLeadingUnsigned(std::string_view text, uint32_t& value) noexcept;
