#include "common/ProductKeys.h"
#include "common/RunningPrograms.h"

#include "common/ProcessHelpers.h"
#include "common/VelorinIds.h"

namespace {

constexpr DWORD kFirstWaitMs = 2000;
constexpr const char* kFrontEndNames[] = {VelorinIds::kProgramFile, "ZULVel~1.exe"};

enum class PostOutcome { NoneRunning, Exited, WaitFailed };

struct PostResult {
    PostOutcome outcome = PostOutcome::NoneRunning;
    DWORD exitCode = 0;  // of the last process that ended
};

// Posts message to each running process of exeName and waits up to timeoutMs for each.
PostResult PostAndWait(const char* exeName, UINT message, DWORD timeoutMs) {
    PostResult result;
    const DWORD walked = ForEachProcessNamed(exeName, [&](const PROCESSENTRY32& entry, HANDLE snapshot) {
        (void)PostToProcessThreads(message, 0, 0, entry.th32ProcessID, snapshot);  // a gone thread is fine
        DWORD exitCode = 0;
        const DWORD waited = WaitForProcessExit(entry.th32ProcessID, timeoutMs, &exitCode);
        if (waited == ERROR_INVALID_PARAMETER) return true;  // already gone
        if (waited != ERROR_SUCCESS) {
            result = PostResult{PostOutcome::WaitFailed, 0};
            return false;
        }
        result = PostResult{PostOutcome::Exited, exitCode};
        return true;
    });
    if (walked != ERROR_SUCCESS) return PostResult{PostOutcome::WaitFailed, 0};
    return result;
}

bool AnyRunning(const char* exeName) {
    bool found = false;
    (void)ForEachProcessNamed(exeName, [&](const PROCESSENTRY32&, HANDLE) {
        found = true;
        return false;
    });
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
    if (!EndedOrAbsent(EndFrontEnd(VELORIN_MSG_SHUTDOWN_ALT))) return false;
    if (!EndedOrAbsent(EndFrontEnd(VELORIN_MSG_SHUTDOWN))) return false;
    return EndedOrAbsent(EndProcessesByName(kManagerProgramFile, ZULM_MSG_SHUTDOWN));
}
