// C_MappedFile: a whole file mapped read-only into memory for as long as the object lives.
#pragma once
#include <windows.h>

#include <cstddef>

#include "common/Handles.h"

class C_MappedFile {
public:
    C_MappedFile() = default;
    ~C_MappedFile() { Close(); }
    C_MappedFile(const C_MappedFile&) = delete;
    C_MappedFile& operator=(const C_MappedFile&) = delete;

    // Opens an existing file for reading (not shared while it is being mapped) and maps all of
    // it; the file handle is closed once the view exists. False for a missing or empty file or
    // a failed mapping.
    bool Open(const char* path);
    void Close();

    const unsigned char* data() const { return static_cast<const unsigned char*>(m_view.get()); }
    size_t size() const { return m_nSize; }

private:
    UniqueHandle m_hMapping;
    UniqueMappedView m_view;
    size_t m_nSize = 0;
};
