#include "installhelper/ShutDown.h"

#include <string>

#include "common/Handles.h"
#include "common/ProcessHelpers.h"
#include "common/ProductKeys.h"
#include "common/Settings.h"
#include "installhelper/InstallTexts.h"
#include "ui/MessageBoxes.h"

namespace {

constexpr DWORD kFirstWaitMs = 2000;
constexpr UINT kFrontEndFirstRequest = 0x8013;
constexpr UINT kFrontEndSecondRequest = 0x8012;
constexpr const char* kFrontEndNames[] = {"ZULVelorin.exe", "ZULVel~1.exe"};
constexpr char kManagerName[] = "ZULMan.exe";

enum class PostOutcome { NoneRunning, Exited, WaitFailed };

struct PostResult {
    PostOutcome outcome = PostOutcome::NoneRunning;
    DWORD exitCode = 0;  // of the last process that ended
};

// Posts message to each running process of exeName and waits up to timeoutMs for each.
PostResult PostAndWait(const char* exeName, UINT message, DWORD timeoutMs) {
    PostResult result;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    HANDLE walk = nullptr;
    DWORD found = FindProcessByName(exeName, &entry, &walk);
    UniqueHandle snapshot(walk);  // the first search took it
    if (found != ERROR_SUCCESS && found != ERROR_FILE_NOT_FOUND) return PostResult{PostOutcome::WaitFailed, 0};
    for (; found == ERROR_SUCCESS; found = FindProcessByName(exeName, &entry, &walk)) {
        (void)PostToProcessThreads(message, 0, 0, entry.th32ProcessID, snapshot.get());
        DWORD exitCode = 0;
        const DWORD waited = WaitForProcessExit(entry.th32ProcessID, timeoutMs, &exitCode);
        if (waited == ERROR_INVALID_PARAMETER) continue;  // already gone
        if (waited != ERROR_SUCCESS) return PostResult{PostOutcome::WaitFailed, 0};
        result = PostResult{PostOutcome::Exited, exitCode};
    }
    return result;
}

bool AnyRunning(const char* exeName) {
    HANDLE snapshot = nullptr;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    const bool found = FindProcessByName(exeName, &entry, &snapshot) == ERROR_SUCCESS;
    UniqueHandle owner(snapshot);
    return found;
}

// Success, NoneRunning, or WaitFailed while it is not settled yet.
EndOutcome Settled(const PostResult& result) {
    if (result.outcome == PostOutcome::NoneRunning) return EndOutcome::NoneRunning;
    if (result.outcome == PostOutcome::Exited && result.exitCode == 0) return EndOutcome::Success;
    return EndOutcome::WaitFailed;
}

// One request to the front-end under both of its names; the second name is tried unless the
// first one failed.
EndOutcome EndFrontEnd(UINT message) {
    EndOutcome combined = EndOutcome::NoneRunning;
    for (const char* name : kFrontEndNames) {
        const EndOutcome outcome = EndProcessesByName(name, message);
        if (!EndedOrAbsent(outcome)) return outcome;
        if (outcome == EndOutcome::Success) combined = EndOutcome::Success;
    }
    return combined;
}

std::string StillRunningText() {
    return InstallTexts::kStillRunningLead + Settings::SupportURL() + InstallTexts::kStillRunningTail;
}

}  // namespace

EndOutcome EndProcessesByName(const char* exeName, UINT message, DWORD budgetMs) {
    EndOutcome outcome = Settled(PostAndWait(exeName, message, kFirstWaitMs));
    if (EndedOrAbsent(outcome)) return outcome;
    const DWORD rest = budgetMs > kFirstWaitMs ? budgetMs - kFirstWaitMs : 0;
    outcome = Settled(PostAndWait(exeName, WM_QUIT, rest));
    if (EndedOrAbsent(outcome)) return outcome;
    return AnyRunning(exeName) ? EndOutcome::StillRunning : EndOutcome::NoneRunning;
}

bool EndRunningPrograms() {
    if (!EndedOrAbsent(EndFrontEnd(kFrontEndFirstRequest))) return false;
    if (!EndedOrAbsent(EndFrontEnd(kFrontEndSecondRequest))) return false;
    return EndedOrAbsent(EndProcessesByName(kManagerName, ZULM_MSG_SHUTDOWN));
}

int RunShutDownMode() {
    if (EndRunningPrograms()) return 0;
    (void)ui::ShowError(nullptr, StillRunningText(), InstallTexts::kInstallationErrorCaption);
    return 1;
}
