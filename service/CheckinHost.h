// The check-in worker as the resident manager's message loop sees it.
#pragma once
#include <windows.h>

class CheckinHost {
public:
    // Starts the worker unless it was started before in this process.
    void StartOnce();
    // Stops a running worker, waiting up to timeoutMs while dispatching messages.
    void Stop(DWORD timeoutMs);

private:
    bool m_started = false;
};
