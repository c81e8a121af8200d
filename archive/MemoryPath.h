// The memory pseudo-path: a name of the form "mem:/AAAAAAAA:SSSSSSSS" (address and size in
// upper-case hexadecimal) that lets the Cabinet decoder open a block of memory as if it were a
// file. Portable: pure text work.
//
// An address that fits into 32 bits is written with exactly 8 digits, giving the classic
// 22-character name. Programs built for 64-bit Windows can hand out blocks above 4 GB; such an
// address is written with 16 digits ("mem:/" + 16 + ":" + 8 = 30 characters), so that every
// block has exactly one name and the name always round-trips to the same pointer. The wide form
// is only recognised with a non-zero upper half, so no block has two names. Any other name
// (21, 23 characters, other digits) is an ordinary disk path.
#pragma once
#include <cstddef>
#include <cstdint>

inline constexpr char kMemoryPathPrefix[] = "mem:/";
inline constexpr size_t kMemoryPathLength = 22;      // "mem:/%08X:%08X"
inline constexpr size_t kWideMemoryPathLength = 30;  // "mem:/%016llX:%08X"
inline constexpr size_t kMemoryPathBufferSize = kWideMemoryPathLength + 1;

// Writes the name of the block into out (zero-terminated) and returns its length.
size_t FormatMemoryPath(uint64_t address, uint32_t size, char (&out)[kMemoryPathBufferSize]);

// True when name is a memory pseudo-path: "mem:/" in any case, then 8 hexadecimal digits (or 16
// with a non-zero upper half), ":" and 8 hexadecimal digits, digits in either case, nothing more.
bool ParseMemoryPath(const char* name, uint64_t* address, uint32_t* size);
