#include "archive/MemoryPath.h"

#include <cstring>

namespace {

constexpr size_t kPrefixLength = sizeof(kMemoryPathPrefix) - 1;
constexpr char kHexDigits[] = "0123456789ABCDEF";

// Appends `digits` upper-case hexadecimal digits of value.
char* PutHex(char* out, uint64_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i) *out++ = kHexDigits[(value >> (4 * i)) & 0xF];
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ReadHex(const char* text, size_t digits, uint64_t* value) {
    uint64_t result = 0;
    for (size_t i = 0; i < digits; ++i) {
        int digit = HexValue(text[i]);
        if (digit < 0) return false;
        result = (result << 4) | static_cast<uint64_t>(digit);
    }
    *value = result;
    return true;
}

bool HasPrefix(const char* name) {
    for (size_t i = 0; i < kPrefixLength; ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kMemoryPathPrefix[i]) return false;
    }
    return true;
}

}  // namespace

size_t FormatMemoryPath(uint64_t address, uint32_t size, char (&out)[kMemoryPathBufferSize]) {
    const int addressDigits = (address >> 32) ? 16 : 8;
    char* p = out;
    std::memcpy(p, kMemoryPathPrefix, kPrefixLength);
    p = PutHex(p + kPrefixLength, address, addressDigits);
    *p++ = ':';
    p = PutHex(p, size, 8);
    *p = '\0';
    return static_cast<size_t>(p - out);
}

bool ParseMemoryPath(const char* name, uint64_t* address, uint32_t* size) {
    if (!name) return false;
    const size_t length = std::strlen(name);
    if (length != kMemoryPathLength && length != kWideMemoryPathLength) return false;
    if (!HasPrefix(name)) return false;

    const size_t addressDigits = length - kPrefixLength - 1 - 8;
    const size_t colon = kPrefixLength + addressDigits;
    uint64_t addressValue = 0;
    uint64_t sizeValue = 0;
    if (name[colon] != ':' || !ReadHex(name + kPrefixLength, addressDigits, &addressValue) ||
        !ReadHex(name + colon + 1, 8, &sizeValue))
        return false;
    if (addressDigits == 16 && (addressValue >> 32) == 0) return false;

    if (address) *address = addressValue;
    if (size) *size = static_cast<uint32_t>(sizeValue);
    return true;
}
