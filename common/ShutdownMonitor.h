// Ends a local server's message loop once its lock count has fallen to zero and stayed there for
// a quiet period (every release to zero within it starts the period again), or at once on a stop
// request. The channel manager waits 10 seconds, the front-end one second.
#pragma once
#include <windows.h>

#include <atomic>

#include "common/Handles.h"

class ShutdownMonitor {
public:
    ShutdownMonitor(DWORD mainThreadId, DWORD quietMs);
    ShutdownMonitor(const ShutdownMonitor&) = delete;
    ShutdownMonitor& operator=(const ShutdownMonitor&) = delete;
    ~ShutdownMonitor();

    // Starts the monitor thread and makes it the lock count's idle handler.
    bool Start();
    // Makes the monitor post WM_QUIT to the main thread at once.
    void StopNow();
    // Called when the lock count falls to zero.
    void NotifyIdle();

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();

    DWORD m_mainThreadId;
    DWORD m_quietMs;
    UniqueHandle m_event;  // auto-reset
    UniqueHandle m_thread;
    std::atomic<bool> m_activity{false};
    std::atomic<bool> m_stopNow{false};
};
