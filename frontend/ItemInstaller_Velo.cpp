#include "frontend/ItemInstaller_Velo.h"

#include <wrl/client.h>

#include "common/Handles.h"
#include "common/InterfaceText.h"
#include "frontend/ApplicationItems.h"
#include "frontend/ChannelRecord.h"
#include "frontend/ItemRecord.h"
#include "frontend/NotificationItems.h"
#include "frontend/VelorinIds.h"
#include "frontend/VelorinSettings.h"

using Microsoft::WRL::ComPtr;

namespace {

enum class ItemKind { Application, Notification, Unsupported };

// The kind served for the item's "Type"; a failed read or malformed GUID ends in early.
struct TypeLookup {
    HRESULT hr;
    ZULError error;
    ItemKind kind;
};

bool ParseGuid(const std::string& text, GUID& out) {
    if (text.size() < 36 || text.size() > 38) return false;
    const std::string braced = text.front() == '{' ? text : "{" + text + "}";
    if (braced.size() != 38 || braced.back() != '}') return false;
    wchar_t wide[39] = {};
    for (size_t i = 0; i < braced.size(); ++i) wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(braced[i]));
    return SUCCEEDED(CLSIDFromString(wide, &out));
}

TypeLookup LookUpType(I_ZULItem* item) {
    CoTaskMemString text;
    ZULError ret = ZULERR_SUCCESS;
    const HRESULT hr = item->GetProp(InText("Type"), text.put(), &ret);
    if (hr != S_OK || ret != ZULERR_SUCCESS) return {hr, ret, ItemKind::Unsupported};
    GUID type;
    if (!ParseGuid(text.c_str(), type)) return {S_FALSE, ZULERR_BAD_GUID, ItemKind::Unsupported};
    GUID application, demo, notification;
    ParseGuid(VelorinIds::kApplicationItemType, application);
    ParseGuid(VelorinIds::kDemoItemType, demo);
    ParseGuid(VelorinIds::kNotificationItemType, notification);
    if (IsEqualGUID(type, application) || IsEqualGUID(type, demo)) return {S_OK, ZULERR_SUCCESS, ItemKind::Application};
    if (IsEqualGUID(type, notification)) return {S_OK, ZULERR_SUCCESS, ItemKind::Notification};
    return {S_FALSE, ZULERR_ITEM_TYPE_NOT_SUPPORTED, ItemKind::Unsupported};
}

HRESULT Answer(const ItemOutcome& outcome, ZULError* ret) {
    if (ret) *ret = outcome.error;
    return outcome.succeeded ? S_OK : S_FALSE;
}

}  // namespace

STDMETHODIMP ItemInstaller_Velo::InstallItem(I_ZULItem* item, ZULError* ret) {
    if (!item) return Answer(Failed(ZULERR_INVALID_ARGUMENT), ret);
    const TypeLookup type = LookUpType(item);
    if (type.hr != S_OK || type.error != ZULERR_SUCCESS) {
        if (ret) *ret = type.error;
        return type.hr == S_OK ? S_FALSE : type.hr;
    }
    ComPtr<I_ZULManager> manager;
    if (ConnectManager(manager) != ZULERR_SUCCESS) return Answer(Failed(ZULERR_CREATE_INSTANCE_FAILED), ret);
    const VelorinSettings settings = VelorinSettings::Load();
    if (type.kind == ItemKind::Notification) return Answer(InstallNotificationItem(manager.Get(), settings, item), ret);
    return Answer(InstallApplicationItem(manager.Get(), settings, item, ItemFlagIs(item, "SilentReinstall", "1")), ret);
}

STDMETHODIMP ItemInstaller_Velo::UninstallItem(I_ZULItem* item, ZULError* ret) {
    if (!item) return Answer(Failed(ZULERR_INVALID_ARGUMENT), ret);
    const TypeLookup type = LookUpType(item);
    if (type.hr != S_OK || type.error != ZULERR_SUCCESS) {
        if (ret) *ret = type.error;
        return type.hr == S_OK ? S_FALSE : type.hr;
    }
    if (type.kind == ItemKind::Application) return Answer(UninstallApplicationItem(item, false), ret);
    ComPtr<I_ZULManager> manager;
    if (ConnectManager(manager) != ZULERR_SUCCESS) return Answer(Failed(ZULERR_CREATE_INSTANCE_FAILED), ret);
    return Answer(UninstallNotificationItem(manager.Get(), VelorinSettings::Load(), item), ret);
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
