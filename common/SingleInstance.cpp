#include "common/SingleInstance.h"

#include "common/MutexHelpers.h"
#include "common/ProcessHelpers.h"

InstanceMutex::InstanceMutex(const char* name) {
    HANDLE taken = nullptr;
    if (WaitNamedMutex(name, &taken, 0) == ERROR_SUCCESS) m_mutex.reset(taken);
}

void InstanceMutex::Release() { m_mutex.reset(); }

bool PostToOtherInstance(const char* programFile, UINT message) {
    const DWORD self = GetCurrentProcessId();
    bool found = false;
    ForEachProcessNamed(programFile, [&](const PROCESSENTRY32& entry, HANDLE snapshot) {
        if (entry.th32ProcessID == self) return true;
        PostToProcessThreads(message, 0, 0, entry.th32ProcessID, snapshot);
        found = true;
        return false;
    });
    return found;
}
