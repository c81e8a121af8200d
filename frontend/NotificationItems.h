// Notification items: a shortcut in the channel's Start-menu folder that starts the front-end
// with "-LaunchNotification", announced by the tray icon until the user opens it or the game of
// its family is installed.
#pragma once
#include "ZULMan.h"
#include "frontend/ItemOutcome.h"
#include "frontend/VelorinSettings.h"

// Installs the notification unless a game or another notification of its family is recorded,
// or it is installed already (each: succeeded with 0, nothing created). Failures: the code of a
// missing value or manager call; 11 when "ShortcutName.dat" cannot be read; 3 when its name is no
// plain file name; 1 when the shortcut cannot be written.
[[nodiscard]] Outcome InstallNotificationItem(I_ZULManager* manager, const VelorinSettings& settings,
                                                  I_ZULItem* item);
// Removes the shortcut, the installation folder and the record. Without "ShortcutName" or
// "Path": succeeded with the read's code, record kept.
[[nodiscard]] Outcome UninstallNotificationItem(I_ZULManager* manager, const VelorinSettings& settings,
                                                    I_ZULItem* item);
// Uninstalls the notifications of the item's family; checkOnly only looks for one (0 found,
// 5 none). An item without "Family" has no family members: none found, nothing to remove.
[[nodiscard]] ZULError RemoveFamilyNotifications(I_ZULManager* manager, const VelorinSettings& settings,
                                                 I_ZULItem* item, bool checkOnly);
// Whether an application or demo item of the item's family is recorded ("Family" absent: no).
bool FamilyApplicationPresent(I_ZULManager* manager, I_ZULItem* item);
