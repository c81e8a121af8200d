// Applying a response: every FileSet block first, then every Channel block, then every Item
// block, whatever their order in the text.
#include <string>
#include <vector>

#include "common/ComResult.h"
#include "common/InterfaceText.h"
#include "manager/ResponseBlocks.h"
#include "manager/ZULManager.h"

namespace {

// One pass over the blocks of a type. A handler's code under S_OK is dropped; any other
// HRESULT ends the whole processing.
template <class Handler>
HRESULT RunPass(I_ResponseData* response, const char* type, Handler handle, ZULError* ret) {
    HRESULT hr = response->RewindBlock(InText(type), ret);
    if (hr != S_OK) return hr;
    while (*ret == ZULERR_SUCCESS) {
        if ((hr = handle(ret)) != S_OK) return hr;
        if ((hr = response->NextBlock(InText(type), ret)) != S_OK) return hr;
    }
    return S_OK;
}

}  // namespace

STDMETHODIMP ZULManager::ProcessResponseData(I_ResponseData* pIResp, ZULError* retIn) {
    ResultSlot ret(retIn);
    if (!pIResp) return Report(ret, ZULERR_INVALID_ARGUMENT);
    *ret = ZULERR_FAILED;
    // Files are fetched before the channels that extract them, channels recorded before the
    // items that name them.
    HRESULT hr = RunPass(pIResp, "FileSet", [&](ZULError* code) { return ProcessFileSetBlock(this, pIResp, code); }, ret);
    if (hr != S_OK) return hr;
    hr = RunPass(pIResp, "Channel", [&](ZULError* code) { return ProcessChannelBlock(this, pIResp, code); }, ret);
    if (hr != S_OK) return hr;

    // Items of one response may share a file set, so the offered items' file sets are purged
    // only after the items pass, however it ended.
    std::vector<std::string> offeredFileSets;
    hr = RunPass(pIResp, "Item",
                 [&](ZULError* code) { return ProcessItemBlock(this, pIResp, code, offeredFileSets); }, ret);
    PurgeOfferedFileSets(this, offeredFileSets);
    if (hr != S_OK) return hr;
    return Report(ret, ZULERR_SUCCESS);
}
