// Path text functions: pure string work, no file system (portable core).
// Both "\" and "/" count as separators; results are 1 for success and 0 for failure.
#pragma once
#include <cstddef>

inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// Joins base and name with exactly one "\" into out (out may be base itself; null out means
// base). An empty name strips one trailing separator; a name's one leading separator is dropped;
// an empty base gives the name. 0 when base or name is missing. out must hold the result.
int JoinPath(char* base, const char* name, char* out = nullptr);

// The same join into a buffer of outSize bytes (out may be base itself; null out means base,
// whose buffer then has outSize bytes). 0, with out unchanged, when the result does not fit.
int JoinPath(char* base, const char* name, char* out, size_t outSize);

// The text before the last separator ("." when there is none; a separator at position 0 is
// kept). 0 when it does not fit into outSize bytes.
int GetDirectoryPart(const char* path, char* out, size_t outSize);

// Position of the last "." in the whole text (not stopping at separators), or null.
const char* FindExtension(const char* path);

// Position after the last separator, or the whole path (null for a null path).
const char* GetFileNamePart(const char* path);
