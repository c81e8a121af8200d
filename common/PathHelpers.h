// File and directory helpers over the Win32 file API; 1 for success, 0 for failure.
#pragma once
#include <memory>

#include "common/PathText.h"

// Creates every missing directory of path (of its directory part when pathEndsInFileName; a bare
// file name needs none). 0 when a level is a file or cannot be made, or the path is empty or
// longer than 259 characters.
int CreateDirectoryTree(const char* path, bool pathEndsInFileName);
// Deletes directory with everything in it, going on past failures; 1 only when all went. Linked
// directories inside are unlinked, not emptied. An empty name is refused.
int DeleteDirectoryTree(const char* directory);
int FileExists(const char* path);
int DirectoryExists(const char* path);
// Reads a whole file into a new buffer with a zero byte added (buffer is emptied first).
// sizeOut (optional) receives the byte count without the zero.
int ReadWholeFile(const char* path, std::unique_ptr<char[]>& buffer, unsigned long* sizeOut = nullptr);
// The maker directory: "ProgramFilesDir" joined with "Tessary", read once and cached.
const char* GetMakerDirectory();
