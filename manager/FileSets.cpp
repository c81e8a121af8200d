// The manager's file-set methods: fetching a file set's archive into the manager directory
// (copied from a path or downloaded over HTTP) and recording it, extracting fetched file sets
// into a directory, and purging fetched archives.
#include <windows.h>
#include <wrl/client.h>

#include <optional>
#include <string>

#include "archive/FS_Archive.h"
#include "common/CommaList.h"
#include "common/DiagnosticLog.h"
#include "common/Handles.h"
#include "common/PathHelpers.h"
#include "common/ComResult.h"
#include "common/Sha256Hash.h"
#include "manager/FileSetFetch.h"
#include "manager/ManagerDirectory.h"
#include "manager/ZULManager.h"
#include "records/FS_Info.h"
#include "records/GuidText.h"
#include "records/RecordFactory.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kFileSetsFolder[] = "FileSets";
constexpr char kArchiveExtension[] = ".FileSet";
constexpr char kWebScheme[] = "http://";
constexpr char kSecureWebScheme[] = "https://";
constexpr char kItemFileSets[] = "FileSets";
// The manager directory is read into 1,024 bytes; the archive's place below it needs less
// than 64 more.
constexpr size_t kTargetPathSize = 1024 + 64;
constexpr char kSha256Mismatch[] = "sha256 mismatch";

// The canonical id text of guid; false for a null or malformed one.
bool CanonicalId(const char* guid, GuidTextBuffer& id) {
    GuidValue value;
    if (!guid || ParseGuidText(guid, value) != kGuidParsed) return false;
    FormatGuidText(value, id);
    return true;
}

// "http://" and "https://" (any case) are downloaded; anything else is a path copied.
bool IsWebSource(const char* source) {
    return _strnicmp(source, kWebScheme, sizeof kWebScheme - 1) == 0 ||
           _strnicmp(source, kSecureWebScheme, sizeof kSecureWebScheme - 1) == 0;
}

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

// The digest recorded for the file set's archive, when one is.
std::optional<Sha256Digest> RecordedDigest(I_FS_Info* info) {
    CoTaskMemString text;
    ZULError ret = ZULERR_FAILED;
    std::string name(FileSetProps::kSha256);
    if (info->GetProperty(name.data(), text.put(), &ret) != S_OK || ret != ZULERR_SUCCESS) return std::nullopt;
    return ParseSha256Text(text.c_str());
}

// Whether the file at path has the expected digest; a mismatch (or a file that cannot be read)
// is logged with both digests.
bool HasDigest(const char* path, const Sha256Digest& expected, const char* id) {
    Sha256Digest actual{};
    const bool hashed = HashFile(path, actual);
    if (hashed && actual == expected) return true;
    const std::string detail = "expected=" + EncodeHexLower(expected.data(), expected.size()) +
                               " got=" + (hashed ? EncodeHexLower(actual.data(), actual.size()) : std::string("unreadable"));
    LogFinding(kSha256Mismatch, id, detail.c_str());
    return false;
}

// Sets the record's "SHA256": the checked digest, or empty when the archive went unchecked and
// a digest of an earlier archive is recorded (it no longer describes the file).
HRESULT RecordDigest(I_FS_Info* info, const Sha256Digest* checked, ZULError* ret) {
    std::string name(FileSetProps::kSha256);
    std::string text;
    if (checked) {
        text = EncodeHexLower(checked->data(), checked->size());
    } else {
        CoTaskMemString old;
        ZULError oldRet = ZULERR_FAILED;
        if (info->GetProperty(name.data(), old.put(), &oldRet) != S_OK || oldRet != ZULERR_SUCCESS || !old.c_str()[0])
            return Report(ret, ZULERR_SUCCESS);
    }
    return info->SetProperty(name.data(), text.data(), ret);
}

// A stored archive is used as it is unless a digest is asked for that is not the one recorded
// for it: then it is hashed, and one that does not match is deleted and unrecorded, so that it
// is fetched anew.
bool StoredArchiveUsable(I_FS_Info* info, const Sha256Digest* expected, const char* id, ZULError* ret) {
    if (!expected) return true;
    const std::optional<Sha256Digest> recorded = RecordedDigest(info);
    if (recorded && *recorded == *expected) return true;
    CoTaskMemString path;
    if (info->GetLocalPath(path.put(), ret) != S_OK) return false;
    if (HasDigest(path.get(), *expected, id)) return RecordDigest(info, expected, ret) == S_OK && info->Flush(ret) == S_OK;
    DeleteFileA(path.get());
    char none[] = "";
    if (info->SetLocalPath(none, ret) == S_OK) info->Flush(ret);
    return false;
}

// Opens the fetched archive and records its path, the name its description carries and its
// checked digest. An archive that does not open stays on disk unrecorded.
HRESULT RecordArchive(I_FS_Info* info, std::string target, const Sha256Digest* checked, ZULError* ret) {
    ComPtr<I_FS_Archive> archive;
    HRESULT hr = FS_Archive::Create(&archive);
    if (FAILED(hr)) return ReportHr(ret, ZULERR_CREATE_INSTANCE_FAILED, hr);
    if ((hr = archive->Open(target.data(), ret)) != S_OK) return hr;

    CoTaskMemString name;
    if ((hr = archive->GetName(name.put(), ret)) != S_OK) return hr;
    archive.Reset();  // the mapped view is not needed any more
    if ((hr = info->SetLocalPath(target.data(), ret)) != S_OK) return hr;
    if ((hr = info->SetName(name.get(), ret)) != S_OK) return hr;
    if ((hr = RecordDigest(info, checked, ret)) != S_OK) return hr;
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

HRESULT FetchFileSet(char* guid, char* name, char* sourceurl, const Sha256Digest* expected, ZULError* ret) {
    GuidTextBuffer id;
    if (!CanonicalId(guid, id)) return Report(ret, ZULERR_BAD_GUID);

    ComPtr<I_FS_Info> info;
    HRESULT hr = OpenFileSetInfo(id.data(), &info, ret);
    if (hr != S_OK) return hr;
    if (IsFetched(info.Get(), ret) && StoredArchiveUsable(info.Get(), expected, id.data(), ret))
        return Report(ret, ZULERR_SUCCESS);
    // Nothing to fetch from: the file set cannot be had, which its caller must see.
    if (!sourceurl) return Report(ret, ZULERR_INVALID_ARGUMENT);
    if (name && (hr = info->SetName(name, ret)) != S_OK) return hr;

    std::string target;
    if ((hr = ArchiveTarget(id, target, ret)) != S_OK) return hr;
    hr = IsWebSource(sourceurl) ? DownloadArchive(sourceurl, target, ret) : CopyArchive(sourceurl, target, ret);
    if (hr != S_OK) return hr;
    // An archive that is not the one named is not delivered: deleted, nothing recorded.
    if (expected && !HasDigest(target.c_str(), *expected, id.data())) {
        DeleteFileA(target.c_str());
        return Report(ret, ZULERR_FILE_DOWNLOAD_FAILED);
    }
    return RecordArchive(info.Get(), target, expected, ret);
}

}  // namespace

STDMETHODIMP ZULManager::DownloadFileSet(char* guid, char* name, char* sourceurl, ZULError* retIn) {
    ResultSlot ret(retIn);
    const C_OutcomeClock clock;
    const HRESULT hr = FetchFileSet(guid, name, sourceurl, nullptr, ret);
    LogOutcome("download", guid, hr, *ret, clock);
    return hr;
}

HRESULT DownloadCheckedFileSet(char* guid, char* sourceurl, const Sha256Digest& expected, ZULError* retIn) {
    ResultSlot ret(retIn);
    const C_OutcomeClock clock;
    const HRESULT hr = FetchFileSet(guid, nullptr, sourceurl, &expected, ret);
    LogOutcome("download", guid, hr, *ret, clock);
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
        const C_OutcomeClock clock;
        hr = archive->ExtractTo(sTargetPath, ret);
        LogOutcome("extract", guid.c_str(), hr, *ret, clock);
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
