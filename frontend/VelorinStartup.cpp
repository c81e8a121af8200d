#include "frontend/VelorinStartup.h"

#include <windows.h>

#include <wrl/client.h>

#include <optional>

#include "ZULMan.h"
#include "common/DiagnosticLog.h"
#include "common/Handles.h"
#include "frontend/ChannelOptions.h"
#include "frontend/ItemInstaller_Velo.h"
#include "frontend/NotificationLauncher.h"
#include "frontend/TrayIcon.h"
#include "frontend/VelorinCommandLine.h"
#include "common/ManagerConnection.h"
#include "common/VelorinIds.h"
#include "frontend/VelorinRegistration.h"
#include "frontend/VelorinServer.h"
#include "frontend/VelorinSettings.h"
#include "frontend/VelorinUpdater.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kBootWaitMs = 10000;

// Notifications are pending when "NewNotifications" reads and is not empty.
bool NotificationsPending() { return !ReadNewNotifications().empty(); }

// What the install helper's shutdown requests stop: server mode stops, an open menu closes and
// the tray gets "Exit".
struct ShutdownTargets {
    C_ServerMode* server;
    const C_TrayIcon* tray;
};
thread_local const ShutdownTargets* t_shutdownTargets = nullptr;

bool IsShutdownRequest(const MSG& msg) {
    return msg.hwnd == nullptr && (msg.message == VELORIN_MSG_SHUTDOWN || msg.message == VELORIN_MSG_SHUTDOWN_ALT);
}

void ActOnShutdownRequest(const ShutdownTargets& targets) {
    if (targets.server) targets.server->StopNow();
    if (targets.tray) {
        EndMenu();
        targets.tray->Exit();
    }
}

// A modal loop (the tray's menu, a message box) dispatches thread messages to no window, which
// drops them: the message filter sees them there first.
LRESULT CALLBACK FilterModalLoopMessage(int code, WPARAM wParam, LPARAM lParam) {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (code >= 0 && msg && t_shutdownTargets && IsShutdownRequest(*msg)) ActOnShutdownRequest(*t_shutdownTargets);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Runs until WM_QUIT; the install helper's shutdown requests are acted on before dispatching,
// also while a modal loop runs.
void RunMessageLoop(C_ServerMode* server, const C_TrayIcon* tray) {
    const ShutdownTargets targets{server, tray};
    t_shutdownTargets = &targets;
    const ui::UniqueHook filter(SetWindowsHookExA(WH_MSGFILTER, FilterModalLoopMessage, nullptr, GetCurrentThreadId()));
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsShutdownRequest(msg)) ActOnShutdownRequest(targets);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    t_shutdownTargets = nullptr;
}

// Runs one job of the command line and leaves its line in the diagnostic log: the keyword, its
// value, the outcome (0 is success) and how long it took.
template <class Keyword, class Job>
auto LoggedJob(Keyword keyword, const char* subject, Job job) {
    const C_OutcomeClock clock;
    const auto result = job();
    const auto code = static_cast<uint32_t>(result);
    LogOutcome(KeywordName(keyword), subject, code == 0 ? S_OK : S_FALSE, code, clock);
    return result;
}

// A valued keyword's job, logged under the keyword with its value as subject.
template <class Job>
auto LoggedJob(const VelorinCommand& command, ValuedKeyword keyword, Job job) {
    return LoggedJob(keyword, command.Value(keyword), [&] { return job(std::string(command.Value(keyword))); });
}

// The jobs of a start outside server mode; the first of About, AboutChannel, CheckDirectories and
// DisableUpdates ends the dispatch with its result. The others go on whatever they answer: their
// lines in the log tell.
std::optional<int> RunJobs(const VelorinCommand& command, I_ZULManager* manager, VelorinSettings& settings) {
    const C_ChannelOptions options(manager, settings);
    if (command.Has(FlagKeyword::About))
        return LoggedJob(FlagKeyword::About, nullptr, [&] { return options.ShowGeneralAbout(); });
    if (command.Has(ValuedKeyword::AboutChannel))
        return LoggedJob(command, ValuedKeyword::AboutChannel, [&](const std::string& guid) { return options.ShowChannelAbout(guid); });
    if (command.Has(FlagKeyword::CheckDirectories)) return LoggedJob(FlagKeyword::CheckDirectories, nullptr, [] { return 0; });
    if (command.Has(FlagKeyword::DisableUpdates))
        return LoggedJob(FlagKeyword::DisableUpdates, nullptr, [&] { return options.DisableMenuUpdates(); });

    if (command.Has(FlagKeyword::EnableUpdates))
        (void)LoggedJob(FlagKeyword::EnableUpdates, nullptr, [&] { return options.EnableMenuUpdates(); });
    if (command.Has(ValuedKeyword::Subscribe))
        (void)LoggedJob(command, ValuedKeyword::Subscribe, [&](const std::string& guid) { return options.SetChannelEnabled(guid, true); });
    if (command.Has(ValuedKeyword::Unsubscribe))
        (void)LoggedJob(command, ValuedKeyword::Unsubscribe, [&](const std::string& guid) { return options.SetChannelEnabled(guid, false); });
    if (command.Has(ValuedKeyword::LaunchNotification))
        (void)LoggedJob(command, ValuedKeyword::LaunchNotification,
                        [&](const std::string& guid) { return LaunchNotification(manager, settings, guid); });
    if (command.Has(ValuedKeyword::UninstallItem))
        (void)LoggedJob(command, ValuedKeyword::UninstallItem,
                        [&](const std::string& guid) { return UninstallItemByGuid(manager, guid); });
    return std::nullopt;
}

int Dispatch(const VelorinCommand& command, I_ZULManager* manager, C_ServerMode* server) {
    VelorinSettings settings = VelorinSettings::Load();
    if (ReconcileSettings(settings, command) != 0) return ZULERR_FAILED;
    if (command.Has(FlagKeyword::MachinePrep)) return 0;

    if (manager) {
        if (std::optional<int> ended = RunJobs(command, manager, settings)) return *ended;
    }
    // The next start refreshes again; the log tells of one that failed.
    LogIfCodeFailed("refresh run key and updater", nullptr, RefreshRunKeyAndUpdaterState(settings));

    int exitCode = 0;
    if (manager && command.Has(FlagKeyword::RegServer))
        exitCode = LoggedJob(FlagKeyword::RegServer, nullptr, [&] { return static_cast<int>(RegisterVelorin(manager, settings)); });
    if (manager && command.Has(FlagKeyword::UnregServer))
        exitCode = LoggedJob(FlagKeyword::UnregServer, nullptr, [&] { return static_cast<int>(UnregisterVelorin(manager, settings)); });

    // The tray is the other long-lived start; a second one (the mutex owned elsewhere) just ends.
    std::optional<C_TrayIcon> tray;
    if (manager && command.Has(FlagKeyword::TrayIcon)) {
        tray.emplace(manager, settings);
        if (!tray->StartTrayIcon().Succeeded()) tray.reset();
    }
    if (server || tray) {
        const C_OutcomeClock clock;
        RunMessageLoop(server, tray ? &*tray : nullptr);
        LogOutcome(tray ? KeywordName(FlagKeyword::TrayIcon) : KeywordName(FlagKeyword::Embedding), nullptr, S_OK,
                   ZULERR_SUCCESS, clock);
    }
    return exitCode;
}

}  // namespace

int RunVelorin(int argc, const char* const* argv) {
    SetLogProgram(VelorinIds::kProgramName);
    ComScope com(COINIT_APARTMENTTHREADED);
    // The thread's message queue exists before anyone can post to it.
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);

    VelorinCommand command;
    if (ParseVelorinCommandLine(argc, argv, command) != CommandLineError::None) return ZULERR_BAD_CMDLINE;

    std::optional<C_ServerMode> server;
    if (command.serverMode) {
        server.emplace();
        // Without its class registered no client reaches the server, which ends when idle.
        LogIfHrFailed("serve item installer", nullptr, server->Start());
    }

    if (command.Has(FlagKeyword::Boot) || command.Has(FlagKeyword::TrayIcon)) {
        Sleep(kBootWaitMs);
        if (NotificationsPending()) ++command.flags[static_cast<size_t>(FlagKeyword::TrayIcon)];
    }

    ComPtr<I_ZULManager> manager;
    int exitCode = ZULERR_CREATE_INSTANCE_FAILED;
    if (command.serverMode || SUCCEEDED(CreateManager(manager))) {
        exitCode = Dispatch(command, manager.Get(), server ? &*server : nullptr);
    }
    manager.Reset();
    if (server) server->Finish();
    return exitCode;
}
