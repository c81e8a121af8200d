// The channel manager object. It holds no state: every method works on the registry and the
// file system, so any number of objects may exist at once.
#pragma once
#include <windows.h>

#include "ZULMan.h"
#include "common/ComObject.h"

class ZULManager final : public ComObject<I_ZULManager> {
public:
    // Records
    STDMETHODIMP GetChannelInfo(char* sGuid, I_ChannelInfo** pIChInfo, ZULError* ret) override;
    STDMETHODIMP GetFileSetInfo(char* sGuid, I_FS_Info** pIFSInfo, ZULError* ret) override;
    STDMETHODIMP GetItemInfo(char* sGuid, I_ZULItem** ppItem, ZULError* ret) override;
    STDMETHODIMP EnumItems(I_ItemEnum** ppItemEnum, ZULError* ret) override;
    // Subscription and response processing
    STDMETHODIMP SubscribeChannel(char* chguid, ZULError* ret) override;
    STDMETHODIMP UnSubscribeChannel(char* chguid, ZULError* ret) override;
    STDMETHODIMP IsChannelSubscribed(char* sChGuid, LONG* bSubscribed, ZULError* ret) override;
    STDMETHODIMP ProcessResponseData(I_ResponseData* pIResp, ZULError* ret) override;
    STDMETHODIMP GetResponseData(I_ResponseData** ppIResp, ZULError* ret) override;
    // File sets
    STDMETHODIMP GetZULManagerDir(char** dir, ZULError* ret) override;
    STDMETHODIMP DownloadFileSet(char* guid, char* name, char* sourceurl, ZULError* ret) override;
    STDMETHODIMP InstallFileSets(char* sGuids, char* sTargetPath, ZULError* ret) override;
    STDMETHODIMP InstallFromDir(char* sDir, ZULError* ret) override;
    STDMETHODIMP PurgeItemFileSets(char* sItemGuid, ZULError* ret) override;
    STDMETHODIMP PurgeFileSet(char* sGuid, ZULError* ret) override;
    // Items and item installers
    STDMETHODIMP RegisterItemInstaller(char* sItemTypeGuid, char* sCLSID, ZULError* ret) override;
    STDMETHODIMP UnregisterItemInstaller(char* sItemTypeGuid, char* sCLSID, ZULError* ret) override;
    STDMETHODIMP GetItemInstaller(char* sGuid, I_ItemInstaller** pItemInstaller, ZULError* ret) override;
    STDMETHODIMP UninstallItem(char* sGuid, ZULError* ret) override;
};
