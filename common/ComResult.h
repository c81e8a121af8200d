// Pairing of HRESULT and ZULError for interface methods: every method writes ret.
#pragma once
#include <windows.h>

#include <cstring>
#include <string_view>

#include "common/ZULErrorCodes.h"

// The result convention of helpers: an HRESULT alone, or, for a helper that reports the way an
// interface method does, this pair of the HRESULT the method would answer and the result code it
// would write. Helpers that return either are [[nodiscard]]; the common file, registry and
// process helpers keep the system's own codes that their callers rely on.
struct [[nodiscard]] Outcome {
    HRESULT hr = S_OK;
    ZULError ret = ZULERR_SUCCESS;
    bool Succeeded() const { return hr == S_OK && ret == ZULERR_SUCCESS; }
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

// The result slot of an interface method: the caller's ret, or a stand-in when the caller passed
// none, so that the method writes its result unconditionally. Use it under the parameter's name:
//   STDMETHODIMP X::Method(char* text, ZULError* retIn) { ResultSlot ret(retIn); ... }
class ResultSlot {
public:
    explicit ResultSlot(ZULError* ret) : m_ret(ret ? ret : &m_standIn) {}
    ResultSlot(const ResultSlot&) = delete;
    ResultSlot& operator=(const ResultSlot&) = delete;
    operator ZULError*() const { return m_ret; }
    ZULError& operator*() const { return *m_ret; }

private:
    ZULError m_standIn = ZULERR_FAILED;
    ZULError* m_ret;
};

// Writes code into ret and answers S_OK for success, S_FALSE otherwise.
inline HRESULT Report(ZULError* ret, ZULError code) {
    if (ret) *ret = code;
    return code == ZULERR_SUCCESS ? S_OK : S_FALSE;
}

// Writes code into ret and answers hr unchanged.
inline HRESULT ReportHr(ZULError* ret, ZULError code, HRESULT hr) {
    if (ret) *ret = code;
    return hr;
}

// Hands out a copy of text allocated with the COM task allocator (E_OUTOFMEMORY with
// ZULERR_OUT_OF_MEMORY when it cannot be allocated).
inline HRESULT HandOutString(std::string_view text, char** out, ZULError* ret) {
    if (!out) return Report(ret, ZULERR_INVALID_ARGUMENT);
    *out = static_cast<char*>(CoTaskMemAlloc(text.size() + 1));
    if (!*out) return ReportHr(ret, ZULERR_OUT_OF_MEMORY, E_OUTOFMEMORY);
    std::memcpy(*out, text.data(), text.size());
    (*out)[text.size()] = '\0';
    return Report(ret, ZULERR_SUCCESS);
}
