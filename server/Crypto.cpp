#include "server/Crypto.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kCoordinateBytes = 32;
constexpr size_t kPointBytes = 1 + 2 * kCoordinateBytes;

EVP_PKEY* Key(const std::shared_ptr<void>& key) { return static_cast<EVP_PKEY*>(key.get()); }

struct FileCloser { void operator()(FILE* f) const { std::fclose(f); } };
using UniqueFile = std::unique_ptr<FILE, FileCloser>;
struct SigFree { void operator()(ECDSA_SIG* s) const { ECDSA_SIG_free(s); } };
struct MdCtxFree { void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); } };
struct PkeyFree { void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); } };
struct PkeyCtxFree { void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); } };

std::string SignedText(std::string_view nonce, std::string_view body) {
    std::string text;
    text.reserve(nonce.size() + 1 + body.size());
    text.append(nonce).append("\n").append(body);
    return text;
}

}  // namespace

std::vector<unsigned char> Sha256(std::string_view bytes) {
    std::vector<unsigned char> digest(32);
    unsigned int size = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest.data(), &size, EVP_sha256(), nullptr);
    return digest;
}

std::optional<std::string> FileSha256Hex(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) return std::nullopt;
    std::vector<char> buffer(1 << 16);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        if (in.gcount() > 0) EVP_DigestUpdate(ctx.get(), buffer.data(), static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) return std::nullopt;
    unsigned char digest[32];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(ctx.get(), digest, &size) != 1) return std::nullopt;
    static const char kHex[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
    }
    return hex;
}

std::string Base64(const unsigned char* bytes, size_t size) {
    std::string text(4 * ((size + 2) / 3) + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes, static_cast<int>(size));
    text.resize(static_cast<size_t>(written));
    return text;
}

std::optional<std::vector<unsigned char>> FromBase64(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::vector<unsigned char> bytes(text.size() / 4 * 3);
    const int size = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (size < 0) return std::nullopt;
    size_t padding = 0;
    for (size_t i = text.size(); i > 0 && text[i - 1] == '='; --i) ++padding;
    bytes.resize(static_cast<size_t>(size) - padding);
    return bytes;
}

void SigningKey::Free::operator()(void* key) const { EVP_PKEY_free(static_cast<EVP_PKEY*>(key)); }

std::optional<SigningKey> SigningKey::Create(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) {
        error = "cannot create " + path + " (a key may already be there)";
        return std::nullopt;
    }
    UniqueFile file(::fdopen(fd, "w"));
    EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256");
    if (!file || !key || PEM_write_PrivateKey(file.get(), key, nullptr, nullptr, 0, nullptr, nullptr) != 1) {
        EVP_PKEY_free(key);
        file.reset();
        ::unlink(path.c_str());
        error = "cannot write the key to " + path;
        return std::nullopt;
    }
    return SigningKey(key);
}

std::optional<SigningKey> SigningKey::Load(const std::string& path) {
    UniqueFile file(std::fopen(path.c_str(), "r"));
    if (!file) return std::nullopt;
    EVP_PKEY* key = PEM_read_PrivateKey(file.get(), nullptr, nullptr, nullptr);
    if (!key) return std::nullopt;
    if (!EVP_PKEY_is_a(key, "EC")) {
        EVP_PKEY_free(key);
        return std::nullopt;
    }
    return SigningKey(key);
}

std::string SigningKey::PublicKeyBase64() const {
    unsigned char point[kPointBytes];
    size_t size = 0;
    if (EVP_PKEY_get_octet_string_param(Key(m_key), OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point, &size) != 1 ||
        size != kPointBytes)
        return {};
    return Base64(point, size);
}

std::string SigningKey::SignAnswer(std::string_view nonce, std::string_view body) const {
    const std::string text = SignedText(nonce, body);
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    size_t derSize = 0;
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, Key(m_key)) != 1 ||
        EVP_DigestSign(ctx.get(), nullptr, &derSize, reinterpret_cast<const unsigned char*>(text.data()), text.size()) != 1)
        return {};
    std::vector<unsigned char> der(derSize);
    if (EVP_DigestSign(ctx.get(), der.data(), &derSize, reinterpret_cast<const unsigned char*>(text.data()), text.size()) != 1)
        return {};
    const unsigned char* p = der.data();
    std::unique_ptr<ECDSA_SIG, SigFree> sig(d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(derSize)));
    if (!sig) return {};
    unsigned char raw[2 * kCoordinateBytes];
    if (BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), raw, kCoordinateBytes) != kCoordinateBytes ||
        BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), raw + kCoordinateBytes, kCoordinateBytes) != kCoordinateBytes)
        return {};
    return Base64(raw, sizeof raw);
}

bool VerifyAnswer(const std::string& publicKeyBase64, std::string_view nonce, std::string_view body,
                  const std::string& signatureBase64) {
    const auto point = FromBase64(publicKeyBase64);
    const auto raw = FromBase64(signatureBase64);
    if (!point || point->size() != kPointBytes || !raw || raw->size() != 2 * kCoordinateBytes) return false;
    std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree> fromData(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    char group[] = "prime256v1";
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, group, 0),
        OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, const_cast<unsigned char*>(point->data()), point->size()),
        OSSL_PARAM_construct_end()};
    EVP_PKEY* rawKey = nullptr;
    if (!fromData || EVP_PKEY_fromdata_init(fromData.get()) != 1 ||
        EVP_PKEY_fromdata(fromData.get(), &rawKey, EVP_PKEY_PUBLIC_KEY, params) != 1)
        return false;
    std::unique_ptr<EVP_PKEY, PkeyFree> key(rawKey);
    std::unique_ptr<ECDSA_SIG, SigFree> sig(ECDSA_SIG_new());
    BIGNUM* r = BN_bin2bn(raw->data(), kCoordinateBytes, nullptr);
    BIGNUM* s = BN_bin2bn(raw->data() + kCoordinateBytes, kCoordinateBytes, nullptr);
    if (!sig || !r || !s || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
        BN_free(r);
        BN_free(s);
        return false;
    }
    unsigned char* der = nullptr;
    const int derSize = i2d_ECDSA_SIG(sig.get(), &der);
    if (derSize <= 0) return false;
    const std::string text = SignedText(nonce, body);
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    const bool ok = ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
                    EVP_DigestVerify(ctx.get(), der, static_cast<size_t>(derSize),
                                     reinterpret_cast<const unsigned char*>(text.data()), text.size()) == 1;
    OPENSSL_free(der);
    return ok;
}
