// Handlers of the three block types of a response. Each handles the response's current block,
// writes `ret` and answers an HRESULT; anything but S_OK ends the processing of the response.
// They work through the manager's own methods, so that file sets are fetched, extracted and
// purged exactly as a client asking for it would have them.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ZULMan.h"

// Fetches the block's file set ("GUID", "SourceURL") into the manager's store.
HRESULT ProcessFileSetBlock(I_ZULManager* manager, I_ResponseData* response, ZULError* ret);

// Records the channel (a new one, or a known one superseded by "OverrideExisting" "1" and a
// greater "Version"), extracts its "FileSets" into its directory and applies "Subscribe".
HRESULT ProcessChannelBlock(I_ZULManager* manager, I_ResponseData* response, ZULError* ret);

// Hands the item to the installer of its "Type" and adds it to the pending installed list when
// installed. Once the item was offered, the file sets it names in "FileSets" join
// `offeredFileSets`, installed or not. Answers the installer's HRESULT.
HRESULT ProcessItemBlock(I_ZULManager* manager, I_ResponseData* response, ZULError* ret,
                         std::vector<std::string>& offeredFileSets);

// Purges every file set of the list (PurgeFileSet), once each; outcomes are not reported.
void PurgeOfferedFileSets(I_ZULManager* manager, const std::vector<std::string>& fileSets);
