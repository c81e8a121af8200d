#include "checkin/CheckinSession.h"

#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "checkin/CheckinRequest.h"
#include "common/DiagnosticLog.h"
#include "common/Handles.h"
#include "common/ProductKeys.h"
#include "common/PublisherKey.h"
#include "common/RegistryHelpers.h"
#include "common/RequestNonce.h"
#include "common/Settings.h"
#include "common/TextCompare.h"
#include "records/GuidText.h"
#include "records/ResponseData.h"
#include "transfer/HttpTransfer.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kResetEntryId[] = "{4344A992-02A4-706C-D466-7CFF8C489813}";
constexpr DWORD kInstalledItemsLimit = 1 << 20;
constexpr char kSignatureHeader[] = "X-ZUL-Signature";
constexpr char kSignatureRefused[] = "signature refused";
constexpr char kSignatureVerified[] = "signature verified";

// How a check-in ends: result 0 for success, else a failing HRESULT or 1; the result code.
CheckinOutcome Ended(long result, ZULError error) { return CheckinOutcome{result, static_cast<uint32_t>(error), false}; }

// Each step of a check-in either ends it (with its outcome) or hands on (nullopt).
using StepEnd = std::optional<CheckinOutcome>;

std::optional<std::string> GetProp(I_ChannelInfo* channel, const char* name) {
    CoTaskMemString value;
    ZULError ret = ZULERR_FAILED;
    if (channel->GetProp(const_cast<char*>(name), value.put(), &ret) != S_OK || ret != ZULERR_SUCCESS) return std::nullopt;
    return std::string(value.c_str());
}

// Reads "MachineGuid", making and storing a new identifier when it is missing or no GUID.
ZULError MachineIdentifier(std::string& text, long& result) {
    char stored[40] = {};
    LONG read = RegReadValue(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, ProductKeys::kMachineGuid, stored, sizeof stored);
    GuidValue guid{};
    if (read == ERROR_SUCCESS && ParseGuidText(stored, guid) == kGuidParsed) {
        text = GuidToText(guid);
        return ZULERR_SUCCESS;
    }
    if (read != ERROR_SUCCESS && read != ERROR_FILE_NOT_FOUND && read != ERROR_MORE_DATA) {
        result = 1;
        return ZULERR_FAILED;
    }
    GUID fresh;
    HRESULT hr = CoCreateGuid(&fresh);
    if (FAILED(hr)) {
        result = hr;
        return ZULERR_BAD_GUID;
    }
    static_assert(sizeof fresh == sizeof guid);
    std::memcpy(static_cast<void*>(&guid), &fresh, sizeof guid);
    text = GuidToText(guid);
    if (RegWriteString(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, ProductKeys::kMachineGuid, text.c_str()) != ERROR_SUCCESS) {
        result = 1;
        return ZULERR_REG_SET_VALUE_FAILED;
    }
    return ZULERR_SUCCESS;
}

// Every channel record, in the registry's enumeration order.
std::vector<CheckinChannel> ReadChannels(I_ZULManager* manager) {
    std::vector<CheckinChannel> channels;
    UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKeys::kChannels, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return channels;
    for (DWORD index = 0;; ++index) {
        char name[40];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key.get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        ComPtr<I_ChannelInfo> channel;
        ZULError ret = ZULERR_FAILED;
        if (manager->GetChannelInfo(name, &channel, &ret) != S_OK || ret != ZULERR_SUCCESS || !channel) continue;
        CheckinChannel record;
        CoTaskMemString guid;
        if (channel->GetGUID(guid.put(), &ret) != S_OK || ret != ZULERR_SUCCESS) continue;
        record.guid = guid.c_str();
        record.subscribed = GetProp(channel.Get(), "Subscribed").value_or("");
        record.priority = GetProp(channel.Get(), "Priority");
        record.distId = GetProp(channel.Get(), "DistID");
        channels.push_back(std::move(record));
    }
    return channels;
}

std::string ReadInstalledItems() {
    UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), ProductKeys::kInstalledItems, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        size == 0 || size > kInstalledItemsLimit)
        return {};
    std::vector<char> buffer(size + 1, '\0');
    if (RegQueryValueExA(key.get(), ProductKeys::kInstalledItems, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS)
        return {};
    return std::string(buffer.data(), strnlen(buffer.data(), size));
}

bool InstalledItemsAbsent() {
    UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return true;
    return RegQueryValueExA(key.get(), ProductKeys::kInstalledItems, nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND;
}

// After an accepted check-in: what was reported leaves the pending list; entries added meanwhile
// and a list too long to be read stay for a later check-in.
void ClearReportedItems(const std::string& reported) {
    if (!reported.empty()) {
        RegRemoveFromString(ProductKeys::kZUL, ProductKeys::kInstalledItems, reported.c_str());
    } else if (InstalledItemsAbsent()) {
        RegWriteString(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, ProductKeys::kInstalledItems, "");
    }
}

bool GetKey(I_ResponseData* answer, const char* key, std::string& value) {
    CoTaskMemString text;
    ZULError ret = ZULERR_FAILED;
    if (answer->GetKeyValue(const_cast<char*>(key), text.put(), &ret) != S_OK || ret != ZULERR_SUCCESS) return false;
    value = text.c_str();
    return true;
}

void AppendInstalledEntry(const std::string& itemGuid, const std::string& channelGuid) {
    const std::string entry = itemGuid + "," + channelGuid + ";";
    RegAppendToString(ProductKeys::kZUL, ProductKeys::kInstalledItems, entry.c_str());
}

}  // namespace

void ResetMachineGuid(I_ZULManager* manager) {
    char stored[64] = {};
    GuidValue old{};
    if (RegReadValue(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, ProductKeys::kMachineGuid, stored, sizeof stored) == ERROR_SUCCESS &&
        ParseGuidText(stored, old) != kGuidParsed)
        old = GuidValue{};
    RegDeleteValueOf(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, ProductKeys::kMachineGuid);
    AppendInstalledEntry(kResetEntryId, GuidToText(old));

    ComPtr<I_ItemEnum> items;
    ZULError ret = ZULERR_FAILED;
    if (manager->EnumItems(&items, &ret) != S_OK || ret != ZULERR_SUCCESS || !items) return;
    for (HRESULT hr = items->Rewind(nullptr, &ret); hr == S_OK && ret == ZULERR_SUCCESS; hr = items->NextItem(nullptr, &ret)) {
        CoTaskMemString itemGuid;
        ZULError guidRet = ZULERR_FAILED;
        if (items->GetGUID(itemGuid.put(), &guidRet) != S_OK || guidRet != ZULERR_SUCCESS) continue;
        std::string channelGuid;
        ComPtr<I_ZULItem> item;
        ZULError itemRet = ZULERR_FAILED;
        if (items->GetItem(&item, &itemRet) == S_OK && item) {
            CoTaskMemString channel;
            if (item->GetProp(const_cast<char*>("Channel"), channel.put(), &itemRet) == S_OK && itemRet == ZULERR_SUCCESS)
                channelGuid = channel.c_str();
        }
        AppendInstalledEntry(itemGuid.c_str(), channelGuid);
    }
}

namespace {

// Step "machine id": the stored "MachineGuid", made and stored when missing.
StepEnd ReadMachineId(std::string& machineGuid) {
    long result = 0;
    const ZULError error = MachineIdentifier(machineGuid, result);
    if (error != ZULERR_SUCCESS) return Ended(result, error);
    return std::nullopt;
}

// What a check-in needs to take a signed answer: the pinned key and the nonce of this request.
struct SignedExchange {
    PublisherKeySetting key;
    std::string nonce;
    bool Required() const { return key.state != PublisherKeySetting::State::kAbsent; }
};

// Step "nonce": with a pinned key, a fresh nonce from the system's random generator.
StepEnd MakeNonce(SignedExchange& exchange) {
    if (!exchange.Required()) return std::nullopt;
    if (!MakeRequestNonce(exchange.nonce)) return Ended(1, ZULERR_FAILED);
    return std::nullopt;
}

// Step "request": the body from the channel records and the pending installed list. With
// nothing to say the check-in ends here.
StepEnd BuildRequest(I_ZULManager* manager, const std::string& machineGuid, const std::string& nonce,
                     CheckinState& state, CheckinRequest& request) {
    const std::vector<CheckinChannel> channels = ReadChannels(manager);
    request = BuildCheckinRequest(machineGuid, ListedChannels(channels), ReadInstalledItems(), nonce);
    if (!request.anyChannel && request.reportedInstalled.empty()) {
        state.status = "no channels and no installed items";
        return Ended(0, ZULERR_NOT_FOUND);
    }
    return std::nullopt;
}

// With a pinned key, the answer is taken only when its signature is valid for the nonce sent
// and the body exactly as received; a malformed key refuses every answer.
StepEnd CheckSignature(const SignedExchange& exchange, const C_HttpTransfer& transfer, const char* bytes, DWORD length) {
    if (!exchange.Required()) return std::nullopt;
    std::string refusal;
    if (exchange.key.state == PublisherKeySetting::State::kMalformed) {
        refusal = "PublisherKey is " + exchange.key.problem;
    } else {
        const char* header = transfer.report.m_bAnswerHeaderFound ? transfer.report.m_sAnswerHeader.c_str() : nullptr;
        if (VerifyAnswerSignature(exchange.key.point, exchange.nonce, bytes, length, header, refusal)) {
            const std::string detail = "nonce=" + exchange.nonce + " signature=" + header;
            LogFinding(kSignatureVerified, nullptr, detail.c_str());
            return std::nullopt;
        }
    }
    LogFinding(kSignatureRefused, nullptr, refusal.c_str());
    return Ended(1, ZULERR_CHECKIN_BAD_SERVER_RESPONSE);
}

// Step "transfer": the POST to the check-in URL, the signature checked when one is required,
// and the answer as a zero-terminated text.
StepEnd PostRequest(const CheckinRequest& request, const SignedExchange& exchange, std::unique_ptr<char[]>& text) {
    const std::string url = Settings::CheckinURL();
    C_HttpTransfer transfer;
    transfer.request.m_pszUrl = url.c_str();
    transfer.request.m_bUseCache = false;
    transfer.request.m_bPost = true;
    transfer.request.m_pBody = request.body.data();
    transfer.request.m_cbBody = static_cast<DWORD>(request.body.size());
    if (exchange.Required()) transfer.request.m_pszAnswerHeader = kSignatureHeader;
    transfer.SetToMemory(true);
    const unsigned sent = transfer.Transfer();
    if (sent == TRANSFER_HTTP_ERROR) return Ended(1, ZULERR_CHECKIN_BAD_SERVER_RESPONSE);
    if (sent != TRANSFER_OK) return Ended(1, ZULERR_CHECKIN_FAILED);

    const char* bytes = nullptr;
    DWORD length = 0;
    if (transfer.GetMemoryResult(&bytes, &length) != TRANSFER_OK) return Ended(1, ZULERR_FAILED);
    if (const StepEnd end = CheckSignature(exchange, transfer, bytes, length)) return end;
    text.reset(new (std::nothrow) char[length + 1]);
    if (!text) return Ended(E_OUTOFMEMORY, ZULERR_OUT_OF_MEMORY);
    std::memcpy(text.get(), bytes, length);
    text[length] = '\0';
    return std::nullopt;
}

// Step "answer": the answer parsed, its "CheckinResult" block's "Status" and "Interval" taken
// over; "ResetMacGuid" resets the machine identifier; "ok" clears what was reported and hands
// the parsed answer to the caller.
CheckinOutcome TakeAnswer(I_ZULManager* manager, const CheckinRequest& request, char* text, CheckinState& state,
                          ComPtr<I_ResponseData>& answer) {
    ComPtr<I_ResponseData> loaded;
    HRESULT hr = ComObject<I_ResponseData>::Create<ResponseData>(IID_I_ResponseData, reinterpret_cast<void**>(loaded.GetAddressOf()));
    if (FAILED(hr)) return Ended(hr, ZULERR_CREATE_INSTANCE_FAILED);
    ZULError loadRet = ZULERR_FAILED;
    hr = loaded->LoadMem(text, &loadRet);
    if (hr != S_OK) return Ended(hr, loadRet);

    ZULError ret = ZULERR_FAILED;
    std::string status, interval;
    if (loaded->RewindBlock(const_cast<char*>("CheckinResult"), &ret) != S_OK || ret != ZULERR_SUCCESS ||
        !GetKey(loaded.Get(), "Status", status) || !GetKey(loaded.Get(), "Interval", interval))
        return Ended(1, ZULERR_BAD_CHECKIN_RESULT);

    state.interval = ScanAnswerInterval(interval);
    state.status = status;
    if (EqualsNoCase(status, "ResetMacGuid")) {
        ResetMachineGuid(manager);
        return Ended(1, ZULERR_BAD_CHECKIN_RESULT);
    }
    if (!EqualsNoCase(status, "ok")) return Ended(1, ZULERR_BAD_CHECKIN_RESULT);

    ClearReportedItems(request.reportedInstalled);
    answer = loaded;
    CheckinOutcome outcome = Ended(0, ZULERR_SUCCESS);
    outcome.answered = true;
    return outcome;
}

}  // namespace

CheckinOutcome RunCheckin(I_ZULManager* manager, CheckinState& state, ComPtr<I_ResponseData>& answer) {
    answer.Reset();
    state.status = "generic failure";

    std::string machineGuid;
    if (const StepEnd end = ReadMachineId(machineGuid)) return *end;
    SignedExchange exchange;
    exchange.key = ReadPublisherKey();
    if (const StepEnd end = MakeNonce(exchange)) return *end;
    CheckinRequest request;
    if (const StepEnd end = BuildRequest(manager, machineGuid, exchange.nonce, state, request)) return *end;
    std::unique_ptr<char[]> text;
    if (const StepEnd end = PostRequest(request, exchange, text)) return *end;
    return TakeAnswer(manager, request, text.get(), state, answer);
}
