// ZULMan: the channel manager's process. Registers or unregisters itself, or serves its COM
// classes; a resident ("Background") instance runs the check-in worker.
#include <windows.h>

#include "common/Handles.h"
#include "common/MutexHelpers.h"
#include "common/ProcessHelpers.h"
#include "common/ProductKeys.h"
#include "service/CheckinHost.h"
#include "service/ClassObjects.h"
#include "service/CommandLine.h"
#include "service/Registration.h"
#include "service/ShutdownMonitor.h"
#include "service/UpdaterRegistration.h"

namespace {

constexpr char kInstanceMutex[] = "ZULM COM Server Exclusive";
constexpr char kProgramFile[] = "ZULMan.exe";
constexpr DWORD kWorkerStopTimeoutMs = 10000;

void RunMessageLoop(ShutdownMonitor& monitor, CheckinHost& checkin) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == ZULM_MSG_SHUTDOWN) {
            checkin.Stop(kWorkerStopTimeoutMs);
            monitor.StopNow();
            continue;
        }
        if (msg.hwnd == nullptr && msg.message == ZULM_MSG_START_CHECKIN) checkin.StartOnce();
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// A second background start asks the running instance to start its check-in worker.
int HandOverToRunningInstance() {
    HANDLE snapshot = nullptr;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    const DWORD self = GetCurrentProcessId();
    int exitCode = 1;
    while (FindProcessByName(kProgramFile, &entry, &snapshot) == 0) {
        if (entry.th32ProcessID == self) continue;
        PostToProcessThreads(ZULM_MSG_START_CHECKIN, 0, 0, entry.th32ProcessID, snapshot);
        exitCode = 0;
        break;
    }
    if (snapshot && snapshot != INVALID_HANDLE_VALUE) CloseHandle(snapshot);
    return exitCode;
}

int RunServer(bool background) {
    ShutdownMonitor monitor(GetCurrentThreadId());
    monitor.Start();
    ClassObjects classObjects;
    classObjects.Register();

    HANDLE mutex = nullptr;
    int exitCode = 0;
    if (WaitNamedMutex(kInstanceMutex, &mutex, 0) == 0) {
        RegisterWithUpdater();
        if (background) PostThreadMessageA(GetCurrentThreadId(), ZULM_MSG_START_CHECKIN, 0, 0);
        CheckinHost checkin;
        RunMessageLoop(monitor, checkin);
    } else {
        exitCode = background ? HandOverToRunningInstance() : 1;
    }

    classObjects.Revoke();
    ReleaseNamedMutex(&mutex);
    Sleep(1000);
    return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* commandLine = GetCommandLineA();
    ComScope com(COINIT_APARTMENTTHREADED);
    // Create the thread's message queue before anyone can post to it.
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));

    const ServiceCommand command = ScanServiceCommandLine(commandLine);
    switch (command.action) {
        case ServiceAction::Register:
            return static_cast<int>(RegisterServer());
        case ServiceAction::Unregister:
            return static_cast<int>(UnregisterServer());
        case ServiceAction::Run:
            break;
    }
    return RunServer(command.background);
}
