// Registration entries of a local server's table under HKEY_CLASSES_ROOT:
//   AppID\{appId}                 default value appName
//   AppID\exeName                 value "AppID" = appId
//   progId                        display text; subkey "CLSID" = class identifier
//   versionIndependentProgId      display text; subkeys "CLSID" and "CurVer" (= progId)
//   CLSID\{clsid}                 display text; value "AppID"; subkeys "ProgID",
//                                 "VersionIndependentProgID", "LocalServer32" (the program's
//                                 short path) and "TypeLib" (the library's identifier)
// and the type library, registered from the program file. The parent keys "AppID" and "CLSID"
// are never removed.
#pragma once
#include <windows.h>

#include "common/LocalServer.h"

// Writes the AppID entries, then each class (its CLSID key first removed whole), then registers
// the type library. modulePath is the program's own path. Stops at the first failure and answers
// it; S_OK when all was written.
[[nodiscard]] HRESULT RegisterComServer(const LocalServerTable& server, const char* modulePath);

// Removes the AppID entries, then the class entries, then unregisters the type library, whose
// result is the answer.
[[nodiscard]] HRESULT UnregisterComServer(const LocalServerTable& server);
