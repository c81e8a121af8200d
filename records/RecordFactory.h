// Creation of the record objects inside the channel manager's process, as the manager's record
// methods hand them out.
//
// The Open functions create a record object; with `sGuid` given they bind and load it
// (SetGUID) and hand it out with S_OK and the load's outcome in `ret` (ZULERR_NOT_FOUND for a
// record not stored yet); a bad `sGuid` releases the object and answers SetGUID's S_FALSE with
// ZULERR_BAD_GUID. A null `sGuid` hands out a blank record without id
// (ZULERR_SUCCESS). Creation failure: ZULERR_CREATE_INSTANCE_FAILED with the creation's HRESULT.
// A null out pointer: ZULERR_INVALID_ARGUMENT with S_FALSE.
#pragma once
#include <windows.h>

#include "ZULMan.h"

[[nodiscard]] HRESULT OpenChannelInfo(const char* sGuid, I_ChannelInfo** ppInfo, ZULError* ret);
[[nodiscard]] HRESULT OpenFileSetInfo(const char* sGuid, I_FS_Info** ppInfo, ZULError* ret);
[[nodiscard]] HRESULT OpenItemInfo(const char* sGuid, I_ZULItem** ppItem, ZULError* ret);

// A new, empty item enumerator (the caller calls Rewind first).
[[nodiscard]] HRESULT CreateItemEnum(I_ItemEnum** ppItemEnum, ZULError* ret);
// A new ResponseData with nothing loaded.
[[nodiscard]] HRESULT CreateResponseData(I_ResponseData** ppIResp, ZULError* ret);
