// ZULMan: the channel manager's process. Registers or unregisters itself, or serves its COM
// classes; a resident ("Background") instance runs the check-in worker.
#include <windows.h>

#include <wrl/client.h>

#include <memory>

#include "checkin/C_Checkin.h"
#include "common/ClassObjectTable.h"
#include "common/Handles.h"
#include "common/ProductKeys.h"
#include "common/ShutdownMonitor.h"
#include "common/SingleInstance.h"
#include "service/CommandLine.h"
#include "service/ManagerServer.h"
#include "service/Registration.h"
#include "service/UpdaterRegistration.h"

namespace {

constexpr char kInstanceMutex[] = "ZULM COM Server Exclusive";
constexpr DWORD kWorkerStopTimeoutMs = 10000;

// The worker gets a manager object of this process; it holds the lock count up while it runs.
void StartCheckin(C_Checkin& checkin) {
    Microsoft::WRL::ComPtr<I_ZULManager> manager;
    (void)CreateServedObject(ManagerServer(), CLSID_ZULManager, IID_I_ZULManager,
                             reinterpret_cast<void**>(manager.GetAddressOf()));
    checkin.Start(manager.Get());
}

void RunMessageLoop(ShutdownMonitor& monitor, C_Checkin& checkin) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == ZULM_MSG_SHUTDOWN) {
            checkin.Stop(kWorkerStopTimeoutMs);
            monitor.StopNow();
            continue;
        }
        if (msg.hwnd == nullptr && msg.message == ZULM_MSG_START_CHECKIN) StartCheckin(checkin);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// A second background start asks the running instance to start its check-in worker.
int HandOverToRunningInstance() { return PostToOtherInstance(kManagerProgramFile, ZULM_MSG_START_CHECKIN) ? 0 : 1; }

int RunServer(bool background) {
    ShutdownMonitor monitor(GetCurrentThreadId(), kManagerIdleExitMs);
    monitor.Start();
    ClassObjectTable classObjects(ManagerServer());
    classObjects.Register();

    InstanceMutex mutex(kInstanceMutex);
    int exitCode = 0;
    if (mutex.Held()) {
        RegisterWithUpdater();
        if (background) PostThreadMessageA(GetCurrentThreadId(), ZULM_MSG_START_CHECKIN, 0, 0);
        // A worker that did not stop in time may still use its object while the process ends:
        // it is then left to the end of the process rather than destroyed under it.
        auto checkin = std::make_unique<C_Checkin>();
        RunMessageLoop(monitor, *checkin);
        if (checkin->Running()) (void)checkin.release();
    } else {
        exitCode = background ? HandOverToRunningInstance() : 1;
    }

    classObjects.Revoke();
    mutex.Release();
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
