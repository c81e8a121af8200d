// The outcome of one item operation: whether it succeeded (the installer answers S_OK, else
// S_FALSE) and the ZULError that says why. A success may carry a non-zero code (a user who
// declined an uninstall: succeeded with ZULERR_CANCELLED).
#pragma once
#include "ZULMan.h"

struct ItemOutcome {
    bool succeeded;
    ZULError error;
};

inline ItemOutcome Succeeded(ZULError error = ZULERR_SUCCESS) { return {true, error}; }
inline ItemOutcome Failed(ZULError error) { return {false, error}; }
