#include "frontend/ItemRecord.h"

#include "common/Handles.h"
#include "common/InterfaceText.h"
#include "common/ManagerConnection.h"
#include "common/TextCompare.h"
#include "frontend/ChannelRecord.h"

using Microsoft::WRL::ComPtr;

ZULError ReadItemProp(I_ZULItem* item, const char* name, std::string& out) {
    CoTaskMemString text;
    ZULError ret = ZULERR_SUCCESS;
    const ZULError result = CallResult(item->GetProp(InText(name), text.put(), &ret), ret);
    if (result == ZULERR_SUCCESS) out = text.c_str();
    return result;
}

ZULError WriteItemProp(I_ZULItem* item, const char* name, const std::string& value) {
    ZULError ret = ZULERR_SUCCESS;
    return CallResult(item->SetProp(InText(name), InText(value.c_str()), &ret), ret);
}

ZULError RemoveItemProp(I_ZULItem* item, const char* name) {
    ZULError ret = ZULERR_SUCCESS;
    return CallResult(item->RemoveProp(InText(name), &ret), ret);
}

ZULError ReadItemGuid(I_ZULItem* item, std::string& out) {
    CoTaskMemString text;
    ZULError ret = ZULERR_SUCCESS;
    const ZULError result = CallResult(item->GetGUID(text.put(), &ret), ret);
    if (result == ZULERR_SUCCESS) out = text.c_str();
    return result;
}

ZULError FlushItem(I_ZULItem* item) {
    ZULError ret = ZULERR_SUCCESS;
    return CallResult(item->Flush(&ret), ret);
}

ZULError DeleteItemInfo(I_ZULItem* item) {
    ZULError ret = ZULERR_SUCCESS;
    return CallResult(item->DeleteInfo(&ret), ret);
}

bool ItemFlagIs(I_ZULItem* item, const char* name, const char* value) {
    std::string text;
    return ReadItemProp(item, name, text) == ZULERR_SUCCESS && EqualsNoCase(text, value);
}

ZULError ForEachItemOfType(I_ZULManager* manager, const char* typeGuid, const ItemVisitor& visit) {
    ComPtr<I_ItemEnum> items;
    ZULError ret = ZULERR_SUCCESS;
    const ZULError created = CallResult(manager->EnumItems(items.GetAddressOf(), &ret), ret);
    if (created != ZULERR_SUCCESS) return created;
    if (!items) return ZULERR_FAILED;
    ret = ZULERR_SUCCESS;
    if (CallResult(items->Rewind(InText(typeGuid), &ret), ret) != ZULERR_SUCCESS) return ZULERR_SUCCESS;
    for (;;) {
        ComPtr<I_ZULItem> item;
        ret = ZULERR_SUCCESS;
        if (CallResult(items->GetItem(item.GetAddressOf(), &ret), ret) == ZULERR_SUCCESS && item) {
            if (!visit(item.Get())) break;
        }
        ret = ZULERR_SUCCESS;
        if (CallResult(items->NextItem(InText(typeGuid), &ret), ret) != ZULERR_SUCCESS) break;
    }
    return ZULERR_SUCCESS;
}

ZULError ConnectManager(ComPtr<I_ZULManager>& out) {
    return CreateManager(out) == S_OK ? ZULERR_SUCCESS : ZULERR_CREATE_INSTANCE_FAILED;
}
