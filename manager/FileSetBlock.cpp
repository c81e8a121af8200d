// A FileSet block: the file set is fetched (downloaded or copied) and recorded. A block that
// names the archive's "SHA256" has it checked before it is recorded; under a pinned publisher
// key a plain-http source without one is not fetched at all.
#include <optional>

#include "common/CryptoText.h"
#include "common/DiagnosticLog.h"
#include "common/Handles.h"
#include "common/PublisherKey.h"
#include "manager/BlockValue.h"
#include "common/ComResult.h"
#include "manager/FileSetFetch.h"
#include "manager/ResponseBlocks.h"

namespace {
constexpr char kIdKey[] = "GUID";
constexpr char kSourceKey[] = "SourceURL";
constexpr char kSha256Key[] = "SHA256";
constexpr char kPlainWebScheme[] = "http://";

bool IsPlainWebSource(const char* source) {
    return source && _strnicmp(source, kPlainWebScheme, sizeof kPlainWebScheme - 1) == 0;
}

// A fetch that is refused before it starts: nothing downloaded, nothing recorded.
HRESULT Refuse(const char* what, const char* id, const char* detail, ZULError* ret) {
    LogFinding(what, id, detail);
    return Report(ret, ZULERR_FILE_DOWNLOAD_FAILED);
}

}  // namespace

HRESULT ProcessFileSetBlock(I_ZULManager* manager, I_ResponseData* response, ZULError* ret) {
    CoTaskMemString id;
    CoTaskMemString source;
    CoTaskMemString sha256;
    HRESULT hr = ReadBlockValue(response, kIdKey, id, ret);
    if (hr != S_OK) return hr;
    // Without an id there is no file set to record or name: the block is skipped.
    if (!NamesARecord(id.get())) return ReportHr(ret, ZULERR_BAD_GUID, S_OK);
    // Without "SourceURL" the source stays null.
    if ((hr = ReadBlockValue(response, kSourceKey, source, ret)) != S_OK) return hr;
    if ((hr = ReadBlockValue(response, kSha256Key, sha256, ret)) != S_OK) return hr;

    // A failed fetch ends the processing: channels and items would miss their files.
    if (sha256.get()) {
        const std::optional<Sha256Digest> expected = ParseSha256Text(sha256.c_str());
        if (!expected) return Refuse("sha256 malformed", id.get(), "SHA256 is not 64 hexadecimal digits", ret);
        if ((hr = DownloadCheckedFileSet(id.get(), source.get(), *expected, ret)) != S_OK) return hr;
        return Report(ret, ZULERR_SUCCESS);
    }
    // Under a pinned key the signed answer vouches for an archive only through its digest; a
    // plain-http archive without one could be anything.
    if (IsPlainWebSource(source.get()) && ReadPublisherKey().state != PublisherKeySetting::State::kAbsent)
        return Refuse("unverified file set refused", id.get(), "http source without SHA256 under a pinned PublisherKey", ret);
    if ((hr = manager->DownloadFileSet(id.get(), nullptr, source.get(), ret)) != S_OK) return hr;
    return Report(ret, ZULERR_SUCCESS);
}
