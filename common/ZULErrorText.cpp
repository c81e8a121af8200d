#include "common/ZULErrorCodes.h"

namespace {
// Indexed by code; the wording (spelling and doubled blank included) is part of the interface.
constexpr const char* kMessages[] = {
    "Operation completed successfully.",
    "Operation failed.",
    "Failed to open registry key.",
    "An invalid argument was supplied.",
    "Out of memory.",
    "Not found.",
    "Data failed to parse.",
    "Failed to read from file.",
    "An invalid operation was attempted.",
    "Failed to set registry value.",
    "Failed to read registry value.",
    "Failed to open a file.",
    "File too large.",
    "Failed to memory map  file.",
    "File extraction failed.",
    "Failed to create an instance of a COM object.",
    "A bad GUID was supplied.",
    "Failed to copy file.",
    "Download failed.",
    "Failed to create directory.",
    "Item type not supported.",
    "Uninstall not supported.",
    "Failed to launch process.",
    "Directory not found.",
    "File not found.",
    "Bad command line.",
    "Failed to check-in.",
    "Server returned bad checkin result.",
    "Failed to create thread.",
    "Operation cancelled.",
    "Bad server response recieved.",
    "The End User License Agreement was not accepted.",
    "Failed while waiting for a process to exit.",
    "The item is already installed.",
    "Another version of the item is already installed.",
    "A demo version of the item is already installed.",
};
static_assert(sizeof(kMessages) / sizeof(kMessages[0]) == ZULERR_LAST + 1);
}  // namespace

const char* ZULErrorText(uint32_t code) {
    return code <= ZULERR_LAST ? kMessages[code] : "Unknown error";
}
