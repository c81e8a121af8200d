#include "records/DecimalText.h"

namespace {
bool IsBlank(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
}  // namespace

ZULError ParseLeadingUnsigned(std::string_view text, uint32_t& value) noexcept {
    size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    if (pos >= text.size() || !IsDigit(text[pos])) return ZULERR_PARSE_ERROR;

    constexpr uint64_t kLimit = UINT32_MAX;
    uint64_t magnitude = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        // Once past 32 bits the number only saturates; the digits are still consumed.
        if (magnitude <= kLimit) magnitude = magnitude * 10 + static_cast<uint64_t>(text[pos] - '0');
    }
    if (magnitude > kLimit) {
        value = UINT32_MAX;
        return ZULERR_SUCCESS;
    }
    const uint32_t number = static_cast<uint32_t>(magnitude);
    value = negative ? static_cast<uint32_t>(0u - number) : number;
    return ZULERR_SUCCESS;
}
