#include "manager/DownloadMgr.h"

STDMETHODIMP DownloadMgr::DownloadFile(char*, char*, LONG, LONG, DLMgrError* ret) {
    if (ret) *ret = DLMGR_ERROR_FAILED;
    return S_FALSE;
}
