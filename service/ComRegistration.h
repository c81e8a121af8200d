// COM registration entries of the channel manager under HKEY_CLASSES_ROOT: the application
// identifier, the three served classes with their ProgIDs, and the type library carried in the
// program.
#pragma once
#include <windows.h>

// Writes the application identifier, the class entries (each class key first removed whole) and
// registers the type library. modulePath is the program's own path; LocalServer32 gets its
// short form. Answers the result of the class registration.
HRESULT RegisterComEntries(const char* modulePath);

// Removes the application identifier entries, then the class entries and the type library.
HRESULT UnregisterComEntries(const char* modulePath);
