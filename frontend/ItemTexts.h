// Questions, messages and fixed names of the front-end's item installer, defined once.
#pragma once

namespace ItemTexts {
constexpr char kReinstallQuestion[] =
    "This game appears to already be installed.\nAre you sure you wish to overwrite your existing installation?";
constexpr char kDemoConflictQuestion[] =
    "A demo version of this game is already installed on this computer.\nThe demo version must be uninstalled "
    "before this installation can continue.\n\nWould you like to uninstall the demo version now?\n";
constexpr char kFamilyConflictQuestion[] =
    "Another version of this game is already installed on this computer.\nThe other version must be uninstalled "
    "before this installation can continue.\n\nWould you like to uninstall it now?\n";
constexpr char kAgreementRefused[] = "EULA not accepted, this installation will now abort";
constexpr char kAgreementRefusedCaption[] = "Installation Aborted";
constexpr char kUninstallQuestionFormat[] = "Are you sure you would like to uninstall %s?";
constexpr char kUninstallQuestionCaption[] = "Confirm Uninstall";
constexpr char kUninstalledFormat[] = "%s uninstalled successfully.";
constexpr char kUninstalledCaption[] = "Success";

constexpr char kGamesFolder[] = "Tessary\\Games";
constexpr char kWindowsVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char kUninstallKeyword[] = "-UninstallItem ";
constexpr char kParamsLibrary[] = "params.dll";
constexpr char kRuntimeInstaller[] = "KestrelFullInstall.exe";
constexpr char kMakerRuntimeInstaller[] = "Games\\KestrelFullInstall.exe";
constexpr char kShortcutNameFile[] = "ShortcutName.dat";
constexpr int kUninstallIconIndex = 8;
}  // namespace ItemTexts
