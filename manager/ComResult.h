// Pairing of HRESULT and ZULError for interface methods: every method writes ret.
#pragma once
#include <windows.h>

#include <cstring>
#include <string_view>

#include "records/ZULErrorCodes.h"

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
