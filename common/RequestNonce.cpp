#include "common/RequestNonce.h"

#include <windows.h>
#include <bcrypt.h>

#include "common/CryptoText.h"

bool MakeRequestNonce(std::string& nonce) {
    std::array<uint8_t, kNonceBytes> bytes{};
    if (BCryptGenRandom(nullptr, bytes.data(), static_cast<ULONG>(bytes.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG) < 0)
        return false;
    nonce = NonceText(bytes);
    return true;
}
