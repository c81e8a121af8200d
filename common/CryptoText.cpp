#include "common/CryptoText.h"

#include <algorithm>

namespace {

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kHexUpper[] = "0123456789ABCDEF";
constexpr char kHexLower[] = "0123456789abcdef";

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string EncodeHex(const uint8_t* data, size_t size, const char* digits) {
    std::string text;
    text.reserve(2 * size);
    for (size_t i = 0; i < size; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 0x0F];
    }
    return text;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    size_t padding = 0;
    if (!text.empty() && text.back() == '=') padding = (text.size() >= 2 && text[text.size() - 2] == '=') ? 2 : 1;
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const size_t pad = last ? padding : 0;
        uint32_t group = 0;
        for (size_t j = 0; j < 4; ++j) {
            const int value = j >= 4 - pad ? 0 : Base64Value(text[i + j]);
            if (value < 0) return std::nullopt;
            group = (group << 6) | static_cast<uint32_t>(value);
        }
        // Bits below the last byte must be zero: one text per byte sequence.
        if ((pad == 1 && (group & 0xFF) != 0) || (pad == 2 && (group & 0xFFFF) != 0)) return std::nullopt;
        out.push_back(static_cast<uint8_t>(group >> 16));
        if (pad < 2) out.push_back(static_cast<uint8_t>(group >> 8));
        if (pad < 1) out.push_back(static_cast<uint8_t>(group));
    }
    return out;
}

std::string EncodeBase64(const uint8_t* data, size_t size) {
    std::string text;
    text.reserve((size + 2) / 3 * 4);
    for (size_t i = 0; i < size; i += 3) {
        const size_t left = size - i;
        uint32_t group = uint32_t{data[i]} << 16;
        if (left > 1) group |= uint32_t{data[i + 1]} << 8;
        if (left > 2) group |= data[i + 2];
        text += kBase64Alphabet[(group >> 18) & 63];
        text += kBase64Alphabet[(group >> 12) & 63];
        text += left > 1 ? kBase64Alphabet[(group >> 6) & 63] : '=';
        text += left > 2 ? kBase64Alphabet[group & 63] : '=';
    }
    return text;
}

bool DecodeHex(std::string_view text, uint8_t* out, size_t size) {
    if (text.size() != 2 * size) return false;
    for (size_t i = 0; i < size; ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        out[i] = static_cast<uint8_t>((high << 4) | low);
    }
    return true;
}

std::string EncodeHexUpper(const uint8_t* data, size_t size) { return EncodeHex(data, size, kHexUpper); }
std::string EncodeHexLower(const uint8_t* data, size_t size) { return EncodeHex(data, size, kHexLower); }

std::optional<Sha256Digest> ParseSha256Text(std::string_view text) {
    Sha256Digest digest{};
    if (!DecodeHex(text, digest.data(), digest.size())) return std::nullopt;
    return digest;
}

const char* KeyTextProblemText(KeyTextProblem problem) {
    switch (problem) {
    case KeyTextProblem::kNone: return "valid";
    case KeyTextProblem::kNotBase64: return "not base64";
    case KeyTextProblem::kWrongLength: return "not 65 bytes";
    case KeyTextProblem::kNotUncompressed: return "not an uncompressed point (0x04)";
    }
    return "invalid";
}

KeyTextProblem ParsePublisherKeyText(std::string_view text, P256Point& point) {
    const std::optional<std::vector<uint8_t>> bytes = DecodeBase64(TrimBlanks(text));
    if (!bytes) return KeyTextProblem::kNotBase64;
    if (bytes->size() != kP256PointSize) return KeyTextProblem::kWrongLength;
    if ((*bytes)[0] != kUncompressedPointTag) return KeyTextProblem::kNotUncompressed;
    std::copy(bytes->begin(), bytes->end(), point.begin());
    return KeyTextProblem::kNone;
}

std::optional<P256Signature> ParseSignatureText(std::string_view text) {
    const std::optional<std::vector<uint8_t>> bytes = DecodeBase64(TrimBlanks(text));
    if (!bytes || bytes->size() != kP256SignatureSize) return std::nullopt;
    P256Signature signature{};
    std::copy(bytes->begin(), bytes->end(), signature.begin());
    return signature;
}

std::string NonceText(const std::array<uint8_t, kNonceBytes>& bytes) { return EncodeHexUpper(bytes.data(), bytes.size()); }
