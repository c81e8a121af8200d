#include "archive/FS_Archive.h"

#include <cstring>
#include <new>
#include <string>

#include "archive/FileSetContainer.h"

namespace {

HRESULT Report(ZULError* ret, ZULError code) {
    *ret = code;
    return code == ZULERR_SUCCESS ? S_OK : S_FALSE;
}

HRESULT CopyText(const std::string& text, char** out, ZULError* ret) {
    if (!ret) return E_INVALIDARG;
    if (!out) {
        *ret = ZULERR_INVALID_ARGUMENT;
        return E_INVALIDARG;
    }
    *out = static_cast<char*>(CoTaskMemAlloc(text.size() + 1));
    if (!*out) {
        *ret = ZULERR_OUT_OF_MEMORY;
        return E_OUTOFMEMORY;
    }
    std::memcpy(*out, text.c_str(), text.size() + 1);
    *ret = ZULERR_SUCCESS;
    return S_OK;
}

HRESULT CopyNumber(int32_t value, long* out, ZULError* ret) {
    if (!ret) return E_INVALIDARG;
    if (!out) {
        *ret = ZULERR_INVALID_ARGUMENT;
        return E_INVALIDARG;
    }
    *out = value;
    *ret = ZULERR_SUCCESS;
    return S_OK;
}

}  // namespace

HRESULT FS_Archive::Create(I_FS_Archive** archive) {
    return ComObject<I_FS_Archive>::Create<FS_Archive>(__uuidof(I_FS_Archive), reinterpret_cast<void**>(archive));
}

STDMETHODIMP FS_Archive::Open(char* path, ZULError* ret) {
    if (!ret) return E_INVALIDARG;
    return Report(ret, OpenArchive(path));
}

ZULError FS_Archive::OpenArchive(const char* path) {
    m_payload.Reset();
    m_view.Close();
    m_description = FileSetDescription();
    m_pDescriptionText.reset();
    m_nDescriptionSize = 0;

    if (!path) return ZULERR_INVALID_ARGUMENT;
    if (!m_view.Open(path)) return ZULERR_FILE_MAP_FAILED;

    FileSetCabinetSpan description;
    ZULError result = FindFileSetCabinet(m_view.data(), m_view.size(), &description);
    if (result != ZULERR_SUCCESS) return result;
    result = ReadDescription(m_view.data() + description.offset, description.length);
    if (result != ZULERR_SUCCESS) return result;

    const size_t rest = description.offset + description.length;
    FileSetCabinetSpan payload;
    result = FindFileSetCabinet(m_view.data() + rest, m_view.size() - rest, &payload);
    if (result != ZULERR_SUCCESS) return result;
    if (!m_payload.OpenMemory(m_view.data() + rest + payload.offset, payload.length))
        return ZULERR_EXTRACT_FAILED;
    return ZULERR_SUCCESS;
}

// Decodes "FS_ArchiveInfo.txt" from the description cabinet and parses it; a cabinet without
// it leaves the description empty.
ZULError FS_Archive::ReadDescription(const unsigned char* cabinet, size_t size) {
    C_CabExtractor extractor;
    if (!extractor.OpenMemory(cabinet, size)) return ZULERR_EXTRACT_FAILED;
    extractor.SetCallbacks(SelectDescription, ReceiveDescription, this);
    if (!extractor.ExtractToMemory()) return ZULERR_EXTRACT_FAILED;
    if (!m_pDescriptionText) return ZULERR_SUCCESS;
    return ParseFileSetDescription(m_pDescriptionText.get(), m_nDescriptionSize, &m_description);
}

int FS_Archive::SelectDescription(void*, const char* name) {
    return name && lstrcmpiA(name, kFileSetDescriptionName) == 0 ? 1 : C_CabExtractor::kSelectSkip;
}

int FS_Archive::ReceiveDescription(void* context, const char*, void* data, uint32_t size) {
    if (context && data) static_cast<FS_Archive*>(context)->StoreDescriptionText(data, size);
    return 0;  // the extractor frees its block
}

void FS_Archive::StoreDescriptionText(const void* data, uint32_t size) {
    std::unique_ptr<char[]> text(new (std::nothrow) char[static_cast<size_t>(size) + 2]);
    if (!text) return;
    std::memcpy(text.get(), data, size);
    text[size] = text[size + 1] = '\0';
    m_pDescriptionText = std::move(text);
    m_nDescriptionSize = size;
}

STDMETHODIMP FS_Archive::GetName(char** name, ZULError* ret) { return CopyText(m_description.sName, name, ret); }

STDMETHODIMP FS_Archive::GetGUID(char** guid, ZULError* ret) { return CopyText(m_description.sGuid, guid, ret); }

STDMETHODIMP FS_Archive::GetFlags(long* flags, ZULError* ret) { return CopyNumber(m_description.nFlags, flags, ret); }

STDMETHODIMP FS_Archive::GetNumFiles(long* numFiles, ZULError* ret) {
    return CopyNumber(m_description.nNumFiles, numFiles, ret);
}

STDMETHODIMP FS_Archive::GetTotalBytes(long* totalBytes, ZULError* ret) {
    return CopyNumber(m_description.nTotalBytes, totalBytes, ret);
}

STDMETHODIMP FS_Archive::ExtractTo(char* directory, ZULError* ret) {
    if (!ret) return E_INVALIDARG;
    if (!m_payload.isCabinet()) return Report(ret, ZULERR_INVALID_OPERATION);
    if (!directory) return Report(ret, ZULERR_INVALID_ARGUMENT);
    return Report(ret, m_payload.ExtractToDir(directory) ? ZULERR_SUCCESS : ZULERR_EXTRACT_FAILED);
}
