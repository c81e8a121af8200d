#include "common/PathText.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr char kSeparator = '\\';

// Index of the last separator in text[0, length), or length when there is none.
size_t LastSeparator(const char* text, size_t length) {
    for (size_t i = length; i > 0; --i)
        if (IsPathSeparator(text[i - 1])) return i - 1;
    return length;
}

}  // namespace

int JoinPath(char* base, const char* name, char* out) {
    return JoinPath(base, name, out, SIZE_MAX);
}

int JoinPath(char* base, const char* name, char* out, size_t outSize) {
    if (!base || !name) return 0;
    if (!out) out = base;
    const size_t baseLength = std::strlen(base);
    const size_t nameLength = std::strlen(name);

    if (baseLength == 0) {
        if (nameLength >= outSize) return 0;
        std::memmove(out, name, nameLength + 1);
        return 1;
    }

    const bool baseEndsInSeparator = IsPathSeparator(base[baseLength - 1]);
    size_t keep = baseLength;   // characters of base that stay
    bool addSeparator = false;  // whether a "\" goes between base and name
    if (nameLength == 0) {
        if (baseEndsInSeparator) --keep;
    } else {
        addSeparator = !baseEndsInSeparator;
    }
    const char* tail = name;
    size_t tailLength = nameLength;
    if (tailLength > 0 && IsPathSeparator(tail[0])) {
        ++tail;
        --tailLength;
    }

    const size_t total = keep + (addSeparator ? 1 : 0) + tailLength;
    if (total >= outSize) return 0;
    // The name goes in first: when out is base, base's kept characters lie before it.
    std::memmove(out + keep + (addSeparator ? 1 : 0), tail, tailLength);
    if (out != base) std::memmove(out, base, keep);
    if (addSeparator) out[keep] = kSeparator;
    out[total] = '\0';
    return 1;
}

int GetDirectoryPart(const char* path, char* out, size_t outSize) {
    if (!path || !out) return 0;
    const size_t length = std::strlen(path);
    const size_t separator = LastSeparator(path, length);
    const char* start = path;
    size_t partLength = separator;
    if (separator == length) {
        start = ".";
        partLength = 1;
    } else if (separator == 0) {
        partLength = 1;  // a lone leading separator is the root
    }
    if (partLength >= outSize) return 0;
    std::memmove(out, start, partLength);
    out[partLength] = '\0';
    return 1;
}

const char* FindExtension(const char* path) {
    return path ? std::strrchr(path, '.') : nullptr;
}

const char* GetFileNamePart(const char* path) {
    if (!path) return nullptr;
    const size_t length = std::strlen(path);
    const size_t separator = LastSeparator(path, length);
    return separator == length ? path : path + separator + 1;
}
