#include "common/ShutdownMonitor.h"

#include "common/ServerModule.h"

namespace {
ShutdownMonitor* g_monitor = nullptr;
void OnServerIdle() {
    if (ShutdownMonitor* monitor = g_monitor) monitor->NotifyIdle();
}
}  // namespace

ShutdownMonitor::ShutdownMonitor(DWORD mainThreadId, DWORD quietMs)
    : m_mainThreadId(mainThreadId), m_quietMs(quietMs), m_event(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

ShutdownMonitor::~ShutdownMonitor() {
    ServerModule::SetIdleHandler(nullptr);
    g_monitor = nullptr;
    if (m_thread) {
        StopNow();
        WaitForSingleObject(m_thread.get(), INFINITE);
    }
}

bool ShutdownMonitor::Start() {
    if (!m_event) return false;
    g_monitor = this;
    ServerModule::SetIdleHandler(&OnServerIdle);
    m_thread.reset(CreateThread(nullptr, 0, &ShutdownMonitor::ThreadMain, this, 0, nullptr));
    return static_cast<bool>(m_thread);
}

void ShutdownMonitor::StopNow() {
    m_stopNow = true;
    SetEvent(m_event.get());
}

void ShutdownMonitor::NotifyIdle() {
    m_activity = true;
    SetEvent(m_event.get());
}

DWORD WINAPI ShutdownMonitor::ThreadMain(void* self) {
    static_cast<ShutdownMonitor*>(self)->Run();
    return 0;
}

void ShutdownMonitor::Run() {
    for (;;) {
        WaitForSingleObject(m_event.get(), INFINITE);
        if (m_stopNow) break;
        // Wait out a quiet period: every signal within it starts the period again.
        do {
            m_activity = false;
        } while (WaitForSingleObject(m_event.get(), m_quietMs) == WAIT_OBJECT_0 && !m_stopNow);
        if (m_stopNow) break;
        if (!m_activity && ServerModule::Count() == 0) break;
    }
    PostThreadMessageA(m_mainThreadId, WM_QUIT, 0, 0);
}
