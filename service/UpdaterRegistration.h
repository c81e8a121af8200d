// The channel manager's registration with the maker's updater program.
#pragma once

// Registers the manager with the updater (updates enabled) and writes its information file.
void RegisterWithUpdater();
// Unregisters the manager from the updater.
void LeaveUpdater();
