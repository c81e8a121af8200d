#include "archive/MemberPath.h"

#include <string_view>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ToUpperAscii(a[i]) != ToUpperAscii(b[i])) return false;
    return true;
}

// "CON", "AUX", "COM1"... name devices in every directory, whatever extension follows them;
// trailing dots and blanks of the base name are ignored by the system too.
bool IsDeviceName(std::string_view component) {
    std::string_view base = component.substr(0, component.find('.'));
    while (!base.empty() && (base.back() == ' ' || base.back() == '.')) base.remove_suffix(1);
    static constexpr std::string_view kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (std::string_view device : kDevices)
        if (EqualsNoCase(base, device)) return true;
    if (base.size() == 4 && base[3] >= '1' && base[3] <= '9')
        return EqualsNoCase(base.substr(0, 3), "COM") || EqualsNoCase(base.substr(0, 3), "LPT");
    return false;
}

bool IsOnlyDotsAndBlanks(std::string_view component) {
    return component.find_first_not_of(". ") == std::string_view::npos;
}

bool IsSafeComponent(std::string_view component) {
    if (component.empty()) return true;  // "a//b" collapses to "a\b"
    return !IsOnlyDotsAndBlanks(component) && !IsDeviceName(component);
}

// The name without its one leading separator, or false when it cannot be placed safely.
bool RelativeMemberName(const char* name, std::string_view* relative) {
    if (!name) return false;
    std::string_view rest(name);
    if (!rest.empty() && IsSeparator(rest.front())) rest.remove_prefix(1);
    if (rest.empty() || IsSeparator(rest.front()) || IsSeparator(rest.back())) return false;
    for (char c : rest)
        if (c == ':' || static_cast<unsigned char>(c) < 0x20) return false;

    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = start;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        if (!IsSafeComponent(rest.substr(start, end - start))) return false;
        start = end + 1;
    }
    *relative = rest;
    return true;
}

}  // namespace

bool IsSafeMemberName(const char* name) {
    std::string_view relative;
    return RelativeMemberName(name, &relative);
}

bool JoinMemberPath(const std::string& directory, const char* name, std::string* target) {
    std::string_view relative;
    if (directory.empty() || !target || !RelativeMemberName(name, &relative)) return false;
    target->reserve(directory.size() + 1 + relative.size());
    target->assign(directory);
    target->push_back('\\');
    target->append(relative);
    return true;
}
