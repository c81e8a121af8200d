// Reading one value of a response's current block through I_ResponseData.
#pragma once
#include <windows.h>

#include "ZULMan.h"
#include "common/Handles.h"

// GetKeyValue(key): the HRESULT of the call; `value` holds the text, or null when the block
// lacks the key (`ret` then says ZULERR_NOT_FOUND).
HRESULT ReadBlockValue(I_ResponseData* response, const char* key, CoTaskMemString& value, ZULError* ret);

// Removes every entry named key from the current block (a parsed block may repeat a key).
void RemoveBlockKey(I_ResponseData* response, const char* key);
