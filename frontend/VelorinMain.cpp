// ZULVelorin: the front-end. Each start runs one job named by its command keywords; a start by
// COM (or without arguments) serves the item installer until no client holds it.
#include <windows.h>

#include <cstdlib>

#include "frontend/VelorinStartup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunVelorin(__argc, __argv); }
