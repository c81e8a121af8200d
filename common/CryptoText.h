// Text forms of the transport-security values (portable core): base64 (standard alphabet,
// padded), hexadecimal digits, the publisher's public key and an answer's signature, the
// per-request nonce. Every text comes from the registry or the network: the parsers accept
// exactly the documented form and nothing else.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A SHA-256 digest.
constexpr size_t kSha256Size = 32;
using Sha256Digest = std::array<uint8_t, kSha256Size>;
// An uncompressed P-256 point: 0x04, X, Y (32 bytes each).
constexpr size_t kP256CoordinateSize = 32;
constexpr size_t kP256PointSize = 1 + 2 * kP256CoordinateSize;
constexpr uint8_t kUncompressedPointTag = 0x04;
using P256Point = std::array<uint8_t, kP256PointSize>;
// A P-256 ECDSA signature as r and s, 32 bytes each.
constexpr size_t kP256SignatureSize = 2 * kP256CoordinateSize;
using P256Signature = std::array<uint8_t, kP256SignatureSize>;
// The request nonce: 16 random bytes, sent as 32 upper-case hexadecimal digits.
constexpr size_t kNonceBytes = 16;
constexpr size_t kNonceTextLength = 2 * kNonceBytes;

// Standard base64 with "=" padding; nullopt for any other character, a length that is not a
// multiple of 4, misplaced padding or non-zero bits left over in the last character.
std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text);
std::string EncodeBase64(const uint8_t* data, size_t size);

// Exactly 2 * out.size() hexadecimal digits (any case) into out; false otherwise.
bool DecodeHex(std::string_view text, uint8_t* out, size_t size);
std::string EncodeHexUpper(const uint8_t* data, size_t size);
std::string EncodeHexLower(const uint8_t* data, size_t size);

// The "SHA256" of a FileSet block: 64 hexadecimal digits, any case.
std::optional<Sha256Digest> ParseSha256Text(std::string_view text);

// Why a publisher key text was refused (kNone: accepted).
enum class KeyTextProblem { kNone, kNotBase64, kWrongLength, kNotUncompressed };
const char* KeyTextProblemText(KeyTextProblem problem);
// The "PublisherKey" text: base64 of 0x04 || X || Y. Whether the point lies on the curve is
// checked by the system's key import, not here.
KeyTextProblem ParsePublisherKeyText(std::string_view text, P256Point& point);

// The "X-ZUL-Signature" header value: base64 of r || s. Blanks around it are ignored.
std::optional<P256Signature> ParseSignatureText(std::string_view text);

// The nonce as it is sent: 32 upper-case hexadecimal digits.
std::string NonceText(const std::array<uint8_t, kNonceBytes>& bytes);
