#include "common/PublisherKey.h"

#include <cstring>
#include <vector>

#include "common/P256Curve.h"
#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"
#include "common/Sha256Hash.h"

namespace {

// Base64 of 65 bytes is 88 characters; a little room for blanks around it.
constexpr DWORD kKeyTextMax = 128;
constexpr char kNonceSeparator = '\n';

bool Succeeded(NTSTATUS status) { return status >= 0; }

// The system's public-key blob of the point: its header, then X and Y.
std::vector<BYTE> PublicKeyBlob(const P256Point& point) {
    std::vector<BYTE> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 2 * kP256CoordinateSize);
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, static_cast<ULONG>(kP256CoordinateSize)};
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, point.data() + 1, 2 * kP256CoordinateSize);
    return blob;
}

}  // namespace

bool C_SignatureVerifier::Load(const P256Point& point) {
    m_hKey.reset();
    if (!m_hAlgorithm &&
        !Succeeded(BCryptOpenAlgorithmProvider(m_hAlgorithm.put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)))
        return false;
    std::vector<BYTE> blob = PublicKeyBlob(point);
    return Succeeded(BCryptImportKeyPair(m_hAlgorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, m_hKey.put(), blob.data(),
                                         static_cast<ULONG>(blob.size()), 0));
}

bool C_SignatureVerifier::Verify(const Sha256Digest& digest, const P256Signature& signature) const {
    if (!m_hKey) return false;
    return BCryptVerifySignature(m_hKey.get(), nullptr, const_cast<BYTE*>(digest.data()), static_cast<ULONG>(digest.size()),
                                 const_cast<BYTE*>(signature.data()), static_cast<ULONG>(signature.size()), 0) == 0;
}

std::string PublisherKeyProblem(std::string_view text, P256Point& point) {
    const KeyTextProblem problem = ParsePublisherKeyText(text, point);
    if (problem != KeyTextProblem::kNone) return KeyTextProblemText(problem);
    if (!IsOnP256Curve(point)) return "not a point on the curve P-256";
    C_SignatureVerifier verifier;
    if (!verifier.Load(point)) return "refused by the system's key import";
    return {};
}

bool IsValidPublisherKeyText(const std::string& text) {
    P256Point point{};
    return PublisherKeyProblem(text, point).empty();
}

PublisherKeySetting ReadPublisherKey() {
    PublisherKeySetting setting;
    char text[kKeyTextMax + 1] = {};
    const LONG read = RegReadValue(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, ProductKeys::kPublisherKey, text, sizeof text);
    if (read == ERROR_FILE_NOT_FOUND) return setting;
    if (read == ERROR_SUCCESS && !text[0]) return setting;
    setting.state = PublisherKeySetting::State::kMalformed;
    if (read != ERROR_SUCCESS) {
        setting.problem = read == ERROR_MORE_DATA ? "too long" : "unreadable";
        return setting;
    }
    setting.problem = PublisherKeyProblem(text, setting.point);
    if (setting.problem.empty()) setting.state = PublisherKeySetting::State::kValid;
    return setting;
}

bool VerifyAnswerSignature(const P256Point& key, std::string_view nonce, const void* body, size_t size,
                           const char* signatureText, std::string& refusal) {
    if (!signatureText) {
        refusal = "no X-ZUL-Signature header";
        return false;
    }
    const std::optional<P256Signature> signature = ParseSignatureText(signatureText);
    if (!signature) {
        refusal = "malformed X-ZUL-Signature header";
        return false;
    }
    C_Sha256 hash;
    Sha256Digest digest{};
    if (!hash.Start() || !hash.Update(nonce.data(), nonce.size()) || !hash.Update(&kNonceSeparator, 1) ||
        !hash.Update(body, size) || !hash.Finish(digest)) {
        refusal = "answer not hashed";
        return false;
    }
    C_SignatureVerifier verifier;
    if (!verifier.Load(key)) {
        refusal = "publisher key refused by the system";
        return false;
    }
    if (!verifier.Verify(digest, *signature)) {
        refusal = "signature does not match the answer and nonce";
        return false;
    }
    return true;
}
