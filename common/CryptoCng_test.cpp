// The system's cryptography as the manager uses it: streamed SHA-256 of files, the publisher key
// text, answer signatures and request nonces.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/PublisherKey.h"
#include "common/RequestNonce.h"
#include "common/Sha256Hash.h"
#include "common/TestSupport.h"

namespace {

// A key and a signature made with another implementation (Python's cryptography package).
constexpr char kKey[] = "BEccPnWMSQQoW7p+UxGO0PUkresHV9Jb0vjnsNdt+nFM3VIPesqKi5F6zDf1HejwybvjrYWDgucC3CWhLQn3qFg=";
constexpr char kNonce[] = "00112233445566778899AABBCCDDEEFF";
constexpr char kBody[] = "CheckinResult\r\n{\r\nStatus=ok\r\nInterval=60\r\n}\r\n";
constexpr char kSignature[] = "9/PPgQyLVhm0YyLeAcxhOAc7eMbz3AXRi/sF/PGUQDEJ79wuzu/6hn+ykGERh5CN0ufjg7R+jw2jl2VEebpZjQ==";

P256Point KeyPoint() {
    P256Point point{};
    EXPECT_EQ(PublisherKeyProblem(kKey, point), "");
    return point;
}

bool Verify(const std::string& nonce, const std::string& body, const char* signature, std::string& refusal) {
    return VerifyAnswerSignature(KeyPoint(), nonce, body.data(), body.size(), signature, refusal);
}

TEST(Sha256Cng, FilesHashInPiecesLikeBytesInOne) {
    Sha256Digest digest{};
    ASSERT_TRUE(HashBytes("abc", 3, digest));
    EXPECT_EQ(EncodeHexLower(digest.data(), digest.size()), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

    // More than one read of the file: 3 MiB and a bit.
    std::string content(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 131 + (i >> 12));
    const testsupport::ScratchDirectory scratch("sha256");
    const std::string path = scratch / "input.bin";
    testsupport::WriteText(path, content);
    Sha256Digest fromFile{}, fromBytes{};
    ASSERT_TRUE(HashFile(path.c_str(), fromFile));
    ASSERT_TRUE(HashBytes(content.data(), content.size(), fromBytes));
    EXPECT_EQ(fromFile, fromBytes);
    DeleteFileA(path.c_str());
    EXPECT_FALSE(HashFile(path.c_str(), fromFile));
}

TEST(PublisherKeyCng, OnlyAUsablePointIsAValidKey) {
    EXPECT_TRUE(IsValidPublisherKeyText(kKey));
    std::string offCurve = kKey;
    offCurve[10] = offCurve[10] == 'A' ? 'B' : 'A';
    P256Point point{};
    EXPECT_EQ(PublisherKeyProblem(offCurve, point), "not a point on the curve P-256");
    EXPECT_FALSE(IsValidPublisherKeyText(offCurve));
    EXPECT_FALSE(IsValidPublisherKeyText(""));
    EXPECT_FALSE(IsValidPublisherKeyText(std::string(kKey).substr(4)));
}

TEST(AnswerSignatureCng, ValidOnlyForTheNonceAndTheExactBody) {
    std::string refusal;
    EXPECT_TRUE(Verify(kNonce, kBody, kSignature, refusal)) << refusal;

    std::string changed = kBody;
    changed[changed.size() - 3] = ' ';
    EXPECT_FALSE(Verify(kNonce, changed, kSignature, refusal));
    EXPECT_EQ(refusal, "signature does not match the answer and nonce");
    EXPECT_FALSE(Verify("00112233445566778899AABBCCDDEEF0", kBody, kSignature, refusal));
    EXPECT_FALSE(Verify(kNonce, kBody, nullptr, refusal));
    EXPECT_EQ(refusal, "no X-ZUL-Signature header");
    EXPECT_FALSE(Verify(kNonce, kBody, "c2lnbmF0dXJl", refusal));
    EXPECT_EQ(refusal, "malformed X-ZUL-Signature header");
}

TEST(RequestNonceCng, FreshUpperCaseHexForEveryRequest) {
    std::string first, second;
    ASSERT_TRUE(MakeRequestNonce(first));
    ASSERT_TRUE(MakeRequestNonce(second));
    EXPECT_NE(first, second);
    ASSERT_EQ(first.size(), kNonceTextLength);
    EXPECT_EQ(first.find_first_not_of("0123456789ABCDEF"), std::string::npos) << first;
}

}  // namespace
