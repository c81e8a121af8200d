// A Channel block: a new channel is recorded; a known one only when the block supersedes it
// ("OverrideExisting" "1" and a strictly greater "Version"). Either way "Subscribe" "1"
// subscribes it.
#include <wrl/client.h>

#include <cstdio>
#include <string>

#include "common/Handles.h"
#include "common/PathHelpers.h"
#include "common/TextCompare.h"
#include "manager/BlockValue.h"
#include "common/ComResult.h"
#include "common/InterfaceText.h"
#include "common/JoinedPath.h"
#include "manager/ResponseBlocks.h"
#include "manager/Subscription.h"
#include "records/GuidText.h"
#include "records/RecordFactory.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kIdKey[] = "Guid";
constexpr char kOverrideKey[] = "OverrideExisting";
constexpr char kVersionKey[] = "Version";
constexpr char kSubscribeKey[] = "Subscribe";
constexpr char kFileSetsKey[] = "FileSets";
constexpr char kPathKey[] = "Path";
constexpr char kMenuNameKey[] = "MenuName";
constexpr char kDistIdKey[] = "DistID";
constexpr char kChannelFolder[] = "Channel";
constexpr char kYes[] = "1";

// What is recorded of the channel before the block is applied.
struct RecordedChannel {
    bool exists = false;
    bool hasMenuName = false;
    float version = 0.0f;
};

// A version text as a single-precision number; 0.0 when absent or no number.
float ParseVersion(const char* text) {
    float version = 0.0f;
    if (!text || std::sscanf(text, "%f", &version) != 1) return 0.0f;
    return version;
}

bool BlockFlagIsSet(I_ResponseData* response, const char* key) {
    CoTaskMemString value;
    ZULError read = ZULERR_FAILED;
    return ReadBlockValue(response, key, value, &read) == S_OK && value.get() && EqualsNoCase(value.get(), kYes);
}

RecordedChannel ReadRecordedChannel(const char* id) {
    RecordedChannel recorded;
    ComPtr<I_ChannelInfo> channel;
    ZULError opened = ZULERR_FAILED;
    if (OpenChannelInfo(id, &channel, &opened) != S_OK || opened != ZULERR_SUCCESS) return recorded;
    recorded.exists = true;
    CoTaskMemString text;
    ZULError read = ZULERR_FAILED;
    if (channel->GetProp(InText(kVersionKey), text.put(), &read) == S_OK) recorded.version = ParseVersion(text.get());
    recorded.hasMenuName = channel->GetProp(InText(kMenuNameKey), text.put(), &read) == S_OK;
    return recorded;
}

// Extracts the block's file sets into "<manager directory>\Channel\<id>" and records that
// directory in the block's "Path". S_OK also when the block names no file sets.
HRESULT InstallChannelFiles(I_ZULManager* manager, I_ResponseData* response, const char* id, ZULError* ret) {
    CoTaskMemString fileSets;
    HRESULT hr = ReadBlockValue(response, kFileSetsKey, fileSets, ret);
    if (hr != S_OK) return hr;
    if (!fileSets.get()) return Report(ret, ZULERR_SUCCESS);

    CoTaskMemString managerDir;
    if ((hr = manager->GetZULManagerDir(managerDir.put(), ret)) != S_OK) return hr;
    std::string channelsDir;
    std::string target;
    if (!JoinedPath(managerDir.c_str(), kChannelFolder, channelsDir) || !JoinedPath(channelsDir, id, target))
        return ReportHr(ret, ZULERR_OUT_OF_MEMORY, E_OUTOFMEMORY);
    // Extraction creates the directory itself and reports when it cannot.
    CreateDirectoryTree(target.c_str(), false);
    if ((hr = response->SetKeyValue(InText(kPathKey), target.data(), ret)) != S_OK) return hr;
    return manager->InstallFileSets(fileSets.get(), target.data(), ret);
}

// Writes the block as the channel's record, keeping the recorded "MenuName" and "DistID".
HRESULT ApplyChannelBlock(I_ZULManager* manager, I_ResponseData* response, const char* id,
                          const RecordedChannel& recorded, ZULError* ret) {
    HRESULT hr = InstallChannelFiles(manager, response, id, ret);
    if (hr != S_OK) return hr;
    if (recorded.hasMenuName) RemoveBlockKey(response, kMenuNameKey);
    if (recorded.exists) RemoveBlockKey(response, kDistIdKey);
    // Instructions to the manager, never part of the record.
    RemoveBlockKey(response, kSubscribeKey);
    RemoveBlockKey(response, kOverrideKey);
    return response->WriteCurrentBlockToRegistry(ret);
}

}  // namespace

HRESULT ProcessChannelBlock(I_ZULManager* manager, I_ResponseData* response, ZULError* ret) {
    CoTaskMemString id;
    HRESULT hr = ReadBlockValue(response, kIdKey, id, ret);
    if (hr != S_OK) return hr;
    // A block without an id names no record: it is skipped and the processing goes on.
    if (!NamesARecord(id.get())) return ReportHr(ret, ZULERR_BAD_GUID, S_OK);

    const bool override = BlockFlagIsSet(response, kOverrideKey);
    const RecordedChannel recorded = ReadRecordedChannel(id.get());
    CoTaskMemString versionText;
    ZULError read = ZULERR_FAILED;
    const float version =
        ReadBlockValue(response, kVersionKey, versionText, &read) == S_OK ? ParseVersion(versionText.get()) : 0.0f;
    const SubscriptionChange change =
        BlockFlagIsSet(response, kSubscribeKey) ? SubscriptionChange::Subscribe : SubscriptionChange::Keep;

    if (!recorded.exists || (override && version > recorded.version)) {
        if ((hr = ApplyChannelBlock(manager, response, id.get(), recorded, ret)) != S_OK) return hr;
    }
    return UpdateSubscription(id.get(), change, ret);
}
