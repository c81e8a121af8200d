// TYInstallHelper: run by an item package from the directory it unpacked into. Installs the
// package silently, with the progress window ("GameGUI"), or shuts down the running front-end
// and channel manager ("KillZULM").
#include <windows.h>

#include <cstdlib>

#include "common/DiagnosticLog.h"
#include "common/Handles.h"
#include "installhelper/InstallDialog.h"
#include "installhelper/InstallFlow.h"
#include "installhelper/InstallOptions.h"
#include "installhelper/ShutDown.h"

int main(int argc, char** argv) {
    SetLogProgram(kInstallHelperName);
    ComScope com(COINIT_APARTMENTTHREADED);
    const ParsedOptions parsed = ParseInstallOptions(argc, argv);
    if (parsed.outcome != OptionsOutcome::Accepted) return kBadCommandLineExitCode;
    const InstallOptions& options = parsed.options;
    if (options.gameGui > 0) {
        C_InstallDialog dialog(options, DefaultInstallSteps());
        return dialog.Run();
    }
    if (options.killZulm) return RunShutDownMode();
    return RunSilentInstall(DefaultInstallSteps());
}
