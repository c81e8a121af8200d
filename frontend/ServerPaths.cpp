#include "frontend/ServerPaths.h"

#include "common/PathText.h"
#include "common/TextCompare.h"

namespace ServerPaths {

namespace {
constexpr std::string_view kForbidden = "\\/:*?\"<>|";
}  // namespace

bool IsPlainName(std::string_view text) {
    if (text.empty() || text == "." || text == "..") return false;
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || kForbidden.find(c) != std::string_view::npos) return false;
    return text.back() != '.' && text.back() != ' ';
}

bool IsPlainRelativePath(std::string_view text) {
    if (text.empty()) return false;
    for (;;) {
        const size_t separator = text.find_first_of("\\/");
        if (!IsPlainName(text.substr(0, separator))) return false;
        if (separator == std::string_view::npos) return true;
        text.remove_prefix(separator + 1);
    }
}

bool IsRootedPath(std::string_view path) {
    return (!path.empty() && IsPathSeparator(path[0])) || (path.size() >= 2 && path[1] == ':');
}

bool IsInsideFolder(std::string_view path, std::string_view folder) {
    if (folder.empty() || path.size() <= folder.size() || !StartsWithNoCase(path, folder)) return false;
    // A root such as "C:\" ends in its separator already.
    if (IsPathSeparator(folder.back())) return true;
    return path.size() > folder.size() + 1 && IsPathSeparator(path[folder.size()]);
}

std::string WithoutTrailingSeparators(std::string_view path) {
    size_t end = path.size();
    const size_t keep = (path.size() >= 3 && path[1] == ':') ? 3 : 1;
    while (end > keep && IsPathSeparator(path[end - 1])) --end;
    return std::string(path.substr(0, end));
}

std::string WithoutQuotes(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != '"') out += c;
    return out;
}

}  // namespace ServerPaths
