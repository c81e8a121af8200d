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

// The record methods (GetChannelInfo, GetFileSetInfo, GetItemInfo, EnumItems, GetResponseData)
// are in RecordMethods.cpp.

STDMETHODIMP ZULManager::SubscribeChannel(char*, ZULError* ret) { return NotAvailable(ret); }
STDMETHODIMP ZULManager::UnSubscribeChannel(char*, ZULError* ret) { return NotAvailable(ret); }
STDMETHODIMP ZULManager::IsChannelSubscribed(char*, LONG* bSubscribed, ZULError* ret) {
    if (bSubscribed) *bSubscribed = 0;
    return NotAvailable(ret);
}
STDMETHODIMP ZULManager::ProcessResponseData(I_ResponseData*, ZULError* ret) { return NotAvailable(ret); }

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
