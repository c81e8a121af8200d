// The publisher key and answer signature texts: any text is either refused or decodes to exactly
// the sizes the verifier expects, and what decodes encodes back to the same text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/CryptoText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    P256Point point{};
    if (ParsePublisherKeyText(text, point) == KeyTextProblem::kNone && point[0] != kUncompressedPointTag) std::abort();
    if (const auto signature = ParseSignatureText(text)) {
        if (signature->size() != kP256SignatureSize) std::abort();
    }
    if (const auto bytes = DecodeBase64(text)) {
        if (EncodeBase64(bytes->data(), bytes->size()) != text) std::abort();
    }
    if (const auto digest = ParseSha256Text(text)) {
        if (EncodeHexLower(digest->data(), digest->size()).size() != 64) std::abort();
    }
    return 0;
}
