// The directory of a Cabinet file (header, folder and file entries), read and checked before any
// decoder sees the cabinet. The system's decoder trusts these tables; some decoders crash or loop
// on inconsistent ones, so a cabinet that fails here is never handed over. Portable: pure byte work.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr uint16_t kCabinetCompressionMask = 0x000F;
constexpr uint16_t kCabinetCompressionNone = 0;
constexpr uint16_t kCabinetCompressionMszip = 1;
constexpr uint16_t kCabinetCompressionQuantum = 2;
constexpr uint16_t kCabinetCompressionLzx = 3;

constexpr uint16_t kCabinetFlagPrevious = 0x0001;
constexpr uint16_t kCabinetFlagNext = 0x0002;

struct CabinetFolder {
    uint32_t dataOffset = 0;  // first data block, from the cabinet's start
    uint16_t blocks = 0;
    uint16_t compression = 0;  // type in the low four bits, window size above
};

struct CabinetMember {
    const char* name = nullptr;  // zero-terminated, inside the cabinet's block
    uint32_t length = 0;         // uncompressed bytes
    uint32_t offset = 0;         // within the folder's uncompressed data
    uint16_t folder = 0;         // index, or one of the continuation marks
    uint16_t date = 0;
    uint16_t time = 0;
    uint16_t attributes = 0;
};

struct CabinetDirectory {
    uint32_t cabinetSize = 0;
    uint16_t flags = 0;
    uint16_t setId = 0;
    uint16_t index = 0;
    uint8_t dataReserve = 0;  // bytes of reserved area in each data block
    std::vector<CabinetFolder> folders;
    std::vector<CabinetMember> files;
};

// True when block[0, size) holds a cabinet whose directory is consistent:
// - signature "MSCF", format version 1.3, a declared size that the block holds (not truncated);
// - at least one folder and one file; reserved areas, the previous/next cabinet texts and every
//   entry inside the declared size;
// - every folder's data inside the cabinet, its compression none, MSZIP, Quantum (window 10-21)
//   or LZX (window 15-21);
// - every file's name 1 to 255 characters and zero-terminated, its folder index one of the
//   folders (or a continuation mark), and its data within what the folder's blocks can hold.
bool CheckCabinetDirectory(const unsigned char* block, size_t size);

// The same check, keeping what it read (names point into block, which must outlive *directory).
bool ReadCabinetDirectory(const unsigned char* block, size_t size, CabinetDirectory* directory);

// A member that begins in an earlier cabinet or goes on into a later one.
bool IsContinuedMember(const CabinetMember& member);
