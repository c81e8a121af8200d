// The manager methods that hand out record objects. The objects are made in this process and
// reached by clients through the proxy/stub library.
#include "manager/ZULManager.h"
#include "records/RecordFactory.h"

STDMETHODIMP ZULManager::GetChannelInfo(char* sGuid, I_ChannelInfo** pIChInfo, ZULError* ret) {
    return OpenChannelInfo(sGuid, pIChInfo, ret);
}

STDMETHODIMP ZULManager::GetFileSetInfo(char* sGuid, I_FS_Info** pIFSInfo, ZULError* ret) {
    return OpenFileSetInfo(sGuid, pIFSInfo, ret);
}

STDMETHODIMP ZULManager::GetItemInfo(char* sGuid, I_ZULItem** ppItem, ZULError* ret) {
    return OpenItemInfo(sGuid, ppItem, ret);
}

STDMETHODIMP ZULManager::EnumItems(I_ItemEnum** ppItemEnum, ZULError* ret) { return CreateItemEnum(ppItemEnum, ret); }

STDMETHODIMP ZULManager::GetResponseData(I_ResponseData** ppIResp, ZULError* ret) {
    return CreateResponseData(ppIResp, ret);
}
