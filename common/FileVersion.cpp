#include "common/FileVersion.h"

#include <windows.h>

#include <cstdio>
#include <vector>

bool GetFileVersionText(const char* path, char* text, int* major, int* minor, int* build, int* revision) {
    if (!path) return false;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return false;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path, 0, size, data.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed ||
        fixedSize < sizeof(VS_FIXEDFILEINFO))
        return false;
    const int parts[4] = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                          HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
    if (text) std::snprintf(text, 32, "%d.%d.%d.%d", parts[0], parts[1], parts[2], parts[3]);
    if (major) *major = parts[0];
    if (minor) *minor = parts[1];
    if (build) *build = parts[2];
    if (revision) *revision = parts[3];
    return true;
}
