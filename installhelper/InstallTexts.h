// Every caption and message the install helper shows, exactly as the user sees it.
#pragma once

namespace InstallTexts {

// Window captions and the status lines of the progress window.
inline constexpr char kInstallCaptionFormat[] = "%s Install";
inline constexpr char kPleaseWaitFormat[] = "Please wait while %s is installed...";
inline constexpr char kFailedLead[] = "Installation failed.\nFor assistance, please visit ";
inline constexpr char kFailedDetailFormat[] = "\n\nHR = %X, ZULErr = %u, Reason = %s\n";
inline constexpr char kAnotherCopyFormat[] =
    "Another copy of %s is already installed.  Therefore, this installation has been cancelled.\n\n\n";
inline constexpr char kDemoCopyFormat[] =
    "A demo copy of %s is already installed.  Therefore, this installation has been cancelled.\n\n\n";
inline constexpr char kSuccessFormat[] = "\n%s Successfully Installed!\n\n";
inline constexpr char kStartMenuLead[] = "Start --> ";

// Check-box labels set at the end.
inline constexpr char kLaunchLead[] = "Launch ";
inline constexpr char kLaunchTail[] = " Now";
inline constexpr char kDesktopLead[] = "Add Desktop Shortcut for ";

// Message boxes.
inline constexpr char kErrorCaption[] = "Error";
inline constexpr char kCreateManagerFailed[] = "Failed to create ZULManager instance";
inline constexpr char kCreateControlFailed[] = "CreateControl() failed";
inline constexpr char kInstallationErrorCaption[] = "Installation Error";
inline constexpr char kStillRunningLead[] =
    "An existing copy of the Tessary Channel Manager is running and\ncould not be shut down.  Therefore, "
    "this installation cannot continue.\n\nFor assistance in resolving this issue, please visit ";
inline constexpr char kStillRunningTail[] =
    "\nWe regret this error, and thank you for your patience and your interest in\nTessary products.";

// The desktop shortcut: "Play <name>.lnk", recorded as the item's "DesktopShortcut".
inline constexpr char kShortcutLead[] = "Play ";
inline constexpr char kShortcutExtension[] = ".lnk";

// The HTML pane's window class.
inline constexpr char kHtmlPaneClass[] = "TYInstall HTMLWindow Child";

}  // namespace InstallTexts
