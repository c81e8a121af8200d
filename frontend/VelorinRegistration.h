// "RegServer" and "UnregServer" of the front-end: its COM entries, the item types it installs
// (registered with the channel manager), the partner migration and the clean-up.
#pragma once
#include <windows.h>

#include "ZULMan.h"
#include "frontend/VelorinSettings.h"

// AppID, class and type library; then the three item types in order, each only while the
// previous one answered 0; then the partner migration. The failing HRESULT of the COM entries,
// else the ZULError of the first failing item type, else 0.
[[nodiscard]] long RegisterVelorin(I_ZULManager* manager, const VelorinSettings& settings);

// Leaves the updater, uninstalls the notifications, cleans up every channel's folder, unregisters
// the three item types whatever their results, then removes the COM entries, whose result is the
// answer.
[[nodiscard]] long UnregisterVelorin(I_ZULManager* manager, const VelorinSettings& settings);
