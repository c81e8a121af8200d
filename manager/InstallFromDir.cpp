// An offline package: a directory with the response file "ItemInfo.dat" and the archives its
// FileSet blocks name relative to the directory. It is applied like a server response, its
// file sets copied from the directory instead of downloaded.
#include <wrl/client.h>

#include <string>

#include "common/Handles.h"
#include "common/PathHelpers.h"
#include "manager/BlockValue.h"
#include "common/ComResult.h"
#include "common/InterfaceText.h"
#include "common/JoinedPath.h"
#include "manager/ZULManager.h"
#include "records/RecordFactory.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kPackageFile[] = "ItemInfo.dat";
constexpr char kFileSetType[] = "FileSet";
constexpr char kSourceKey[] = "SourceURL";

// Every FileSet block's "SourceURL" becomes the package directory joined with it (even one
// that looks like a web address: a package carries its archives).
HRESULT AnchorSources(I_ResponseData* response, const char* directory, ZULError* ret) {
    HRESULT hr = response->RewindBlock(InText(kFileSetType), ret);
    while (hr == S_OK && *ret == ZULERR_SUCCESS) {
        CoTaskMemString source;
        if ((hr = ReadBlockValue(response, kSourceKey, source, ret)) != S_OK) return hr;
        if (source.get()) {
            std::string anchored;
            if (!JoinedPath(directory, source.get(), anchored)) return ReportHr(ret, ZULERR_OUT_OF_MEMORY, E_FAIL);
            if ((hr = response->SetKeyValue(InText(kSourceKey), anchored.data(), ret)) != S_OK) return hr;
        }
        hr = response->NextBlock(InText(kFileSetType), ret);
    }
    return hr;
}

}  // namespace

STDMETHODIMP ZULManager::InstallFromDir(char* sDir, ZULError* retIn) {
    ResultSlot ret(retIn);
    if (!sDir) return Report(ret, ZULERR_INVALID_ARGUMENT);
    std::string packageFile;
    if (!JoinedPath(sDir, kPackageFile, packageFile)) return ReportHr(ret, ZULERR_OUT_OF_MEMORY, E_FAIL);
    if (!FileExists(packageFile.c_str())) return Report(ret, ZULERR_FILE_NOT_FOUND);

    ComPtr<I_ResponseData> response;
    HRESULT hr = CreateResponseData(&response, ret);
    if (hr != S_OK) return hr;
    if ((hr = response->LoadFile(packageFile.data(), ret)) != S_OK) return hr;
    if ((hr = AnchorSources(response.Get(), sDir, ret)) != S_OK) return hr;
    return ProcessResponseData(response.Get(), ret);
}
