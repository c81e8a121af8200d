// The "KillZULM" mode: asks the running front-end and channel manager to end before a package
// replaces their files, and says so in a box when they do not.
#pragma once
#include "common/RunningPrograms.h"

// The whole mode: 0 when nothing is left running; otherwise the "Installation Error" message
// box, then 1.
[[nodiscard]] int RunShutDownMode();
