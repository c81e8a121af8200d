#include "common/CryptoText.h"

#include <gtest/gtest.h>

namespace {

std::string Bytes(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(Base64Text, RoundTripsEveryPaddingAndRefusesAnythingElse) {
    // RFC 4648 test vectors.
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}};
    for (const auto& [plain, text] : vectors) {
        EXPECT_EQ(EncodeBase64(reinterpret_cast<const uint8_t*>(plain), std::char_traits<char>::length(plain)), text);
        const auto decoded = DecodeBase64(text);
        ASSERT_TRUE(decoded) << text;
        EXPECT_EQ(Bytes(*decoded), plain);
    }
    EXPECT_EQ(Bytes(*DecodeBase64("+/+/")), "\xfb\xff\xbf");
    // Unpadded, URL alphabet, padding inside, blanks, line breaks, leftover bits: refused.
    for (const char* bad : {"Zg", "Zg=", "-_-_", "Zg==Zg==", "Z===", "Zm9v\n", " Zm9v", "Zh==", "Zm9=", "===="})
        EXPECT_FALSE(DecodeBase64(bad)) << bad;
}

TEST(HexText, ExactLengthAnyCase) {
    uint8_t out[2] = {};
    EXPECT_TRUE(DecodeHex("aB0f", out, 2));
    EXPECT_EQ(out[0], 0xAB);
    EXPECT_EQ(out[1], 0x0F);
    EXPECT_FALSE(DecodeHex("aB0", out, 2));
    EXPECT_FALSE(DecodeHex("aB0f0", out, 2));
    EXPECT_FALSE(DecodeHex("aB0g", out, 2));
    EXPECT_FALSE(DecodeHex("+B0f", out, 2));
    EXPECT_EQ(EncodeHexUpper(out, 2), "AB0F");
    EXPECT_EQ(EncodeHexLower(out, 2), "ab0f");

    const std::string sha(64, 'e');
    EXPECT_TRUE(ParseSha256Text(sha));
    EXPECT_TRUE(ParseSha256Text(std::string(64, 'E')));
    EXPECT_FALSE(ParseSha256Text(sha + "0"));
    EXPECT_FALSE(ParseSha256Text(" " + sha.substr(1)));
}

TEST(PublisherKeyText, AcceptsOnlyA65ByteUncompressedPoint) {
    std::vector<uint8_t> point(kP256PointSize, 0x11);
    point[0] = kUncompressedPointTag;
    P256Point parsed{};
    EXPECT_EQ(ParsePublisherKeyText(EncodeBase64(point.data(), point.size()), parsed), KeyTextProblem::kNone);
    EXPECT_EQ(parsed[0], 0x04);
    EXPECT_EQ(parsed[64], 0x11);

    EXPECT_EQ(ParsePublisherKeyText("not a key!", parsed), KeyTextProblem::kNotBase64);
    EXPECT_EQ(ParsePublisherKeyText(EncodeBase64(point.data(), 64), parsed), KeyTextProblem::kWrongLength);
    point[0] = 0x02;
    EXPECT_EQ(ParsePublisherKeyText(EncodeBase64(point.data(), point.size()), parsed), KeyTextProblem::kNotUncompressed);
    EXPECT_STREQ(KeyTextProblemText(KeyTextProblem::kWrongLength), "not 65 bytes");
}

TEST(SignatureText, SixtyFourBytesOfBase64) {
    const std::vector<uint8_t> raw(kP256SignatureSize, 0x5A);
    const std::string text = EncodeBase64(raw.data(), raw.size());
    ASSERT_TRUE(ParseSignatureText(text));
    EXPECT_TRUE(ParseSignatureText(" " + text + "\t"));
    EXPECT_EQ((*ParseSignatureText(text))[63], 0x5A);
    EXPECT_FALSE(ParseSignatureText(EncodeBase64(raw.data(), 63)));
    EXPECT_FALSE(ParseSignatureText(""));
    EXPECT_FALSE(ParseSignatureText(text.substr(1)));
}

TEST(NonceText, ThirtyTwoUpperCaseDigits) {
    std::array<uint8_t, kNonceBytes> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(0xF0 + i);
    EXPECT_EQ(NonceText(bytes), "F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF");
}

}  // namespace

#include "common/P256Curve.h"

namespace {

P256Point PointFromHex(const char* x, const char* y) {
    P256Point point{};
    point[0] = kUncompressedPointTag;
    EXPECT_TRUE(DecodeHex(x, point.data() + 1, kP256CoordinateSize));
    EXPECT_TRUE(DecodeHex(y, point.data() + 1 + kP256CoordinateSize, kP256CoordinateSize));
    return point;
}

TEST(P256Curve, GeneratorAndAKnownKeyLieOnItAnAlteredPointDoesNot) {
    const char kGx[] = "6B17D1F2E12C4247F8BCE6E563A440F277037D812DEB33A0F4A13945D898C296";
    const char kGy[] = "4FE342E2FE1A7F9B8EE7EB4A7C0F9E162BCE33576B315ECECBB6406837BF51F5";
    EXPECT_TRUE(IsOnP256Curve(PointFromHex(kGx, kGy)));
    // 2G.
    EXPECT_TRUE(IsOnP256Curve(PointFromHex("7CF27B188D034F7E8A52380304B51AC3C08969E277F21B35A60B48FC47669978",
                                           "07775510DB8ED040293D9AC69F7430DBBA7DADE63CE982299E04B79D227873D1")));
    P256Point altered = PointFromHex(kGx, kGy);
    altered[64] ^= 1;
    EXPECT_FALSE(IsOnP256Curve(altered));
    // Coordinates at or above the prime are refused even where they would reduce onto the curve.
    EXPECT_FALSE(IsOnP256Curve(PointFromHex("FFFFFFFF00000001000000000000000000000000FFFFFFFFFFFFFFFFFFFFFFFF", kGy)));
    P256Point zero{};
    zero[0] = kUncompressedPointTag;
    EXPECT_FALSE(IsOnP256Curve(zero));
}

}  // namespace
