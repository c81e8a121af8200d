// Uninstall.exe: the program that the system's entry in the list of installed programs names.
// Asks the user once, then starts Windows Installer's removal of the installed package and ends,
// so that its own file is free to be deleted; Windows Installer shows the progress and reports
// failures itself. With no package installed it deletes the registrations left behind and says
// what it did.
#include <windows.h>

#include <string>

#include "ui/MessageBoxes.h"
#include "uninstall/InstalledProduct.h"
#include "common/LeftoverRegistrations.h"
#include "uninstall/PackageRemoval.h"
#include "uninstall/UninstallTexts.h"

namespace {

void Report(const std::string& text, UINT icon) {
    ui::ShowMessage(nullptr, text.c_str(), uninstall_text::kCaption, MB_OK | icon);
}

DWORD RemoveLeftovers() {
    std::string text = uninstall_text::kNotInstalled;
    const std::vector<std::string> removed = RemoveLeftoverRegistrations();
    if (!removed.empty()) text += uninstall_text::kLeftoversRemovedLead;
    for (const std::string& kind : removed) text += "\n- " + kind;
    Report(text, removed.empty() ? MB_ICONWARNING : MB_ICONINFORMATION);
    return ERROR_UNKNOWN_PRODUCT;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (ui::ShowMessage(nullptr, uninstall_text::kQuestion, uninstall_text::kCaption, MB_YESNO | MB_ICONQUESTION) !=
        IDYES)
        return ERROR_INSTALL_USEREXIT;
    const auto productCode = FindInstalledProductCode(ZUL_UPGRADE_CODE);
    if (!productCode) return static_cast<int>(RemoveLeftovers());
    const DWORD started = StartPackageRemoval(*productCode);
    if (started != ERROR_SUCCESS)
        Report(uninstall_text::kFailedPrefix + std::to_string(started) + ".", MB_ICONERROR);
    return static_cast<int>(started);
}
