// "Visit Website.url" and its kind: an Internet shortcut saved through the system's
// Internet-shortcut object.
#pragma once
#include <windows.h>

// Creates the system's Internet-shortcut object, sets url (no flags) and saves it to link. The
// HRESULT of the first failing step (REGDB_E_CLASSNOTREG when the system has no such object).
[[nodiscard]] HRESULT CreateInternetShortcut(const char* link, const char* url);
