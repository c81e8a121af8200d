// Opening a notification: its page is shown, it leaves the pending list and its channel's
// folder loses the updated mark.
#pragma once
#include <string>

#include "ZULMan.h"
#include "frontend/VelorinSettings.h"

// Opens "index.html" in the item's "Path", removes "<guid>," from the pending list and clears
// the updated mark of the item's "Channel". The ZULError of the item lookup or of reading
// "Path" (the entry then stays pending); a page that does not open stops nothing. Else 0.
[[nodiscard]] ZULError LaunchNotification(I_ZULManager* manager, const VelorinSettings& settings,
                                          const std::string& itemGuid);

// The "ShortcutName" of the item, or a non-zero ZULError (ZULERR_FAILED when the call failed
// without one). callFailed tells whether the manager call itself failed.
[[nodiscard]] ZULError ReadNotificationName(I_ZULManager* manager, const std::string& itemGuid, std::string& name,
                                            bool& callFailed);
