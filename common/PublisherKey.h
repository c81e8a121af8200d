// The pinned publisher key (HKLM "Software\Tessary\ZUL" "PublisherKey": base64 of an
// uncompressed ECDSA P-256 point) and the check of an answer signed with it through the system's
// cryptography (CNG). A check-in answer is signed over SHA-256 of: the request's nonce text, a
// line feed, the answer body exactly as received.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "common/CngHandles.h"
#include "common/CryptoText.h"

struct PublisherKeySetting {
    enum class State { kAbsent, kValid, kMalformed };
    State state = State::kAbsent;
    P256Point point{};
    std::string problem;  // why a malformed key was refused
};

// Reads "PublisherKey": absent (or empty) means answers are taken unsigned, as always; a value
// that is not a usable key is kMalformed, and every answer must then be refused.
PublisherKeySetting ReadPublisherKey();

// Why a key text is not a usable publisher key, or an empty text when it is one: base64 of 65
// bytes, 0x04 first, a point on the curve that the system imports.
std::string PublisherKeyProblem(std::string_view text, P256Point& point);
// Whether text may be stored as "PublisherKey" (for installers that take it as a property).
[[nodiscard]] bool IsValidPublisherKeyText(const std::string& text);

// A public key imported into the system, for checking signatures.
class C_SignatureVerifier {
public:
    [[nodiscard]] bool Load(const P256Point& point);
    // Whether signature (r || s) is valid for digest under the loaded key.
    [[nodiscard]] bool Verify(const Sha256Digest& digest, const P256Signature& signature) const;

private:
    UniqueCngAlgorithm m_hAlgorithm;
    UniqueCngKey m_hKey;
};

// Checks the "X-ZUL-Signature" text of an answer (null when the header was absent) against key
// for the nonce sent and the body received. True when valid; otherwise why in refusal.
[[nodiscard]] bool VerifyAnswerSignature(const P256Point& key, std::string_view nonce, const void* body, size_t size,
                                         const char* signatureText, std::string& refusal);
