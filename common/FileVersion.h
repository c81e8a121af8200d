// The fixed file version of a file's version resource.
#pragma once

// Formats "%d.%d.%d.%d" into text (optional, at least 32 bytes) and stores the four parts
// (each optional); false when the file has no readable version resource.
bool GetFileVersionText(const char* path, char* text, int* major = nullptr, int* minor = nullptr,
                        int* build = nullptr, int* revision = nullptr);
