// File and directory helpers over the Win32 file API; 1 for success, 0 for failure.
#pragma once
#include "common/PathText.h"

int CreateDirectoryTree(const char* path, bool pathEndsInFileName);
int DeleteDirectoryTree(const char* directory);
int FileExists(const char* path);
int DirectoryExists(const char* path);
// Reads a whole file into a new[]-allocated buffer with a zero byte added; the caller frees it
// with delete[]. sizeOut (optional) receives the byte count without the zero.
int ReadWholeFile(const char* path, char** buffer, unsigned long* sizeOut = nullptr);
// The maker directory: "ProgramFilesDir" joined with "Tessary", read once and cached.
const char* GetMakerDirectory();
