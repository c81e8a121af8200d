// Item operations answer an Outcome the way the installer's methods do: hr S_OK when the
// operation succeeded, else S_FALSE, and ret the ZULError that says why. A success may carry a
// non-zero code (a user who declined an uninstall: S_OK with ZULERR_CANCELLED), so "done" is
// hr == S_OK, not Outcome::Succeeded.
#pragma once
#include "common/ComResult.h"

inline Outcome Succeeded(ZULError error = ZULERR_SUCCESS) { return {S_OK, error}; }
inline Outcome Failed(ZULError error) { return {S_FALSE, error}; }
inline bool ItemDone(const Outcome& outcome) { return outcome.hr == S_OK; }
