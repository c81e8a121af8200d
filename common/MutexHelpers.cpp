#include "common/MutexHelpers.h"

#include <utility>

#include "common/Handles.h"

namespace {

constexpr LONG kWaitFailed = -1;

}  // namespace

LONG WaitNamedMutex(const char* name, HANDLE* handle, DWORD timeoutMs) {
    // An empty name would make a private mutex that every caller wins.
    if (!name || !*name || !handle) return ERROR_INVALID_PARAMETER;
    UniqueHandle mutex(CreateMutexA(nullptr, FALSE, name));
    if (!mutex) return static_cast<LONG>(GetLastError());
    switch (WaitForSingleObject(mutex.get(), timeoutMs)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:  // the previous owner ended without releasing it
        *handle = mutex.release();
        return ERROR_SUCCESS;
    case WAIT_TIMEOUT:
        return WAIT_TIMEOUT;
    default:
        return kWaitFailed;
    }
}

void ReleaseNamedMutex(HANDLE* handle) {
    if (!handle) return;
    UniqueHeldMutex held(std::exchange(*handle, INVALID_HANDLE_VALUE));
}
