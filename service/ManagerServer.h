// The channel manager as a local server: its served classes, AppID and type library.
#pragma once
#include <windows.h>

#include "common/LocalServer.h"

// ZULManager, DownloadMgr and ItemInstaller, application "ZULMan", type library ZULMANLib.
const LocalServerTable& ManagerServer();

// The idle exit: the process ends this long after its last object was released.
constexpr DWORD kManagerIdleExitMs = 10000;
