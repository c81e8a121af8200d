// Texts handed to interface methods, which take them as char* but never change them.
#pragma once

inline char* InText(const char* text) { return const_cast<char*>(text); }
