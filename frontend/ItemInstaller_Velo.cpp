#include "frontend/ItemInstaller_Velo.h"

#include <wrl/client.h>

#include "common/ComResult.h"
#include "common/DiagnosticLog.h"
#include "common/Handles.h"
#include "common/InterfaceText.h"
#include "frontend/ApplicationItems.h"
#include "frontend/ChannelRecord.h"
#include "frontend/ItemRecord.h"
#include "frontend/NotificationItems.h"
#include "common/RecordProperties.h"
#include "common/VelorinIds.h"
#include "frontend/VelorinSettings.h"
#include "records/GuidText.h"

using Microsoft::WRL::ComPtr;

namespace {

enum class ItemKind { Application, Notification, Unsupported };

// The records' GUID reading: 36 to 38 characters, either brace optional.
bool ParseGuid(const std::string& text, GuidValue& out) { return ParseGuidText(text, out) == kGuidParsed; }

// The kind served for the item's "Type"; a failed read or malformed GUID ends in early.
Outcome LookUpType(I_ZULItem* item, ItemKind& kind) {
    kind = ItemKind::Unsupported;
    CoTaskMemString text;
    ZULError ret = ZULERR_SUCCESS;
    const HRESULT hr = item->GetProp(InText(RecordProps::kType), text.put(), &ret);
    if (hr != S_OK || ret != ZULERR_SUCCESS) return {hr, ret};
    GuidValue type, application, demo, notification;
    if (!ParseGuid(text.c_str(), type)) return {S_FALSE, ZULERR_BAD_GUID};
    ParseGuid(VelorinIds::kApplicationItemType, application);
    ParseGuid(VelorinIds::kDemoItemType, demo);
    ParseGuid(VelorinIds::kNotificationItemType, notification);
    if (type == application || type == demo) kind = ItemKind::Application;
    else if (type == notification) kind = ItemKind::Notification;
    else return {S_FALSE, ZULERR_ITEM_TYPE_NOT_SUPPORTED};
    return Outcome{};
}

// The installer's answer: the outcome's code in ret, its HRESULT returned.
HRESULT Answer(const Outcome& outcome, ZULError* ret) { return ReportHr(ret, outcome.ret, outcome.hr); }

HRESULT Install(I_ZULItem* item, ZULError* ret) {
    if (!item) return Answer(Failed(ZULERR_INVALID_ARGUMENT), ret);
    ItemKind kind = ItemKind::Unsupported;
    const Outcome type = LookUpType(item, kind);
    if (!type.Succeeded()) return Answer({type.hr == S_OK ? S_FALSE : type.hr, type.ret}, ret);
    ComPtr<I_ZULManager> manager;
    if (ConnectManager(manager) != ZULERR_SUCCESS) return Answer(Failed(ZULERR_CREATE_INSTANCE_FAILED), ret);
    const VelorinSettings settings = VelorinSettings::Load();
    if (kind == ItemKind::Notification) return Answer(InstallNotificationItem(manager.Get(), settings, item), ret);
    return Answer(InstallApplicationItem(manager.Get(), settings, item, ItemFlagIs(item, RecordProps::kSilentReinstall, "1")), ret);
}

HRESULT Uninstall(I_ZULItem* item, ZULError* ret) {
    if (!item) return Answer(Failed(ZULERR_INVALID_ARGUMENT), ret);
    ItemKind kind = ItemKind::Unsupported;
    const Outcome type = LookUpType(item, kind);
    if (!type.Succeeded()) return Answer({type.hr == S_OK ? S_FALSE : type.hr, type.ret}, ret);
    if (kind == ItemKind::Application) return Answer(UninstallApplicationItem(item, false), ret);
    ComPtr<I_ZULManager> manager;
    if (ConnectManager(manager) != ZULERR_SUCCESS) return Answer(Failed(ZULERR_CREATE_INSTANCE_FAILED), ret);
    return Answer(UninstallNotificationItem(manager.Get(), VelorinSettings::Load(), item), ret);
}

// Runs an installer method and leaves its line in the diagnostic log: the job, the item, the
// outcome and how long it took.
template <class Job>
HRESULT LoggedItemJob(const char* what, I_ZULItem* item, ZULError* retIn, Job job) {
    const C_OutcomeClock clock;
    ResultSlot ret(retIn);
    const HRESULT hr = job(item, ret);
    std::string guid;
    // An item without a readable id is logged without one.
    if (item) (void)ReadItemGuid(item, guid);
    LogOutcome(what, guid.c_str(), hr, *ret, clock);
    return hr;
}

}  // namespace

STDMETHODIMP ItemInstaller_Velo::InstallItem(I_ZULItem* item, ZULError* ret) {
    return LoggedItemJob("install item", item, ret, Install);
}

STDMETHODIMP ItemInstaller_Velo::UninstallItem(I_ZULItem* item, ZULError* ret) {
    return LoggedItemJob("uninstall item", item, ret, Uninstall);
}

ZULError UninstallItemByGuid(I_ZULManager* manager, const std::string& itemGuid) {
    ComPtr<I_ZULItem> item;
    ZULError ret = ZULERR_SUCCESS;
    if (ZULError e = CallResult(manager->GetItemInfo(InText(itemGuid.c_str()), item.GetAddressOf(), &ret), ret))
        return e;
    if (!item) return ZULERR_NOT_FOUND;
    ComPtr<I_ItemInstaller> installer;
    if (FAILED(ComObject<I_ItemInstaller>::Create<ItemInstaller_Velo>(IID_I_ItemInstaller,
                                                                        reinterpret_cast<void**>(installer.GetAddressOf()))))
        return ZULERR_OUT_OF_MEMORY;
    ret = ZULERR_SUCCESS;
    installer->UninstallItem(item.Get(), &ret);
    return ret;
}
