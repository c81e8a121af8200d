// The front-end's side of item records: properties through I_ZULItem, and walks over the
// manager's items of one type.
#pragma once
#include <windows.h>

#include <wrl/client.h>

#include <functional>
#include <string>

#include "ZULMan.h"

// Each answers the method's ZULError, or ZULERR_FAILED when the call failed without one.
[[nodiscard]] ZULError ReadItemProp(I_ZULItem* item, const char* name, std::string& out);
[[nodiscard]] ZULError WriteItemProp(I_ZULItem* item, const char* name, const std::string& value);
[[nodiscard]] ZULError RemoveItemProp(I_ZULItem* item, const char* name);
// RemoveItemProp for a property that is often absent: absent counts as removed.
[[nodiscard]] inline ZULError RemoveItemPropIfPresent(I_ZULItem* item, const char* name) {
    const ZULError removed = RemoveItemProp(item, name);
    return removed == ZULERR_NOT_FOUND ? ZULERR_SUCCESS : removed;
}
[[nodiscard]] ZULError ReadItemGuid(I_ZULItem* item, std::string& out);
[[nodiscard]] ZULError FlushItem(I_ZULItem* item);
[[nodiscard]] ZULError DeleteItemInfo(I_ZULItem* item);

// Whether the property is present and equals "1" (or "0"), ignoring case.
bool ItemFlagIs(I_ZULItem* item, const char* name, const char* value);

// Calls visit with every recorded item of the given type until it answers false; the walk ends
// at the first non-zero code of the enumerator. 0, or the error of creating the enumerator.
using ItemVisitor = std::function<bool(I_ZULItem* item)>;
[[nodiscard]] ZULError ForEachItemOfType(I_ZULManager* manager, const char* typeGuid, const ItemVisitor& visit);

// A new connection to the channel manager; ZULERR_CREATE_INSTANCE_FAILED when none is made.
[[nodiscard]] ZULError ConnectManager(Microsoft::WRL::ComPtr<I_ZULManager>& out);
