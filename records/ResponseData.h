// ResponseData: a block text loaded from memory or a file, walked block by block and value by
// value, edited, and stored block by block as registry records. The state is a C_ResponseText.
//
// The loads answer S_FALSE when `ret` is not ZULERR_SUCCESS (E_FAIL when not even the block
// list could be allocated); every other method answers S_OK and reports only through `ret`,
// except that a text that cannot be handed out gives E_OUTOFMEMORY.
#pragma once
#include <windows.h>

#include "ZULMan.h"
#include "common/ComObject.h"
#include "records/ResponseText.h"

class ResponseData final : public ComObject<I_ResponseData> {
public:
    STDMETHODIMP LoadMem(char* buf, ZULError* ret) override;
    STDMETHODIMP LoadFile(char* fname, ZULError* ret) override;
    STDMETHODIMP RewindBlock(char* type, ZULError* ret) override;
    STDMETHODIMP NextBlock(char* type, ZULError* ret) override;
    STDMETHODIMP GetBlockType(char** type, ZULError* ret) override;
    STDMETHODIMP GetKeyValue(char* key, char** val, ZULError* ret) override;
    STDMETHODIMP NextValue(ZULError* ret) override;
    STDMETHODIMP RewindValue(ZULError* ret) override;
    STDMETHODIMP GetCurrentValue(char** key, char** val, ZULError* ret) override;
    STDMETHODIMP WriteCurrentBlockToRegistry(ZULError* ret) override;
    STDMETHODIMP SetKeyValue(char* sKey, char* sVal, ZULError* ret) override;
    STDMETHODIMP RemoveKeyValue(char* sKey, ZULError* ret) override;

    const C_ResponseText& Text() const noexcept { return m_text; }

private:
    HRESULT ReportLoad(ZULError code, ZULError* ret) const noexcept;

    C_ResponseText m_text;
};
