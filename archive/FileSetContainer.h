// Layout of a ".FileSet" archive: two Cabinet files, each behind a fixed delimiter text.
// Portable: pure byte search, no file system.
#pragma once
#include <cstddef>

#include "common/ZULErrorCodes.h"

// The delimiter that precedes each cabinet of a file-set archive (no terminator).
inline constexpr char kFileSetDelimiter[] = "ZUL_FILSET_DELIM_BEGIN_CAB_FILE";
inline constexpr size_t kFileSetDelimiterLength = sizeof(kFileSetDelimiter) - 1;

// The signature every cabinet begins with.
inline constexpr char kCabinetSignature[] = "MSCF";
inline constexpr size_t kCabinetSignatureLength = sizeof(kCabinetSignature) - 1;

// The fixed part of a cabinet header, which holds the cabinet's total size.
inline constexpr size_t kCabinetHeaderSize = 36;

// A cabinet's place inside the searched block: offset from the block's start and byte count.
struct FileSetCabinetSpan {
    size_t offset = 0;
    size_t length = 0;
};

// Finds the first delimiter in block[0, length) and the cabinet behind it. The cabinet is as
// long as its header says when that size fits the block; otherwise it runs up to the next
// delimiter or to the end of the block. ZULERR_NOT_FOUND without a delimiter,
// ZULERR_PARSE_ERROR when the four bytes after it are not "MSCF".
[[nodiscard]] ZULError FindFileSetCabinet(const unsigned char* block, size_t length, FileSetCabinetSpan* span);
