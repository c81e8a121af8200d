#include "server/FileRange.h"

#include <charconv>

namespace {

bool ReadNumber(std::string_view text, uint64_t& value) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

ByteRange ParseRange(std::string_view header, uint64_t size) {
    constexpr std::string_view kUnit = "bytes=";
    ByteRange whole;
    if (header.substr(0, kUnit.size()) != kUnit) return whole;
    const std::string_view spec = header.substr(kUnit.size());
    const size_t dash = spec.find('-');
    if (dash == std::string_view::npos || spec.find(',') != std::string_view::npos) return whole;
    const std::string_view from = spec.substr(0, dash), to = spec.substr(dash + 1);
    uint64_t first = 0, last = 0;
    ByteRange range{ByteRange::Part, 0, 0};
    if (from.empty()) {  // the last N bytes
        if (!ReadNumber(to, last)) return whole;
        if (last == 0 || size == 0) return {ByteRange::Unsatisfiable, 0, 0};
        range.first = last >= size ? 0 : size - last;
        range.last = size - 1;
        return range;
    }
    if (!ReadNumber(from, first)) return whole;
    if (to.empty())
        last = size ? size - 1 : 0;
    else if (!ReadNumber(to, last) || last < first)
        return whole;
    if (first >= size) return {ByteRange::Unsatisfiable, 0, 0};
    range.first = first;
    range.last = last >= size ? size - 1 : last;
    return range;
}
