#include "archive/MappedFile.h"

#include <cstdint>
#include <string>

#include "archive/WidePath.h"

bool C_MappedFile::Open(const char* path) {
    Close();
    if (!path) return false;
    const std::wstring widePath = ToWidePath(path);
    if (widePath.empty()) return false;
    UniqueHandle file(CreateFileW(widePath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX)
        return false;

    UniqueHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return false;
    UniqueMappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return false;

    m_hMapping = std::move(mapping);
    m_view = std::move(view);
    m_nSize = static_cast<size_t>(size.QuadPart);
    return true;
}

void C_MappedFile::Close() {
    m_view.reset();
    m_nSize = 0;
    m_hMapping.reset();
}
