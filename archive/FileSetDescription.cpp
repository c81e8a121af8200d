#include "archive/FileSetDescription.h"

#include <cstring>
#include <string_view>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char ToLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ToLowerAscii(a[i]) != ToLowerAscii(b[i])) return false;
    return true;
}

// Stores one key/value pair; false when a number field holds no number.
bool ApplyPair(std::string_view key, std::string_view value, FileSetDescription* description) {
    if (EqualsNoCase(key, "GUID")) {
        description->sGuid.assign(value);
        return true;
    }
    if (EqualsNoCase(key, "Name")) {
        description->sName.assign(value);
        return true;
    }
    int32_t* number = nullptr;
    if (EqualsNoCase(key, "Flags")) number = &description->nFlags;
    else if (EqualsNoCase(key, "NumFiles")) number = &description->nNumFiles;
    else if (EqualsNoCase(key, "TotalBytes")) number = &description->nTotalBytes;
    if (!number) return true;
    return ParseDescriptionNumber(std::string(value), number);
}

}  // namespace

bool ParseDescriptionNumber(const std::string& value, int32_t* number) {
    size_t i = 0;
    while (i < value.size() && IsBlank(value[i])) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
    if (i >= value.size() || !IsDigit(value[i])) return false;

    const int64_t limit = negative ? int64_t{INT32_MAX} + 1 : int64_t{INT32_MAX};
    int64_t magnitude = 0;
    for (; i < value.size() && IsDigit(value[i]); ++i) {
        magnitude = magnitude * 10 + (value[i] - '0');
        if (magnitude > limit) magnitude = limit;
    }
    *number = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

ZULError ParseFileSetDescription(const char* text, size_t length, FileSetDescription* description) {
    if (!description || (!text && length)) return ZULERR_INVALID_ARGUMENT;
    if (text) {
        const void* zero = std::memchr(text, '\0', length);
        if (zero) length = static_cast<size_t>(static_cast<const char*>(zero) - text);
    }
    std::string_view rest(text ? text : "", length);
    while (!rest.empty()) {
        size_t end = rest.find_first_of("\r\n");
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.empty()) continue;

        size_t equals = line.find('=');
        if (equals == std::string_view::npos) return ZULERR_PARSE_ERROR;
        if (!ApplyPair(line.substr(0, equals), line.substr(equals + 1), description))
            return ZULERR_PARSE_ERROR;
    }
    return ZULERR_SUCCESS;
}
