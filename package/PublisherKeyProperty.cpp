#include "package/PublisherKeyProperty.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr size_t kPointSize = 65;
constexpr size_t kCoordinateSize = 32;
constexpr unsigned char kUncompressed = 0x04;

int Base64Digit(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Strict decoding: groups of four, "=" only as the padding of the last group, nothing else.
std::optional<std::vector<unsigned char>> DecodeBase64(std::string_view text) {
    if (text.empty() || text.size() % 4) return std::nullopt;
    std::vector<unsigned char> bytes;
    for (size_t group = 0; group < text.size(); group += 4) {
        const bool last = group + 4 == text.size();
        int digits[4];
        int padding = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text[group + i];
            if (c == '=' && last && i >= 2) {
                digits[i] = 0;
                ++padding;
                continue;
            }
            if (padding || (digits[i] = Base64Digit(c)) < 0) return std::nullopt;
        }
        const unsigned value = unsigned(digits[0]) << 18 | unsigned(digits[1]) << 12 | unsigned(digits[2]) << 6 |
                               unsigned(digits[3]);
        bytes.push_back(static_cast<unsigned char>(value >> 16));
        if (padding < 2) bytes.push_back(static_cast<unsigned char>(value >> 8));
        if (padding < 1) bytes.push_back(static_cast<unsigned char>(value));
    }
    return bytes;
}

bool ImportsAsP256PublicKey(const std::vector<unsigned char>& point) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0))) return false;
    std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 2 * kCoordinateSize);
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, kCoordinateSize};
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, point.data() + 1, 2 * kCoordinateSize);
    BCRYPT_KEY_HANDLE key = nullptr;
    const bool imported = BCRYPT_SUCCESS(BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB, &key, blob.data(),
                                                             static_cast<ULONG>(blob.size()), 0));
    if (key) BCryptDestroyKey(key);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return imported;
}

}  // namespace

bool IsValidPublisherKey(std::string_view base64) {
    const auto point = DecodeBase64(base64);
    return point && point->size() == kPointSize && (*point)[0] == kUncompressed && ImportsAsP256PublicKey(*point);
}
