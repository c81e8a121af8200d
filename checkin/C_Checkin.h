// The check-in worker: a background thread of the resident channel manager that checks in with
// the distribution server when the stored schedule says so, hands the answer to the manager and
// stores the next due time.
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include <optional>
#include <string>

#include "ZULMan.h"
#include "checkin/CheckinSchedule.h"
#include "common/Handles.h"

class C_Checkin {
public:
    C_Checkin() = default;
    C_Checkin(const C_Checkin&) = delete;
    C_Checkin& operator=(const C_Checkin&) = delete;
    ~C_Checkin() = default;

    // Starts the worker unless it was started before (then nothing happens). The worker calls
    // the manager object through a proxy, so its calls run on the calling (main) thread.
    // 0, or ZULERR_CREATE_THREAD_FAILED.
    ZULError Start(I_ZULManager* manager);
    // Asks the worker to stop and waits up to timeoutMs, dispatching this thread's messages
    // meanwhile (the worker's calls on the manager run on this thread). 0 when the worker
    // reported that it stopped, 1 otherwise.
    int Stop(DWORD timeoutMs);
    // Whether the worker thread is still running.
    bool Running() const;

    static constexpr char kStopEventName[] = "C_Checkin::m_hStopEvent";
    static constexpr char kStoppedEventName[] = "C_Checkin::m_hStoppedEvent";

private:
    static DWORD WINAPI ThreadMain(void* self);
    DWORD Run();
    void LoadSchedule();
    void SaveSchedule();

    const uint32_t m_nDefaultInterval = kDefaultCheckinInterval;
    UniqueHandle m_hThread;
    DWORD m_nThreadId = 0;
    CheckinSchedule m_schedule;  // m_nLastCheckin, m_nNextCheckin, m_nInterval
    Microsoft::WRL::ComPtr<I_ZULManager> m_pManager;
    Microsoft::WRL::ComPtr<IStream> m_pManagerStream;  // the manager marshalled to the worker's apartment
    UniqueHandle m_hStopEvent;
    UniqueHandle m_hStoppedEvent;
    std::optional<std::string> m_sStatus;
};

// Milliseconds since 1 January 1601 UTC.
uint64_t CheckinClockNow();
