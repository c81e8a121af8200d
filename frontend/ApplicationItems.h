// Installing and uninstalling application and demo items: the game's files in the games folder,
// its Start-menu folder with shortcuts, its entry in the system's list of installed programs, and
// the clean-up of other versions of the same game.
#pragma once
#include <string>

#include "ZULMan.h"
#include "frontend/ItemOutcome.h"
#include "frontend/VelorinSettings.h"

// Installs the item; silent skips the reinstall question and (when "ShowEULA" is present) the
// agreement. Failures: the code of a missing "Name"/"Guid" or of a manager call; 3 for a "Name"
// that is not a plain folder name; 33 reinstall refused; 34/35 another version or the demo kept;
// 31 agreement declined (installation folder deleted); 1 a folder, shortcut or record failure.
[[nodiscard]] Outcome InstallApplicationItem(I_ZULManager* manager, const VelorinSettings& settings,
                                                 I_ZULItem* item, bool silent);

// Removes the installed item: "params.dll" unregistered, installation and Start-menu folders,
// uninstall entry, desktop shortcut, record. Only places the front-end makes are deleted: an
// installation folder inside the games folder, a Start-menu folder holding the item's marker, a
// shortcut directly on a desktop. Unless quiet, asks first (No: succeeded with 29)
// and reports success by name.
[[nodiscard]] Outcome UninstallApplicationItem(I_ZULItem* item, bool quiet);

// Asks to remove installed demos, then other versions, of the item's family; a refusal fails
// with 35 (demo) or 34. An accepted removal runs quietly; its failure does not stop the caller.
[[nodiscard]] Outcome ResolveFamilyConflicts(I_ZULManager* manager, I_ZULItem* item, const std::string& name);
