// SHA-256, base64 and the publisher's signing key (ECDSA P-256), from OpenSSL.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Upper-case hexadecimal SHA-256 of a file's bytes; nullopt when it cannot be read.
std::optional<std::string> FileSha256Hex(const std::string& path);
std::vector<unsigned char> Sha256(std::string_view bytes);
// Standard alphabet with padding.
std::string Base64(const unsigned char* bytes, size_t size);
std::optional<std::vector<unsigned char>> FromBase64(std::string_view text);

// The key file in a server directory.
constexpr std::string_view kSigningKeyFile = "signing-key.pem";

class SigningKey {
public:
    // A new key written to path (mode 0600); nullopt with `error` set on failure, or when a key
    // is already there (a key is never replaced silently).
    static std::optional<SigningKey> Create(const std::string& path, std::string& error);
    // nullopt when there is no readable key at path.
    static std::optional<SigningKey> Load(const std::string& path);

    // Base64 of the 65-byte uncompressed point 0x04 || X || Y.
    std::string PublicKeyBase64() const;
    // Base64 of the 64-byte r || s signature over SHA-256 of nonce + "\n" + body.
    std::string SignAnswer(std::string_view nonce, std::string_view body) const;

private:
    struct Free { void operator()(void* key) const; };
    explicit SigningKey(void* key) : m_key(key, Free{}) {}
    std::shared_ptr<void> m_key;
};

// Checks an answer's signature against a public key in the client's form; for tests and tools.
bool VerifyAnswer(const std::string& publicKeyBase64, std::string_view nonce, std::string_view body,
                  const std::string& signatureBase64);
