// Path text functions over arbitrary text: no overrun, and joins that fit are well formed.
#include "common/PathText.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // First byte: output size; the rest splits at its first zero into base and name.
    const size_t outSize = data[0];
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t split = text.find('\0');
    std::string base = text.substr(0, split);
    std::string name = split == std::string::npos ? std::string() : text.substr(split + 1);
    name = name.substr(0, name.find('\0'));

    // Exact-size heap buffers, so that any overrun is caught by the sanitizer.
    char* out = static_cast<char*>(std::malloc(outSize ? outSize : 1));
    char* baseCopy = static_cast<char*>(std::malloc(base.size() + 1));
    std::memcpy(baseCopy, base.c_str(), base.size() + 1);
    if (JoinPath(baseCopy, name.c_str(), out, outSize)) {
        const size_t length = std::strlen(out);
        if (length >= outSize) std::abort();
        if (!base.empty() && !name.empty()) {
            // Exactly the base's text, then one separator unless the base ended in one.
            if (std::strncmp(out, base.c_str(), base.size()) != 0) std::abort();
        }
    }
    // In place into the base's own exact-size buffer.
    JoinPath(baseCopy, name.c_str(), nullptr, base.size() + 1);

    if (GetDirectoryPart(base.c_str(), out, outSize)) {
        if (std::strlen(out) >= outSize || std::strlen(out) > base.size() + 1) std::abort();
    }
    const char* extension = FindExtension(base.c_str());
    if (extension && *extension != '.') std::abort();
    const char* file = GetFileNamePart(base.c_str());
    if (file < base.c_str() || file > base.c_str() + base.size()) std::abort();

    std::free(baseCopy);
    std::free(out);
    return 0;
}
