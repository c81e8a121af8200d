// Reading one value of a response's current block through I_ResponseData.
#pragma once
#include <windows.h>

#include "ZULMan.h"
#include "common/Handles.h"

// GetKeyValue(key): the HRESULT of the call; `value` holds the text, or null when the block
// lacks the key (`ret` then says ZULERR_NOT_FOUND).
HRESULT ReadBlockValue(I_ResponseData* response, const char* key, CoTaskMemString& value, ZULError* ret);

// Whether a block's id text names a record: a GUID other than the all-zero one, which a block
// without "Guid" reports. Blocks that name none are skipped (ZULERR_BAD_GUID with S_OK).
bool NamesARecord(const char* idText);

// Removes every entry named key from the current block (a parsed block may repeat a key).
void RemoveBlockKey(I_ResponseData* response, const char* key);
