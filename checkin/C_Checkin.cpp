#include "checkin/C_Checkin.h"

#include <cstdio>
#include <utility>

#include "checkin/CheckinSession.h"
#include "common/DiagnosticLog.h"
#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"
#include "transfer/ConnectionProbe.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr auto& kScheduleKey = ProductKeys::kCheckin;
constexpr char kLast[] = "LastChannelCheckin";
constexpr char kNext[] = "NextChannelCheckin";
constexpr char kInterval[] = "ChannelCheckinInterval";
constexpr char kStatus[] = "LastChannelCheckinStatus";

void WriteValue(HKEY key, const char* name, const std::string& text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
}

}  // namespace

uint64_t CheckinClockNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ((uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime) / 10000;
}

ZULError C_Checkin::Start(I_ZULManager* manager) {
    if (m_hThread) return ZULERR_SUCCESS;
    m_hStopEvent.reset(CreateEventA(nullptr, TRUE, FALSE, kStopEventName));
    m_hStoppedEvent.reset(CreateEventA(nullptr, TRUE, FALSE, kStoppedEventName));
    if (!manager || FAILED(CoMarshalInterThreadInterfaceInStream(IID_I_ZULManager, manager,
                                                                 m_pManagerStream.ReleaseAndGetAddressOf())))
        m_pManagerStream.Reset();
    m_hThread.reset(CreateThread(nullptr, 0, &C_Checkin::ThreadMain, this, 0, &m_nThreadId));
    if (m_hThread) return ZULERR_SUCCESS;
    if (m_pManagerStream) {
        CoReleaseMarshalData(m_pManagerStream.Get());
        m_pManagerStream.Reset();
    }
    return ZULERR_CREATE_THREAD_FAILED;
}

bool C_Checkin::Running() const { return m_hThread && WaitForSingleObject(m_hThread.get(), 0) == WAIT_TIMEOUT; }

int C_Checkin::Stop(DWORD timeoutMs) {
    if (!m_hStopEvent || !SetEvent(m_hStopEvent.get())) return 1;
    const DWORD deadline = GetTickCount() + timeoutMs;
    // A worker that ended without reporting (it never got its manager object) is not waited for.
    HANDLE waitFor[2] = {m_hStoppedEvent.get(), m_hThread.get()};
    const DWORD count = m_hThread ? 2 : 1;
    for (;;) {
        if (deadline - GetTickCount() > timeoutMs) return 1;
        DWORD wait = MsgWaitForMultipleObjects(count, waitFor, FALSE, timeoutMs, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) return 0;
        if (wait != WAIT_OBJECT_0 + count) return 1;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

DWORD WINAPI C_Checkin::ThreadMain(void* self) { return static_cast<C_Checkin*>(self)->Run(); }

DWORD C_Checkin::Run() {
    ComScope com(COINIT_APARTMENTTHREADED);
    // The call releases the stream, also when it fails.
    IStream* stream = m_pManagerStream.Detach();
    if (!stream || FAILED(CoGetInterfaceAndReleaseStream(stream, IID_I_ZULManager,
                                                         reinterpret_cast<void**>(m_pManager.ReleaseAndGetAddressOf()))))
        return ZULERR_CREATE_INSTANCE_FAILED;
    Sleep(1000);
    LoadSchedule();

    for (;;) {
        const uint64_t now = CheckinClockNow();
        if (now < m_schedule.next) {
            const uint32_t waitMs = WaitMilliseconds(m_schedule.next, now);
            if (WaitForSingleObject(m_hStopEvent.get(), waitMs) == WAIT_OBJECT_0) break;
            if (uint64_t{waitMs} < m_schedule.next - now) continue;  // a very long wait ended early
        }
        if (!IsInternetConnected()) {
            m_schedule.next = now + kOfflineRetryMs;
            SaveSchedule();
            continue;
        }

        CheckinState state{m_sStatus, m_schedule.interval};
        ComPtr<I_ResponseData> answer;
        const CheckinOutcome outcome = RunCheckin(m_pManager.Get(), state, answer);
        m_sStatus = state.status;
        m_schedule.interval = state.interval;
        LogOutcome("checkin", nullptr, static_cast<HRESULT>(outcome.result), outcome.error);
        if (outcome.result == 0 && outcome.error == ZULERR_SUCCESS && answer) {
            ZULError ret = ZULERR_FAILED;
            const HRESULT hr = m_pManager->ProcessResponseData(answer.Get(), &ret);
            LogOutcome("answer", nullptr, hr, ret);
        }
        answer.Reset();
        ScheduleAfterCheckin(m_schedule, outcome, CheckinClockNow());
        SaveSchedule();
    }

    m_pManager.Reset();
    SetEvent(m_hStoppedEvent.get());
    return 0;
}

void C_Checkin::LoadSchedule() {
    const uint64_t now = CheckinClockNow();
    m_schedule = CheckinSchedule{0, now + kDayMs, m_nDefaultInterval};
    {
        UniqueRegKey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kScheduleKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
            // First run: the first check-in comes in five minutes.
            m_schedule.last = 0;
            m_schedule.next = now + kOfflineRetryMs;
            SaveSchedule();
            return;
        }
    }
    for (const char* name : {kLast, kNext, kInterval}) {
        char text[256] = {};
        if (RegReadValue(HKEY_LOCAL_MACHINE, kScheduleKey, name, text, sizeof text) != ERROR_SUCCESS || !text[0]) continue;
        std::optional<uint64_t> value = ScanStoredNumber(text);
        if (!value) {
            m_schedule = CheckinSchedule{0, 0, m_nDefaultInterval};
            continue;
        }
        if (name == kLast) m_schedule.last = *value;
        else if (name == kNext) m_schedule.next = *value;
        else m_schedule.interval = static_cast<uint32_t>(*value);
    }
}

void C_Checkin::SaveSchedule() {
    UniqueRegKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kScheduleKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return;
    char text[32];
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(m_schedule.last));
    WriteValue(key.get(), kLast, text);
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(m_schedule.next));
    WriteValue(key.get(), kNext, text);
    std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(m_schedule.interval));
    WriteValue(key.get(), kInterval, text);
    if (m_sStatus) WriteValue(key.get(), kStatus, *m_sStatus);
}
