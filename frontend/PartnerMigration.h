// Takes over the menus of the two older partner front-ends (desktop and laptop): each present
// one's channel is recorded through the manager, gets its folder, and the old front-end's menu,
// updater application, folder and settings are removed.
#pragma once
#include "ZULMan.h"
#include "frontend/VelorinSettings.h"

// Always 0; a failed step does not stop the following ones or the other preset.
int MigratePartnerMenus(I_ZULManager* manager, const VelorinSettings& settings);
