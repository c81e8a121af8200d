// A FileSet block: the file set is fetched (downloaded or copied) and recorded.
#include "common/Handles.h"
#include "manager/BlockValue.h"
#include "common/ComResult.h"
#include "manager/ResponseBlocks.h"

namespace {
constexpr char kIdKey[] = "GUID";
constexpr char kSourceKey[] = "SourceURL";
}  // namespace

HRESULT ProcessFileSetBlock(I_ZULManager* manager, I_ResponseData* response, ZULError* ret) {
    CoTaskMemString id;
    CoTaskMemString source;
    HRESULT hr = ReadBlockValue(response, kIdKey, id, ret);
    if (hr != S_OK) return hr;
    // Without an id there is no file set to record or name: the block is skipped.
    if (!NamesARecord(id.get())) return ReportHr(ret, ZULERR_BAD_GUID, S_OK);
    // Without "SourceURL" the source stays null.
    if ((hr = ReadBlockValue(response, kSourceKey, source, ret)) != S_OK) return hr;

    // A failed fetch ends the processing: channels and items would miss their files.
    if ((hr = manager->DownloadFileSet(id.get(), nullptr, source.get(), ret)) != S_OK) return hr;
    return Report(ret, ZULERR_SUCCESS);
}
