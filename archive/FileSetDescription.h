// The description of a file set ("FS_ArchiveInfo.txt" inside the description cabinet):
// one "key=value" pair per line. Portable: pure text work.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/ZULErrorCodes.h"

// Name of the description file inside the description cabinet (compared without case).
inline constexpr char kFileSetDescriptionName[] = "FS_ArchiveInfo.txt";

struct FileSetDescription {
    std::string sGuid;
    std::string sName;
    int32_t nFlags = 0;
    int32_t nNumFiles = 0;
    int32_t nTotalBytes = 0;
};

// Parses the description text (which ends at `length` or at its first zero byte) into
// `description`, field by field: the fields read before a faulty line keep their new values.
// Lines are split at CR and LF and empty lines skipped; the key is the text before the first
// "=" and the value all after it, neither trimmed; keys compare without case, unknown keys are
// ignored and a repeated key replaces the earlier value. ZULERR_PARSE_ERROR for a line without
// "=" or a number field whose value does not begin with a decimal number.
[[nodiscard]] ZULError ParseFileSetDescription(const char* text, size_t length, FileSetDescription* description);

// Reads a decimal number the way "%d" does: leading white space skipped, an optional sign, at
// least one digit; the rest of the text is ignored. Values beyond the 32-bit range saturate.
bool ParseDescriptionNumber(const std::string& value, int32_t* number);
