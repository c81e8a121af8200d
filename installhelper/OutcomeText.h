// The words the install window shows at the end of an installation: the outcome text, the
// Start-menu location and the check boxes' labels (portable, so host-tested).
#pragma once
#include <cstdint>
#include <optional>
#include <string>

// "<name> Install" (the caption without "Title") and "Please wait while <name> is installed...".
std::string InstallCaption(const std::string& itemName);
std::string PleaseWaitText(const std::string& itemName);

// Whether an installation's (HRESULT, ZULError) counts as failed: anything but S_OK, except
// S_FALSE with one of the "already installed" codes (33, 34, 35).
bool IsInstallFailure(int32_t hr, uint32_t code);

// "Installation failed.\nFor assistance, please visit <url>\n\nHR = %X, ZULErr = %u, Reason = %s\n"
std::string FailureText(const std::string& supportUrl, int32_t hr, uint32_t code);

// The status text of an installation that did not fail: the "already installed" texts for
// 33/34 and 35, else the success text.
std::string CompletionText(uint32_t code, const std::string& itemName);

// The Start-menu location from an item's "MenuDir": "" when there is none (menuDir null),
// nullopt when it does not lie under "Start Menu\", else "Start --> A --> B", every folder
// followed by a further "\" losing a trailing " (Updated)".
std::optional<std::string> StartMenuText(const char* menuDir);

// Every "&" doubled, so that it shows as itself in a control's label.
std::string DoubleAmpersands(const std::string& text);

// Launch "<name>" Now / Add Desktop Shortcut for "<name>", with "&" doubled.
std::string LaunchCheckText(const std::string& itemName);
std::string DesktopCheckText(const std::string& itemName);
