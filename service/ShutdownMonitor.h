// Ends the server's message loop 10 seconds after the last object was released (unless a new
// object came and went meanwhile), or at once on a stop request.
#pragma once
#include <windows.h>

#include <atomic>

#include "common/Handles.h"

class ShutdownMonitor {
public:
    explicit ShutdownMonitor(DWORD mainThreadId, DWORD idleMs = 10000);
    ShutdownMonitor(const ShutdownMonitor&) = delete;
    ShutdownMonitor& operator=(const ShutdownMonitor&) = delete;
    ~ShutdownMonitor();

    bool Start();
    // Makes the monitor post WM_QUIT to the main thread at once.
    void StopNow();
    // Called when the lock count falls to zero.
    void NotifyIdle();

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();

    DWORD m_mainThreadId;
    DWORD m_idleMs;
    UniqueHandle m_event;  // auto-reset
    UniqueHandle m_thread;
    std::atomic<bool> m_activity{false};
    std::atomic<bool> m_stopNow{false};
};
