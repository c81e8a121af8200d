#include "common/Sha256Hash.h"

#include <memory>
#include <new>

namespace {

// Large reads keep the cost of each system call small against the hashing itself.
constexpr DWORD kFileReadSize = 1024 * 1024;

bool Succeeded(NTSTATUS status) { return status >= 0; }

}  // namespace

bool C_Sha256::Start() {
    m_hHash.reset();
    if (!m_hAlgorithm && !Succeeded(BCryptOpenAlgorithmProvider(m_hAlgorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return false;
    return Succeeded(BCryptCreateHash(m_hAlgorithm.get(), m_hHash.put(), nullptr, 0, nullptr, 0, 0));
}

bool C_Sha256::Update(const void* data, size_t size) {
    if (!m_hHash) return false;
    const BYTE* bytes = static_cast<const BYTE*>(data);
    while (size > 0) {
        const ULONG piece = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
        if (!Succeeded(BCryptHashData(m_hHash.get(), const_cast<BYTE*>(bytes), piece, 0))) return false;
        bytes += piece;
        size -= piece;
    }
    return true;
}

bool C_Sha256::Finish(Sha256Digest& digest) {
    if (!m_hHash) return false;
    const bool done = Succeeded(BCryptFinishHash(m_hHash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0));
    m_hHash.reset();
    return done;
}

bool HashBytes(const void* data, size_t size, Sha256Digest& digest) {
    C_Sha256 hash;
    return hash.Start() && hash.Update(data, size) && hash.Finish(digest);
}

bool HashFile(const char* path, Sha256Digest& digest) {
    const UniqueHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    const std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[kFileReadSize]);
    C_Sha256 hash;
    if (!buffer || !hash.Start()) return false;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer.get(), kFileReadSize, &read, nullptr)) return false;
        if (read == 0) break;
        if (!hash.Update(buffer.get(), read)) return false;
    }
    return hash.Finish(digest);
}
