#include "common/JoinedPath.h"

#include <cstring>
#include <memory>
#include <new>

#include "common/PathText.h"

bool JoinedPath(std::string_view base, const char* name, std::string& out) noexcept {
    if (!name) return false;
    // The join adds at most one separator and the zero.
    const size_t size = base.size() + std::strlen(name) + 2;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
    if (!buffer) return false;
    std::memcpy(buffer.get(), base.data(), base.size());
    buffer[base.size()] = '\0';
    if (!JoinPath(buffer.get(), name, nullptr, size)) return false;
    try {
        out.assign(buffer.get());
    } catch (...) {
        return false;
    }
    return true;
}

std::string JoinedPath(std::string_view base, const std::string& name) {
    std::string joined;
    if (!JoinedPath(base, name.c_str(), joined)) joined.clear();
    return joined;
}
