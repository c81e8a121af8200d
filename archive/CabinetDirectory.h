// A structural check of a Cabinet file's directory (header, folder and file entries) before the
// decoder sees it. The system's decoder trusts these tables; some decoders crash or loop on
// inconsistent ones, so a cabinet that fails here is never handed over. Portable: pure byte work.
#pragma once
#include <cstddef>

// True when block[0, size) holds a cabinet whose directory is consistent:
// - signature "MSCF", format version 1.3, a declared size that the block holds (not truncated);
// - at least one folder and one file; reserved areas, the previous/next cabinet texts and every
//   entry inside the declared size;
// - every folder's data inside the cabinet, its compression none, MSZIP, Quantum (window 10-21)
//   or LZX (window 15-21);
// - every file's name 1 to 255 characters and zero-terminated, its folder index one of the
//   folders (or a continuation mark), and its data within what the folder's blocks can hold.
bool CheckCabinetDirectory(const unsigned char* block, size_t size);
