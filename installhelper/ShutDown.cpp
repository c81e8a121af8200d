#include "installhelper/ShutDown.h"

#include <string>

#include "common/Settings.h"
#include "installhelper/InstallTexts.h"
#include "ui/MessageBoxes.h"

namespace {

std::string StillRunningText() {
    return InstallTexts::kStillRunningLead + Settings::SupportURL() + InstallTexts::kStillRunningTail;
}

}  // namespace

int RunShutDownMode() {
    if (EndRunningPrograms()) return 0;
    (void)ui::ShowError(nullptr, StillRunningText(), InstallTexts::kInstallationErrorCaption);
    return 1;
}
