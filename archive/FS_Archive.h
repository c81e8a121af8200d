// FS_Archive: the channel manager's object for one ".FileSet" archive. The archive is mapped,
// never read whole; its description is decoded on Open and its payload on every ExtractTo.
#pragma once
#include <windows.h>

#include <cstddef>
#include <memory>

#include "archive/CabExtractor.h"
#include "archive/FileSetDescription.h"
#include "archive/I_FS_Archive.h"
#include "archive/MappedFile.h"
#include "common/ComObject.h"

class FS_Archive : public ComObject<I_FS_Archive> {
public:
    // A new, unopened archive object; the caller holds the only reference.
    static HRESULT Create(I_FS_Archive** archive);

    STDMETHODIMP Open(char* path, ZULError* ret) override;
    STDMETHODIMP GetName(char** name, ZULError* ret) override;
    STDMETHODIMP GetGUID(char** guid, ZULError* ret) override;
    STDMETHODIMP GetFlags(long* flags, ZULError* ret) override;
    STDMETHODIMP GetNumFiles(long* numFiles, ZULError* ret) override;
    STDMETHODIMP GetTotalBytes(long* totalBytes, ZULError* ret) override;
    STDMETHODIMP ExtractTo(char* directory, ZULError* ret) override;

private:
    ZULError OpenArchive(const char* path);
    ZULError ReadDescription(const unsigned char* cabinet, size_t size);
    void StoreDescriptionText(const void* data, uint32_t size);

    static int SelectDescription(void* context, const char* name);
    static int ReceiveDescription(void* context, const char* path, void* data, uint32_t size);

    FileSetDescription m_description;
    C_MappedFile m_view;
    C_CabExtractor m_payload;
    // The description as received, with two zero bytes added.
    std::unique_ptr<char[]> m_pDescriptionText;
    size_t m_nDescriptionSize = 0;
};
