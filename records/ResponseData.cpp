#include "records/ResponseData.h"

#include <memory>

#include "common/PathHelpers.h"
#include "common/ComResult.h"
#include "common/Handles.h"
#include "records/RecordStore.h"

namespace {
// Only ret tells the outcome.
HRESULT Tell(ZULError* ret, ZULError code) { return ReportHr(ret, code, S_OK); }
}  // namespace

HRESULT ResponseData::ReportLoad(ZULError code, ZULError* ret) const noexcept {
    // Without a block list nothing at all was loaded.
    if (code == ZULERR_OUT_OF_MEMORY && !m_text.IsLoaded()) return ReportHr(ret, code, E_FAIL);
    return Report(ret, code);
}

STDMETHODIMP ResponseData::LoadMem(char* buf, ZULError* ret) {
    if (!buf) return Report(ret, ZULERR_INVALID_ARGUMENT);
    return ReportLoad(m_text.LoadMem(buf), ret);
}

STDMETHODIMP ResponseData::LoadFile(char* fname, ZULError* ret) {
    if (!fname) return Report(ret, ZULERR_INVALID_ARGUMENT);
    std::unique_ptr<char[]> contents;
    unsigned long size = 0;
    if (!ReadWholeFile(fname, contents, &size)) return Report(ret, ZULERR_FILE_READ_FAILED);
    return ReportLoad(m_text.Load(std::string_view(contents.get(), size)), ret);
}

STDMETHODIMP ResponseData::RewindBlock(char* type, ZULError* ret) { return Tell(ret, m_text.RewindBlock(type)); }

STDMETHODIMP ResponseData::NextBlock(char* type, ZULError* ret) { return Tell(ret, m_text.NextBlock(type)); }

STDMETHODIMP ResponseData::GetBlockType(char** type, ZULError* ret) {
    if (!type) return Tell(ret, ZULERR_INVALID_ARGUMENT);
    *type = nullptr;
    std::string_view text;
    ZULError code = m_text.GetBlockType(text);
    if (code != ZULERR_SUCCESS) return Tell(ret, code);
    return HandOutString(text, type, ret);
}

STDMETHODIMP ResponseData::GetKeyValue(char* key, char** val, ZULError* ret) {
    if (!val) return Tell(ret, ZULERR_INVALID_ARGUMENT);
    *val = nullptr;
    if (!key) return Tell(ret, ZULERR_INVALID_ARGUMENT);
    std::string_view value;
    ZULError code = m_text.GetKeyValue(key, value);
    if (code != ZULERR_SUCCESS) return Tell(ret, code);
    return HandOutString(value, val, ret);
}

STDMETHODIMP ResponseData::NextValue(ZULError* ret) { return Tell(ret, m_text.NextValue()); }

STDMETHODIMP ResponseData::RewindValue(ZULError* ret) { return Tell(ret, m_text.RewindValue()); }

STDMETHODIMP ResponseData::GetCurrentValue(char** key, char** val, ZULError* ret) {
    if (key) *key = nullptr;
    if (val) *val = nullptr;
    if (!key || !val) return Tell(ret, ZULERR_INVALID_ARGUMENT);
    std::string_view keyText;
    std::string_view valueText;
    ZULError code = m_text.GetCurrentValue(keyText, valueText);
    if (code != ZULERR_SUCCESS) return Tell(ret, code);
    // Both texts or neither.
    CoTaskMemString keyCopy;
    HRESULT hr = HandOutString(keyText, keyCopy.put(), ret);
    if (hr != S_OK) return hr;
    hr = HandOutString(valueText, val, ret);
    if (hr == S_OK) *key = keyCopy.release();
    return hr;
}

STDMETHODIMP ResponseData::WriteCurrentBlockToRegistry(ZULError* ret) {
    const C_PropertyBlock* block = nullptr;
    ZULError code = m_text.CurrentBlock(block);
    if (code != ZULERR_SUCCESS) return Tell(ret, code);
    return Tell(ret, WriteRecordValues(block->Type(), *block));
}

STDMETHODIMP ResponseData::SetKeyValue(char* sKey, char* sVal, ZULError* ret) {
    if (!sKey || !sVal) return Tell(ret, ZULERR_INVALID_ARGUMENT);
    return Tell(ret, m_text.SetKeyValue(sKey, sVal));
}

STDMETHODIMP ResponseData::RemoveKeyValue(char* sKey, ZULError* ret) {
    if (!sKey) return Tell(ret, ZULERR_INVALID_ARGUMENT);
    return Tell(ret, m_text.RemoveKeyValue(sKey));
}
