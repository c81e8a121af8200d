// Uninstall.exe: the program that the system's entry in the list of installed programs names.
// Asks the user, removes the installed package through Windows Installer and reports the outcome.
// The removal itself runs in a copy outside the installation (DetachedCopy.h); a start with the
// word "-RemoveConfirmed" is such a copy and does not ask again.
#include <windows.h>

#include <string>

#include "ui/MessageBoxes.h"
#include "uninstall/DetachedCopy.h"
#include "uninstall/InstalledProduct.h"
#include "uninstall/PackageRemoval.h"
#include "uninstall/UninstallCommandLine.h"
#include "uninstall/UninstallTexts.h"

namespace {

void Report(const char* text, UINT icon) { ui::ShowMessage(nullptr, text, uninstall_text::kCaption, MB_OK | icon); }

// The outcome box for the Windows Installer's result; answers the exit code of this program.
DWORD ReportRemoval(const RemovalResult& result) {
    if (!result.started) {
        const DWORD error = result.exitCode ? result.exitCode : ERROR_INSTALL_FAILURE;
        Report((uninstall_text::kFailedPrefix + std::to_string(error) + ".").c_str(), MB_ICONERROR);
        return error;
    }
    switch (result.exitCode) {
    case ERROR_SUCCESS:
        Report(uninstall_text::kRemoved, MB_ICONINFORMATION);
        break;
    case ERROR_SUCCESS_REBOOT_REQUIRED:
    case ERROR_SUCCESS_REBOOT_INITIATED:
        Report(uninstall_text::kRemovedAfterRestart, MB_ICONINFORMATION);
        break;
    case ERROR_INSTALL_USEREXIT:
        Report(uninstall_text::kCancelled, MB_ICONWARNING);
        break;
    default:
        Report((uninstall_text::kFailedPrefix + std::to_string(result.exitCode) + ".").c_str(), MB_ICONERROR);
        break;
    }
    return result.exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    const bool confirmed = IsConfirmedStart(commandLine ? commandLine : "");
    if (!confirmed) {
        if (ui::ShowMessage(nullptr, uninstall_text::kQuestion, uninstall_text::kCaption,
                            MB_YESNO | MB_ICONQUESTION) != IDYES)
            return ERROR_INSTALL_USEREXIT;
        // Without a copy the removal goes on from here; the installer then deletes this
        // program's file at the next restart.
        if (StartDetachedCopy()) return ERROR_SUCCESS;
    }
    DWORD exitCode = ERROR_UNKNOWN_PRODUCT;
    if (const auto productCode = FindInstalledProductCode(ZUL_UPGRADE_CODE))
        exitCode = ReportRemoval(RemovePackage(*productCode));
    else
        Report(uninstall_text::kNotInstalled, MB_ICONERROR);
    if (confirmed) DeleteSelfAtRestart();
    return static_cast<int>(exitCode);
}
