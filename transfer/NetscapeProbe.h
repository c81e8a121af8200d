// Probes of the Netscape browser: whether it is the default browser, where its preference file
// lies and which proxy that file names.
#pragma once
#include <windows.h>

#include <cstddef>

constexpr size_t kNetscapePathMax = MAX_PATH;

// True when the program that opens ".html" files is "netscape.exe" (case-sensitive match).
bool IsNetscapeDefault();

// The browser's "Users" directory, found from its executable path in the registry.
bool FindNetscapeUsersDir(char* buffer, size_t size);

// The preference file to use (buffer of kNetscapePathMax characters); when none exists the
// buffer holds the "Default" profile's path, which does not exist.
void FindNetscapePrefs(char* buffer);

// Reads the proxy named by the preference file into the caller's preset values (host: 256
// characters). An automatic configuration stores its URL as "AutoConfigURL" of the default user
// profile's Internet settings. 0 when the file exists but cannot be read, otherwise 1.
int ReadNetscapeProxy(unsigned* type, char* host, unsigned short* port);
