// The front-end and the maker's updater program: its registration ("ZULVelorin"), the menu
// updates switch, and the Run value that starts the front-end at log-on.
#pragma once
#include "frontend/VelorinSettings.h"

// The Run value, the updater registration and the updates switch, as every start that gets past
// its job does. 0, or 1 when a step failed (never stops the start).
[[nodiscard]] int RefreshRunKeyAndUpdaterState(VelorinSettings& settings);

// Registers "ZULVelorin" with the updater unless it is registered under the maker's program
// folder; "distid.dat" in the front-end's folder supplies "DistID" and is deleted. 0 or 1.
[[nodiscard]] int RegisterWithUpdater(VelorinSettings& settings);

// The three leave lines; results are ignored.
void LeaveUpdater();

// Starts the updater with "-enableupdates ZULVelorin" or "-disableupdates ZULVelorin" without
// waiting. 0, or 1 when it could not be started.
[[nodiscard]] int SwitchMenuUpdates(bool enabled);
