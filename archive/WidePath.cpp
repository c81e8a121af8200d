#include "archive/WidePath.h"

namespace {

constexpr wchar_t kLongPrefix[] = L"\\\\?\\";
constexpr wchar_t kLongUncPrefix[] = L"\\\\?\\UNC\\";

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDrivePath(const std::wstring& path) {
    return path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]) &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

bool IsUncPath(const std::wstring& path) {
    return path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] != L'?' &&
           path[2] != L'.';
}

std::wstring Widen(const char* path) {
    const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), length) != length) return std::wstring();
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

// The absolute, normalised form of a path (relative parts and "." / ".." resolved).
std::wstring FullPath(const std::wstring& path) {
    const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) return std::wstring();
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) return std::wstring();
    full.resize(written);
    return full;
}

}  // namespace

std::wstring ToWidePath(const char* path) {
    if (!path) return std::wstring();
    std::wstring wide = Widen(path);
    // Leave room for the 8.3 name and ".tmp" that directory APIs may still append.
    if (wide.size() < MAX_PATH - 12) return wide;
    const std::wstring full = FullPath(wide);
    if (IsDrivePath(full)) return kLongPrefix + full;
    if (IsUncPath(full)) return kLongUncPrefix + full.substr(2);
    return wide;
}

DWORD WideFileAttributes(const char* path) {
    const std::wstring wide = ToWidePath(path);
    return wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
}

bool WideFileExists(const char* path) {
    const DWORD attributes = WideFileAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WideDeleteFile(const char* path) {
    const std::wstring wide = ToWidePath(path);
    return !wide.empty() && DeleteFileW(wide.c_str()) != FALSE;
}

bool WideReplaceFile(const char* from, const char* to) {
    const std::wstring source = ToWidePath(from);
    const std::wstring target = ToWidePath(to);
    if (source.empty() || target.empty()) return false;
    if (MoveFileW(source.c_str(), target.c_str())) return true;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
    // Deleting refuses a read-only file (moving over one would not, on some systems).
    return DeleteFileW(target.c_str()) && MoveFileW(source.c_str(), target.c_str());
}
