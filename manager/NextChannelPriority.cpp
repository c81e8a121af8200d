#include <windows.h>

#include <climits>
#include <string>

#include "common/Handles.h"
#include "manager/Subscription.h"
#include "records/RecordStore.h"

namespace {
constexpr char kCounterValue[] = "ChannelPriCounter";
constexpr DWORD kFirstPriority = 1;
// The counter stores the priority after the one handed out, which must stay a positive LONG.
constexpr DWORD kLastPriority = LONG_MAX - 1;
}  // namespace

ZULError NextChannelPriority(LONG& priority) {
    std::string keyPath;
    if (!RecordKindKeyPath(RecordKinds::kChannel, keyPath)) return ZULERR_OUT_OF_MEMORY;
    keyPath += '\\';
    UniqueRegKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return ZULERR_OPEN_REG_KEY_FAILED;

    DWORD current = kFirstPriority;
    DWORD type = 0;
    DWORD size = sizeof current;
    const LONG read = RegQueryValueExA(key.get(), kCounterValue, nullptr, &type, reinterpret_cast<BYTE*>(&current), &size);
    if (read == ERROR_FILE_NOT_FOUND) {
        current = kFirstPriority;
    } else if (read != ERROR_SUCCESS || type != REG_DWORD || size != sizeof current || current < kFirstPriority ||
               current > kLastPriority) {
        // A counter that cannot be trusted would hand out a priority twice.
        return ZULERR_REG_GET_VALUE_FAILED;
    }

    const DWORD next = current + 1;
    if (RegSetValueExA(key.get(), kCounterValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&next), sizeof next) !=
        ERROR_SUCCESS)
        return ZULERR_REG_SET_VALUE_FAILED;
    priority = static_cast<LONG>(current);
    return ZULERR_SUCCESS;
}
