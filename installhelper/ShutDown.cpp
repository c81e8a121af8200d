#include "installhelper/ShutDown.h"

#include <string>

#include "common/Settings.h"
#include "installhelper/InstallFlow.h"
#include "installhelper/InstallTexts.h"
#include "ui/MessageBoxes.h"

namespace {

std::string StillRunningText() {
    return InstallTexts::kStillRunningLead + Settings::SupportURL() + InstallTexts::kStillRunningTail;
}

}  // namespace

int RunShutDownMode() {
    const Outcome ended = LoggedStep("shut down", std::string(), [] {
        return EndRunningPrograms() ? Outcome{} : Outcome{S_FALSE, ZULERR_FAILED};
    });
    if (ended.Succeeded()) return 0;
    (void)ui::ShowError(nullptr, StillRunningText(), InstallTexts::kInstallationErrorCaption);  // informs only
    return 1;
}
