// Applying a response: every FileSet block first, then every Channel block, then every Item
// block, whatever their order in the text.
#include "common/ComResult.h"
#include "common/InterfaceText.h"
#include "manager/ResponseBlocks.h"
#include "manager/ZULManager.h"

namespace {

using BlockHandler = HRESULT (*)(I_ZULManager*, I_ResponseData*, ZULError*);

struct BlockPass {
    const char* type;
    BlockHandler handler;
};

// Files are fetched before the channels that extract them, channels recorded before the items
// that name them.
constexpr BlockPass kPasses[] = {
    {"FileSet", ProcessFileSetBlock},
    {"Channel", ProcessChannelBlock},
    {"Item", ProcessItemBlock},
};

// One pass over the blocks of a type. A handler's code under S_OK is dropped; any other
// HRESULT ends the whole processing.
HRESULT RunPass(I_ZULManager* manager, I_ResponseData* response, const BlockPass& pass, ZULError* ret) {
    HRESULT hr = response->RewindBlock(InText(pass.type), ret);
    if (hr != S_OK) return hr;
    while (*ret == ZULERR_SUCCESS) {
        if ((hr = pass.handler(manager, response, ret)) != S_OK) return hr;
        if ((hr = response->NextBlock(InText(pass.type), ret)) != S_OK) return hr;
    }
    return S_OK;
}

}  // namespace

STDMETHODIMP ZULManager::ProcessResponseData(I_ResponseData* pIResp, ZULError* retIn) {
    ResultSlot ret(retIn);
    if (!pIResp) return Report(ret, ZULERR_INVALID_ARGUMENT);
    *ret = ZULERR_FAILED;
    for (const BlockPass& pass : kPasses) {
        const HRESULT hr = RunPass(this, pIResp, pass, ret);
        if (hr != S_OK) return hr;
    }
    return Report(ret, ZULERR_SUCCESS);
}
