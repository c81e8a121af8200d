#include "records/GuidText.h"

#include <algorithm>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Offsets of the hyphens in the braced form.
constexpr size_t kHyphens[] = {9, 14, 19, 24};

int HexValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads `digits` hexadecimal digits at `pos`; false on any other character.
bool ReadHex(std::string_view text, size_t pos, size_t digits, uint32_t& value) noexcept {
    value = 0;
    for (size_t i = 0; i < digits; ++i) {
        int digit = HexValue(text[pos + i]);
        if (digit < 0) return false;
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return true;
}

// The strict reading of exactly "{8-4-4-4-12}".
bool ParseBracedGuid(std::string_view text, GuidValue& guid) noexcept {
    if (text.size() != kGuidTextLength || text.front() != '{' || text.back() != '}') return false;
    for (size_t hyphen : kHyphens)
        if (text[hyphen] != '-') return false;
    GuidValue parsed;
    uint32_t value = 0;
    if (!ReadHex(text, 1, 8, parsed.data1)) return false;
    if (!ReadHex(text, 10, 4, value)) return false;
    parsed.data2 = static_cast<uint16_t>(value);
    if (!ReadHex(text, 15, 4, value)) return false;
    parsed.data3 = static_cast<uint16_t>(value);
    // Data4: two bytes before the fourth hyphen, six after it.
    constexpr size_t kByteOffsets[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (size_t i = 0; i < 8; ++i) {
        if (!ReadHex(text, kByteOffsets[i], 2, value)) return false;
        parsed.data4[i] = static_cast<uint8_t>(value);
    }
    guid = parsed;
    return true;
}

void PutHex(uint32_t value, size_t digits, char* out) noexcept {
    for (size_t i = digits; i-- > 0; value >>= 4) out[i] = kHexDigits[value & 0xF];
}

}  // namespace

bool GuidValue::IsNull() const noexcept {
    return data1 == 0 && data2 == 0 && data3 == 0 &&
           std::all_of(data4.begin(), data4.end(), [](uint8_t b) { return b == 0; });
}

int32_t ParseGuidText(std::string_view text, GuidValue& guid) noexcept {
    if (text.size() < kGuidBareTextLength || text.size() > kGuidTextLength) return kGuidWrongLength;
    char braced[kGuidTextLength + 2];
    size_t length = 0;
    if (text.front() != '{') braced[length++] = '{';
    text.copy(braced + length, text.size());
    length += text.size();
    if (text.back() != '}') braced[length++] = '}';
    if (length != kGuidTextLength) return kGuidWrongLength;
    return ParseBracedGuid(std::string_view(braced, length), guid) ? kGuidParsed : kGuidMalformed;
}

bool IsGuidText(std::string_view text) noexcept {
    GuidValue guid;
    return ParseGuidText(text, guid) == kGuidParsed;
}

void FormatGuidText(const GuidValue& guid, GuidTextBuffer& text) noexcept {
    char* out = text.data();
    out[0] = '{';
    PutHex(guid.data1, 8, out + 1);
    out[9] = '-';
    PutHex(guid.data2, 4, out + 10);
    out[14] = '-';
    PutHex(guid.data3, 4, out + 15);
    out[19] = '-';
    PutHex(guid.data4[0], 2, out + 20);
    PutHex(guid.data4[1], 2, out + 22);
    out[24] = '-';
    for (size_t i = 2; i < 8; ++i) PutHex(guid.data4[i], 2, out + 25 + 2 * (i - 2));
    out[37] = '}';
    out[kGuidTextLength] = '\0';
}

std::string GuidToText(const GuidValue& guid) {
    GuidTextBuffer text;
    FormatGuidText(guid, text);
    return std::string(text.data(), kGuidTextLength);
}
