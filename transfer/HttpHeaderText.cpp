#include "transfer/HttpHeaderText.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void SkipBlanks(std::string_view text, size_t& pos) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
}

// Blanks, then at least one digit; the value must not exceed limit.
bool ReadNumber(std::string_view text, size_t& pos, uint64_t limit, uint64_t& value) {
    SkipBlanks(text, pos);
    size_t start = pos;
    value = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        value = value * 10 + static_cast<uint64_t>(text[pos] - '0');
        if (value > limit) return false;
    }
    return pos > start;
}

bool Expect(std::string_view text, size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

}  // namespace

bool IsErrorStatus(uint32_t status) {
    return status == 300 || (status >= 400 && status <= 415) || (status >= 500 && status <= 505);
}

bool ParseContentRange(std::string_view text, ContentRange& out) {
    constexpr std::string_view kUnit = "bytes";
    size_t pos = 0;
    SkipBlanks(text, pos);
    if (text.substr(pos, kUnit.size()) != kUnit) return false;
    pos += kUnit.size();

    constexpr uint64_t kMax32 = 0xFFFFFFFFu;
    uint64_t first = 0, last = 0, total = 0;
    if (!ReadNumber(text, pos, kMax32, first) || !Expect(text, pos, '-')) return false;
    if (!ReadNumber(text, pos, kMax32, last) || !Expect(text, pos, '/')) return false;
    if (!ReadNumber(text, pos, kMax32, total)) return false;
    if (last < first || last >= total) return false;

    out.first = static_cast<uint32_t>(first);
    out.last = static_cast<uint32_t>(last);
    out.total = static_cast<uint32_t>(total);
    return true;
}

bool ParseContentLength(std::string_view text, uint64_t& out) {
    constexpr uint64_t kLimit = uint64_t{1} << 63;
    size_t pos = 0;
    uint64_t value = 0;
    if (!ReadNumber(text, pos, kLimit, value)) return false;
    SkipBlanks(text, pos);
    if (pos != text.size()) return false;
    out = value;
    return true;
}
