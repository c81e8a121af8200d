#include "frontend/ProgramWaits.h"

#include "common/DiagnosticLog.h"
#include "common/Handles.h"
#include "common/ProcessHelpers.h"
#include "common/Settings.h"
#include "common/UpdaterClient.h"
#include "common/ZULErrorCodes.h"

namespace {

bool g_updaterHung = false;

void LogWaitRanOut(const char* what, const std::string& subject, const C_OutcomeClock& clock) {
    LogOutcome(what, subject.c_str(), HRESULT_FROM_WIN32(WAIT_TIMEOUT), ZULERR_PROCESS_WAIT_FAILED, clock);
}

}  // namespace

int RunUpdaterBounded(const std::string& arguments, char* output, DWORD outputSize) {
    if (g_updaterHung) return -1;
    const C_OutcomeClock clock;
    DWORD exitCode = 0;
    const int result = RunUpdater(arguments.c_str(), &exitCode, output, outputSize, Settings::ProgramWaitMs());
    if (result != 0 && exitCode == STILL_ACTIVE) {
        g_updaterHung = true;
        LogWaitRanOut("updater wait ran out", arguments, clock);
    }
    return result;
}

bool RunProgramBounded(const std::string& program, const std::string& arguments) {
    const C_OutcomeClock clock;
    StartedProgram started;
    if (!StartProgram(program.c_str(), arguments.c_str(), nullptr, false, nullptr, &started)) return false;
    if (WaitForSingleObject(started.process.get(), Settings::ProgramWaitMs()) == WAIT_OBJECT_0) return true;
    LogWaitRanOut("program wait ran out", program, clock);
    return false;
}
