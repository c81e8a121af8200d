// I_FS_Archive: a ".FileSet" archive opened from disk, its description, and the extraction of
// its payload. Internal to the channel manager: the object is created directly (not through
// COM activation) and the interface is not part of the type library.
#pragma once
#include <windows.h>
#include <objbase.h>

#include "common/ZULErrorCodes.h"

struct DECLSPEC_NOVTABLE I_FS_Archive : public IUnknown {
    // Maps the archive and reads its description. S_OK with ZULERR_SUCCESS, otherwise S_FALSE
    // with the code; E_INVALIDARG when ret is missing.
    virtual HRESULT STDMETHODCALLTYPE Open(char* path, ZULError* ret) = 0;
    // Copies of the description's texts from the COM task allocator ("" when unset).
    virtual HRESULT STDMETHODCALLTYPE GetName(char** name, ZULError* ret) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGUID(char** guid, ZULError* ret) = 0;
    // The description's numbers (0 until read).
    virtual HRESULT STDMETHODCALLTYPE GetFlags(long* flags, ZULError* ret) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumFiles(long* numFiles, ZULError* ret) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTotalBytes(long* totalBytes, ZULError* ret) = 0;
    // Extracts the payload into directory: S_OK with ZULERR_SUCCESS, S_FALSE with
    // ZULERR_INVALID_OPERATION before a successful Open or ZULERR_EXTRACT_FAILED.
    virtual HRESULT STDMETHODCALLTYPE ExtractTo(char* directory, ZULError* ret) = 0;
};

// {7EEB8A1E-C933-2A30-A983-694D1B428F3E}
__CRT_UUID_DECL(I_FS_Archive, 0x7EEB8A1E, 0xC933, 0x2A30, 0xA9, 0x83, 0x69, 0x4D, 0x1B, 0x42, 0x8F, 0x3E)
