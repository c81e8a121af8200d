// The download manager class served by the channel manager.
#pragma once
#include <windows.h>

#include "ZULMan.h"
#include "common/ComObject.h"

class DownloadMgr final : public ComObject<I_DownloadMgr> {
public:
    STDMETHODIMP DownloadFile(char* url, char* localpath, LONG bCache, LONG bResume, DLMgrError* ret) override;
};
