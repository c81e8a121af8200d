// C_CabDecoder: one instance of the system's Cabinet decoder (FDI in cabinet.dll), created with
// the file callbacks of C_ArchFile and the ordinary heap, destroyed with the object. Cabinets held
// in memory whose folders are stored or MSZIP-compressed are decoded by the project's own member
// walk (zlib) instead, with the same notifications in the same order: it is several times faster
// than the system's decoder under some hosts and keeps memory to one data block.
#pragma once
#include <windows.h>
#include <fdi.h>

class C_CabDecoder {
public:
    C_CabDecoder() = default;
    ~C_CabDecoder() { Destroy(); }
    C_CabDecoder(const C_CabDecoder&) = delete;
    C_CabDecoder& operator=(const C_CabDecoder&) = delete;

    // Creates the instance (processor type "unknown": the decoder chooses); failures are
    // described in *error, which must outlive the instance.
    bool Create(ERF* error);
    void Destroy();
    explicit operator bool() const { return m_hfdi != nullptr; }

    // Whether the file behind handle (at its current position) starts a cabinet; fills info.
    bool IsCabinet(INT_PTR handle, FDICABINETINFO* info);
    // Decodes every file of the cabinet path + name, reporting each through notify (no flags, no
    // decryption). Whether the whole copy succeeded.
    bool Copy(const char* cabinetName, const char* cabinetPath, PFNFDINOTIFY notify, void* user);
    // Copy for a cabinet at block[0, size), which the memory pseudo-path cabinetName names.
    bool CopyFromMemory(const void* block, size_t size, const char* cabinetName, PFNFDINOTIFY notify, void* user);

private:
    HFDI m_hfdi = nullptr;
};
