// SHA-256 through the system's cryptography (CNG): streamed, so that an archive of any size is
// hashed without being held in memory.
#pragma once
#include <windows.h>

#include <cstddef>

#include "common/CngHandles.h"
#include "common/CryptoText.h"

class C_Sha256 {
public:
    // Opens the algorithm and a hash object; false when the system refuses either.
    [[nodiscard]] bool Start();
    // Adds bytes; false when no hash is running or the system refuses them.
    [[nodiscard]] bool Update(const void* data, size_t size);
    // The digest of everything added; the object must be started again for another one.
    [[nodiscard]] bool Finish(Sha256Digest& digest);

private:
    UniqueCngAlgorithm m_hAlgorithm;
    UniqueCngHash m_hHash;
};

// The digest of bytes in memory.
[[nodiscard]] bool HashBytes(const void* data, size_t size, Sha256Digest& digest);
// The digest of a whole file, read in large pieces; false when the file cannot be read.
[[nodiscard]] bool HashFile(const char* path, Sha256Digest& digest);
