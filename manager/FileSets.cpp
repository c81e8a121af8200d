// The manager's file-set methods: fetching a file set's archive into the manager directory
// (copied from a path or downloaded over HTTP) and recording it, extracting fetched file sets
// into a directory, and purging fetched archives.
#include <windows.h>
#include <wrl/client.h>

#include <string>

#include "archive/FS_Archive.h"
#include "common/CommaList.h"
#include "common/DiagnosticLog.h"
#include "common/Handles.h"
#include "common/PathHelpers.h"
#include "common/ComResult.h"
#include "manager/ManagerDirectory.h"
#include "manager/ZULManager.h"
#include "records/GuidText.h"
#include "records/RecordFactory.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kFileSetsFolder[] = "FileSets";
constexpr char kArchiveExtension[] = ".FileSet";
constexpr char kWebScheme[] = "http://";
constexpr char kItemFileSets[] = "FileSets";
// The manager directory is read into 1,024 bytes; the archive's place below it needs less
// than 64 more.
constexpr size_t kTargetPathSize = 1024 + 64;

// The canonical id text of guid; false for a null or malformed one.
bool CanonicalId(const char* guid, GuidTextBuffer& id) {
    GuidValue value;
    if (!guid || ParseGuidText(guid, value) != kGuidParsed) return false;
    FormatGuidText(value, id);
    return true;
}

bool IsWebSource(const char* source) { return _strnicmp(source, kWebScheme, sizeof kWebScheme - 1) == 0; }

// Whether the file set's recorded archive still exists (a directory does not count).
bool IsFetched(I_FS_Info* info, ZULError* ret) {
    CoTaskMemString path;
    return info->GetLocalPath(path.put(), ret) == S_OK && FileExists(path.get());
}

// manager directory\FileSets\<id>.FileSet
HRESULT ArchiveTarget(const GuidTextBuffer& id, std::string& target, ZULError* ret) {
    std::string directory;
    const ZULError code = ReadManagerDirectory(directory);
    if (code != ZULERR_SUCCESS) return Report(ret, code);

    char path[kTargetPathSize] = {};
    if (directory.size() >= sizeof path) return Report(ret, ZULERR_FAILED);
    directory.copy(path, directory.size());
    if (!JoinPath(path, kFileSetsFolder, nullptr, sizeof path) || !JoinPath(path, id.data(), nullptr, sizeof path))
        return Report(ret, ZULERR_FAILED);
    target = std::string(path) + kArchiveExtension;
    return Report(ret, ZULERR_SUCCESS);
}

HRESULT CopyArchive(const char* source, const std::string& target, ZULError* ret) {
    if (!CreateDirectoryTree(target.c_str(), true)) return Report(ret, ZULERR_CREATE_DIR_FAILED);
    if (!CopyFileA(source, target.c_str(), FALSE)) return Report(ret, ZULERR_FILE_COPY_FAILED);
    return Report(ret, ZULERR_SUCCESS);
}

// Downloads through a DownloadMgr, which may be served by another process. The old file goes
// first, so the download starts from the first byte.
HRESULT DownloadArchive(char* url, std::string target, ZULError* ret) {
    ComPtr<I_DownloadMgr> downloader;
    HRESULT hr = CoCreateInstance(CLSID_DownloadMgr, nullptr, CLSCTX_SERVER, IID_PPV_ARGS(&downloader));
    if (FAILED(hr)) return ReportHr(ret, ZULERR_CREATE_INSTANCE_FAILED, hr);

    DeleteFileA(target.c_str());
    DLMgrError result = DLMGR_ERROR_FAILED;
    hr = downloader->DownloadFile(url, target.data(), TRUE, TRUE, &result);
    if (FAILED(hr)) return ReportHr(ret, ZULERR_FILE_DOWNLOAD_FAILED, hr);
    return Report(ret, result == DLMGR_ERROR_SUCCESS ? ZULERR_SUCCESS : ZULERR_FILE_DOWNLOAD_FAILED);
}

// Opens the fetched archive and records its path and the name its description carries. An
// archive that does not open stays on disk unrecorded.
HRESULT RecordArchive(I_FS_Info* info, std::string target, ZULError* ret) {
    ComPtr<I_FS_Archive> archive;
    HRESULT hr = FS_Archive::Create(&archive);
    if (FAILED(hr)) return ReportHr(ret, ZULERR_CREATE_INSTANCE_FAILED, hr);
    if ((hr = archive->Open(target.data(), ret)) != S_OK) return hr;

    CoTaskMemString name;
    if ((hr = archive->GetName(name.put(), ret)) != S_OK) return hr;
    archive.Reset();  // the mapped view is not needed any more
    if ((hr = info->SetLocalPath(target.data(), ret)) != S_OK) return hr;
    if ((hr = info->SetName(name.get(), ret)) != S_OK) return hr;
    return info->Flush(ret);
}

// Opens the recorded archive of one file set of a list on archive; anything but S_OK stops the
// list (a file set never fetched: S_FALSE with ZULERR_NOT_FOUND).
HRESULT OpenFetchedArchive(I_FS_Archive* archive, const std::string& guid, ZULError* ret) {
    ComPtr<I_FS_Info> info;
    HRESULT hr = OpenFileSetInfo(guid.c_str(), &info, ret);
    if (hr != S_OK) return hr;
    CoTaskMemString path;
    if ((hr = info->GetLocalPath(path.put(), ret)) != S_OK) return hr;
    return archive->Open(path.get(), ret);
}

HRESULT FetchFileSet(char* guid, char* name, char* sourceurl, ZULError* ret) {
    GuidTextBuffer id;
    if (!CanonicalId(guid, id)) return Report(ret, ZULERR_BAD_GUID);

    ComPtr<I_FS_Info> info;
    HRESULT hr = OpenFileSetInfo(id.data(), &info, ret);
    if (hr != S_OK) return hr;
    if (IsFetched(info.Get(), ret)) return Report(ret, ZULERR_SUCCESS);
    // Nothing to fetch from: the file set cannot be had, which its caller must see.
    if (!sourceurl) return Report(ret, ZULERR_INVALID_ARGUMENT);
    if (name && (hr = info->SetName(name, ret)) != S_OK) return hr;

    std::string target;
    if ((hr = ArchiveTarget(id, target, ret)) != S_OK) return hr;
    hr = IsWebSource(sourceurl) ? DownloadArchive(sourceurl, target, ret) : CopyArchive(sourceurl, target, ret);
    if (hr != S_OK) return hr;
    return RecordArchive(info.Get(), target, ret);
}

}  // namespace

STDMETHODIMP ZULManager::DownloadFileSet(char* guid, char* name, char* sourceurl, ZULError* retIn) {
    ResultSlot ret(retIn);
    const HRESULT hr = FetchFileSet(guid, name, sourceurl, ret);
    LogOutcome("download", guid, hr, *ret);
    return hr;
}

STDMETHODIMP ZULManager::InstallFileSets(char* sGuids, char* sTargetPath, ZULError* retIn) {
    ResultSlot ret(retIn);
    *ret = ZULERR_CREATE_INSTANCE_FAILED;
    ComPtr<I_FS_Archive> archive;
    HRESULT hr = FS_Archive::Create(&archive);
    if (FAILED(hr)) return hr;

    hr = Report(ret, ZULERR_SUCCESS);
    for (const std::string& guid : SplitCommaList(sGuids ? sGuids : "")) {
        if ((hr = OpenFetchedArchive(archive.Get(), guid, ret)) != S_OK) return hr;
        if (!CreateDirectoryTree(sTargetPath, false)) return Report(ret, ZULERR_CREATE_DIR_FAILED);
        // A failed extraction is the outcome so far; the list goes on.
        hr = archive->ExtractTo(sTargetPath, ret);
        LogOutcome("extract", guid.c_str(), hr, *ret);
    }
    return hr;
}

STDMETHODIMP ZULManager::PurgeItemFileSets(char* sItemGuid, ZULError* retIn) {
    ResultSlot ret(retIn);
    ComPtr<I_ZULItem> item;
    HRESULT hr = OpenItemInfo(sItemGuid, &item, ret);
    if (*ret != ZULERR_SUCCESS) return hr;

    CoTaskMemString list;
    std::string property(kItemFileSets);
    if ((hr = item->GetProp(property.data(), list.put(), ret)) != S_OK) return hr;
    for (std::string& guid : SplitCommaList(list.c_str())) PurgeFileSet(guid.data(), ret);
    return S_OK;
}

STDMETHODIMP ZULManager::PurgeFileSet(char* sGuid, ZULError* retIn) {
    ResultSlot ret(retIn);
    GuidTextBuffer id;
    if (!CanonicalId(sGuid, id)) return Report(ret, ZULERR_BAD_GUID);

    ComPtr<I_FS_Info> info;
    HRESULT hr = OpenFileSetInfo(id.data(), &info, ret);
    if (hr != S_OK) return hr;

    CoTaskMemString path;
    if (info->GetLocalPath(path.put(), ret) == S_OK && FileExists(path.get())) {
        DeleteFileA(path.get());
        char none[] = "";
        if (info->SetLocalPath(none, ret) == S_OK) info->Flush(ret);
    }
    // The record stays, name and all: a later DownloadFileSet fetches the file set again.
    return S_OK;
}
