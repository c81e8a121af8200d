// An Item block: the item goes to the installer of its type as a ZULItem holding what was
// recorded for it plus every key of the block. An installed item joins the pending installed
// list that the next check-in reports; its file sets are purged whatever the installer said,
// once every item of the response has been offered (items may share a file set).
#include <wrl/client.h>

#include <algorithm>
#include <string>

#include "common/CommaList.h"
#include "common/DiagnosticLog.h"
#include "common/Handles.h"
#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"
#include "manager/BlockValue.h"
#include "common/ComResult.h"
#include "manager/InstallerLookup.h"
#include "common/InterfaceText.h"
#include "manager/ResponseBlocks.h"
#include "records/GuidText.h"
#include "records/RecordFactory.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kTypeKey[] = "Type";
constexpr char kIdKey[] = "Guid";
constexpr char kChannelKey[] = "Channel";
constexpr char kFileSetsKey[] = "FileSets";

// The installer for the block's "Type". An absent or malformed type: ZULERR_BAD_GUID with the
// GUID parser's HRESULT (E_INVALIDARG when absent).
HRESULT CreateBlockInstaller(I_ResponseData* response, ComPtr<I_ItemInstaller>& installer, ZULError* ret) {
    CoTaskMemString typeText;
    HRESULT hr = ReadBlockValue(response, kTypeKey, typeText, ret);
    if (hr != S_OK) return hr;
    GuidValue type;
    const int32_t parsed = typeText.get() ? ParseGuidText(typeText.get(), type) : kGuidWrongLength;
    if (parsed != kGuidParsed) return ReportHr(ret, ZULERR_BAD_GUID, static_cast<HRESULT>(parsed));

    CLSID clsid;
    if ((hr = FindInstallerClass(type, clsid, ret)) != S_OK) return hr;
    return CreateInstaller(clsid, installer.ReleaseAndGetAddressOf(), ret);
}

// Every key of the block onto the item, in block order; the item is not flushed.
void CopyBlockToItem(I_ResponseData* response, I_ZULItem* item) {
    ZULError walk = ZULERR_FAILED;
    response->RewindValue(&walk);
    while (walk == ZULERR_SUCCESS) {
        CoTaskMemString key;
        CoTaskMemString value;
        if (response->GetCurrentValue(key.put(), value.put(), &walk) != S_OK || walk != ZULERR_SUCCESS) return;
        ZULError set = ZULERR_FAILED;
        if (item->SetProp(key.get(), value.get(), &set) != S_OK) return;
        if (response->NextValue(&walk) != S_OK) return;
    }
}

// "<item id>,<channel>;" joins the pending installed list, once.
void AddToInstalledList(I_ResponseData* response, const char* itemId) {
    CoTaskMemString channel;
    ZULError read = ZULERR_FAILED;
    ReadBlockValue(response, kChannelKey, channel, &read);
    std::string entry = std::string(itemId) + "," + channel.c_str() + ";";
    RegAppendToString(ProductKeys::kZUL, ProductKeys::kInstalledItems, entry.c_str());
}

// The file sets the item names in "FileSets" join the list, once each. Installers need not
// store the item, so the item in hand is read rather than its record.
void NoteOfferedFileSets(I_ZULItem* item, std::vector<std::string>& offeredFileSets) {
    CoTaskMemString list;
    ZULError read = ZULERR_FAILED;
    if (item->GetProp(InText(kFileSetsKey), list.put(), &read) != S_OK) return;
    for (std::string& fileSet : SplitCommaList(list.c_str())) {
        if (std::find(offeredFileSets.begin(), offeredFileSets.end(), fileSet) == offeredFileSets.end())
            offeredFileSets.push_back(std::move(fileSet));
    }
}

}  // namespace

void PurgeOfferedFileSets(I_ZULManager* manager, const std::vector<std::string>& fileSets) {
    for (std::string fileSet : fileSets) {
        ZULError purged = ZULERR_FAILED;
        manager->PurgeFileSet(fileSet.data(), &purged);
    }
}

HRESULT ProcessItemBlock(I_ZULManager*, I_ResponseData* response, ZULError* ret,
                         std::vector<std::string>& offeredFileSets) {
    CoTaskMemString itemId;
    HRESULT hr = ReadBlockValue(response, kIdKey, itemId, ret);
    if (hr != S_OK) return hr;
    // Without an id nothing could be installed or reported: the block is skipped.
    if (!NamesARecord(itemId.get())) return ReportHr(ret, ZULERR_BAD_GUID, S_OK);

    ComPtr<I_ItemInstaller> installer;
    if ((hr = CreateBlockInstaller(response, installer, ret)) != S_OK) return hr;
    ComPtr<I_ZULItem> item;
    if ((hr = OpenItemInfo(nullptr, &item, ret)) != S_OK) return hr;
    // Binding loads what is already recorded for the item; a new item has no record yet.
    ZULError loaded = ZULERR_FAILED;
    item->SetGUID(itemId.get(), &loaded);
    CopyBlockToItem(response, item.Get());

    hr = installer->InstallItem(item.Get(), ret);
    LogOutcome("install", itemId.get(), hr, *ret);
    if (hr == S_OK && *ret == ZULERR_SUCCESS) AddToInstalledList(response, itemId.c_str());
    NoteOfferedFileSets(item.Get(), offeredFileSets);
    return hr;
}
