#include "manager/ZULManager.h"

#include <string>

#include "manager/ComResult.h"
#include "manager/ManagerDirectory.h"

namespace {
// Answer of an operation this build does not offer yet.
HRESULT NotAvailable(ZULError* ret) { return Report(ret, ZULERR_INVALID_OPERATION); }

template <class T>
HRESULT NotAvailable(T** out, ZULError* ret) {
    if (out) *out = nullptr;
    return NotAvailable(ret);
}
}  // namespace

STDMETHODIMP ZULManager::GetChannelInfo(char*, I_ChannelInfo** pIChInfo, ZULError* ret) { return NotAvailable(pIChInfo, ret); }
STDMETHODIMP ZULManager::GetFileSetInfo(char*, I_FS_Info** pIFSInfo, ZULError* ret) { return NotAvailable(pIFSInfo, ret); }
STDMETHODIMP ZULManager::GetItemInfo(char*, I_ZULItem** ppItem, ZULError* ret) { return NotAvailable(ppItem, ret); }
STDMETHODIMP ZULManager::EnumItems(I_ItemEnum** ppItemEnum, ZULError* ret) { return NotAvailable(ppItemEnum, ret); }

STDMETHODIMP ZULManager::SubscribeChannel(char*, ZULError* ret) { return NotAvailable(ret); }
STDMETHODIMP ZULManager::UnSubscribeChannel(char*, ZULError* ret) { return NotAvailable(ret); }
STDMETHODIMP ZULManager::IsChannelSubscribed(char*, LONG* bSubscribed, ZULError* ret) {
    if (bSubscribed) *bSubscribed = 0;
    return NotAvailable(ret);
}
STDMETHODIMP ZULManager::ProcessResponseData(I_ResponseData*, ZULError* ret) { return NotAvailable(ret); }
STDMETHODIMP ZULManager::GetResponseData(I_ResponseData** ppIResp, ZULError* ret) { return NotAvailable(ppIResp, ret); }

STDMETHODIMP ZULManager::GetZULManagerDir(char** dir, ZULError* ret) {
    if (dir) *dir = nullptr;
    std::string directory;
    ZULError code = ReadManagerDirectory(directory);
    if (code != ZULERR_SUCCESS) return Report(ret, code);
    return HandOutString(directory, dir, ret);
}
STDMETHODIMP ZULManager::DownloadFileSet(char*, char*, char*, ZULError* ret) { return NotAvailable(ret); }
STDMETHODIMP ZULManager::InstallFileSets(char*, char*, ZULError* ret) { return NotAvailable(ret); }
STDMETHODIMP ZULManager::InstallFromDir(char*, ZULError* ret) { return NotAvailable(ret); }
STDMETHODIMP ZULManager::PurgeItemFileSets(char*, ZULError* ret) { return NotAvailable(ret); }
STDMETHODIMP ZULManager::PurgeFileSet(char*, ZULError* ret) { return NotAvailable(ret); }

STDMETHODIMP ZULManager::RegisterItemInstaller(char*, char*, ZULError* ret) { return NotAvailable(ret); }
STDMETHODIMP ZULManager::UnregisterItemInstaller(char*, char*, ZULError* ret) { return NotAvailable(ret); }
STDMETHODIMP ZULManager::GetItemInstaller(char*, I_ItemInstaller** pItemInstaller, ZULError* ret) {
    return NotAvailable(pItemInstaller, ret);
}
STDMETHODIMP ZULManager::UninstallItem(char*, ZULError* ret) { return NotAvailable(ret); }
