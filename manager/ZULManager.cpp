#include "manager/ZULManager.h"

#include <string>

#include "common/ComResult.h"
#include "manager/ManagerDirectory.h"

// The record methods (GetChannelInfo, GetFileSetInfo, GetItemInfo, EnumItems, GetResponseData)
// are in RecordMethods.cpp.

// SubscribeChannel, UnSubscribeChannel and IsChannelSubscribed are in Subscription.cpp,
// ProcessResponseData in ResponseProcessing.cpp.

STDMETHODIMP ZULManager::GetZULManagerDir(char** dir, ZULError* ret) {
    if (dir) *dir = nullptr;
    std::string directory;
    ZULError code = ReadManagerDirectory(directory);
    if (code != ZULERR_SUCCESS) return Report(ret, code);
    return HandOutString(directory, dir, ret);
}
// DownloadFileSet, InstallFileSets, PurgeItemFileSets and PurgeFileSet are in FileSets.cpp.
// InstallFromDir is in InstallFromDir.cpp.

// RegisterItemInstaller, UnregisterItemInstaller, GetItemInstaller and UninstallItem are in
// ItemInstallerRegistry.cpp.
